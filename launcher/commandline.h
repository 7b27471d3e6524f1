// The Unix command line around the screen-saver modes: XScreenSaver's hack options, settings that
// override the stored ones for one run, --help and --version. The classic mode arguments (/s,
// /c, /p ID, /a) pass through untouched to the launcher's own dispatch.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

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

// A setting that the command line can give for one run, with what documents it: the settings
// table's rows that name an option.
struct SettingOption {
    std::string_view Option;         // without the leading "--"
    std::string_view Setting;        // the stored name
    bool Flag = false;               // no value: the option turns the setting on
    std::int32_t Low = 0, High = 0;  // the values a number may take
    std::int32_t Default = 0;        // the setting's default
    std::string_view Help;           // one line
};
std::span<const SettingOption> SettingOptions();

// `environmentWindow` is XSCREENSAVER_WINDOW's value (empty when unset).
CommandLine ParseCommandLine(std::span<const std::string_view> args,
                             std::string_view environmentWindow);

// A window number as XScreenSaver writes one: decimal or 0x hex; 0 when it is none.
std::uint32_t ParseWindowNumber(std::string_view text);

// --help's text: the modes, the options and the files.
std::string UsageText();
