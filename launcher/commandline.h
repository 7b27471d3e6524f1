// The Unix command line around the screen-saver modes: XScreenSaver's hack options, settings that
// override the stored ones for one run, --help and --version. The classic mode arguments (/s,
// /c, /p ID, /a) pass through untouched to the launcher's own dispatch.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "launcher/argumentreader.h"
#include "settings/overrides.h"

// Where the saver draws when a hack option says so.
enum class SaverTarget {
    Classic,    // no hack option: the positional arguments decide
    Root,       // -root: the window XScreenSaver names, else the root window
    WindowId,   // -window-id ID: that window
    OwnWindow,  // -window: a window of its own, for trying the saver out
};

struct CommandLine {
    enum class Action { Launch, Help, Version, Error };
    Action What = Action::Launch;
    SaverTarget Target = SaverTarget::Classic;
    // The window of WindowId, or the one XSCREENSAVER_WINDOW names for Root (0: none named).
    std::uint32_t Window = 0;
    // --x11: draw through X11 even where a Wayland session is there too.
    bool ForceX11 = false;
    // The arguments for the launcher's dispatch, when no hack option gives the target.
    std::vector<std::string> Positional;
    std::vector<SettingOverride> Overrides;
    // What is wrong, for Action::Error.
    std::string Problem;
};

// velmora's options, in the order --help lists them: XScreenSaver's hack options, then the
// settings that can be given for one run (the settings table's rows that name an option), then
// the program's own.
std::span<const OptionRow> CommandLineOptions();
std::span<const OptionRow> SettingOptionRows();
// The options the manual page's OPTIONS section lists: the settings' and the program's own.
std::span<const OptionRow> ManualOptionRows();

// `environmentWindow` is XSCREENSAVER_WINDOW's value (empty when unset).
CommandLine ParseCommandLine(std::span<const std::string_view> args,
                             std::string_view environmentWindow);

// --help's text: the modes, the options and the files.
std::string UsageText();

// velmora.xml, XScreenSaver's description of the hack: its command and one control per setting
// option. Controls left at their first state pass nothing, so the stored settings apply.
std::string XScreenSaverConfig();
