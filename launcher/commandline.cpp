#include "launcher/commandline.h"

#include <array>

#include "launcher/optiondocs.h"

namespace {

// XScreenSaver passes its hack options with one dash or two.
constexpr OptionRow kHackOptions[] = {
    {.Name = "root",
     .Alias = "-root",
     .Help = "draw into the window named by XSCREENSAVER_WINDOW, else the root window; ends on "
             "SIGTERM"},
    {.Name = "window-id",
     .Alias = "-window-id",
     .Value = "WINDOW",
     .Help = "draw into the X window WINDOW (decimal or 0x hex)"},
    {.Name = "window", .Alias = "-window", .Help = "draw in a window of its own, to try it out"},
    // Options for classic hacks that mean nothing to this saver.
    {.Name = "install", .Alias = "-install", .Help = "accepted and ignored"},
    {.Name = "mono", .Alias = "-mono", .Help = "accepted and ignored"},
    {.Name = "visual", .Alias = "-visual", .Value = "VISUAL", .Help = "accepted and ignored"},
    {.Name = "ncolors", .Alias = "-ncolors", .Value = "N", .Help = "accepted and ignored"},
};

constexpr OptionRow kProgramOptions[] = {
    {.Name = "x11",
     .Help = "draw through X11 (DISPLAY) even in a Wayland session, where the saver otherwise "
             "draws on Wayland (WAYLAND_DISPLAY)",
     .Manual = "Draws through X11 on the display that\n.B DISPLAY\nnames, even in a Wayland "
               "session."},
    {.Name = "help",
     .Help = "this text",
     .Manual = "Prints the usage on standard output and exits."},
    {.Name = "version",
     .Help = "the version and licence",
     .Manual = "Prints the version, the copyright and where the licence is on standard output "
               "and exits,\nwithout opening a display."},
};

constexpr std::size_t CountSettingOptions() {
    std::size_t n = 0;
    for (const auto& setting : SaverSettingTable) n += setting.Option.empty() ? 0 : 1;
    return n;
}

constexpr std::size_t kHackCount = std::size(kHackOptions);
constexpr std::size_t kSettingCount = CountSettingOptions();

// All of them in one array, so that one reader walks them: a setting's row takes its range and
// help from the settings table; a flag takes no value.
constexpr auto kOptions = [] {
    std::array<OptionRow, kHackCount + kSettingCount + std::size(kProgramOptions)> rows{};
    std::size_t n = 0;
    for (const auto& row : kHackOptions) rows[n++] = row;
    for (const auto& setting : SaverSettingTable) {
        if (setting.Option.empty()) continue;
        const bool number = setting.Kind != SettingKind::Flag;
        rows[n++] = {.Name = setting.Option,
                     .Low = number ? setting.Min : 0,
                     .High = number ? setting.Max : 0,
                     .Help = setting.Description,
                     .Stored = setting.Name};
    }
    for (const auto& row : kProgramOptions) rows[n++] = row;
    return rows;
}();

std::string Quoted(std::string_view text) {
    return "'" + std::string(text) + "'";
}

std::string Capitalised(std::string_view text) {
    std::string out(text);
    if (!out.empty() && out[0] >= 'a' && out[0] <= 'z')
        out[0] = static_cast<char>(out[0] - 'a' + 'A');
    return out;
}

// "star-scroll" -> "Star scroll".
std::string Label(std::string_view option) {
    std::string label = Capitalised(option);
    for (char& c : label)
        if (c == '-') c = ' ';
    return label;
}

}  // namespace

std::span<const OptionRow> CommandLineOptions() {
    return kOptions;
}

std::span<const OptionRow> SettingOptionRows() {
    return std::span<const OptionRow>(kOptions).subspan(kHackCount, kSettingCount);
}

std::span<const OptionRow> ManualOptionRows() {
    return std::span<const OptionRow>(kOptions).subspan(kHackCount);
}

CommandLine ParseCommandLine(std::span<const std::string_view> args,
                             std::string_view environmentWindow) {
    CommandLine line;
    bool root = false, ownWindow = false;
    std::uint32_t windowId = 0;
    const auto fail = [&line](std::string problem) {
        line.What = CommandLine::Action::Error;
        line.Problem = std::move(problem);
        return line;
    };

    ArgumentReader reader(args, kOptions);
    while (!reader.AtEnd()) {
        const Argument arg = reader.Next();
        if (arg.What == Argument::Kind::Operand) {
            // A classic argument: the mode, or the window number after it.
            line.Positional.emplace_back(arg.Text);
            continue;
        }
        if (arg.What == Argument::Kind::Unknown) return fail("unknown option " + Quoted(arg.Text));
        const OptionRow& row = *arg.Row;
        const std::string option = "--" + std::string(row.Name);
        if (!row.TakesValue() && arg.Value) return fail(option + " takes no value");

        if (row.Name == "help") {
            line.What = CommandLine::Action::Help;
            return line;
        }
        if (row.Name == "version") {
            line.What = CommandLine::Action::Version;
            return line;
        }
        if (row.Name == "root") {
            root = true;
        } else if (row.Name == "window") {
            ownWindow = true;
        } else if (row.Name == "x11") {
            line.ForceX11 = true;
        } else if (row.Name == "window-id") {
            if (!arg.Value) return fail(option + " needs a window number");
            windowId = ReadWindowNumber(*arg.Value);
            if (windowId == 0)
                return fail(option + " takes a window number (decimal or 0x hex), not " +
                            Quoted(*arg.Value));
        } else if (!row.Stored.empty()) {
            if (!row.TakesValue()) {
                line.Overrides.push_back({row.Stored, "1"});
                continue;
            }
            if (!arg.Value) return fail(option + " needs a value");
            const auto number = ReadWholeNumber(*arg.Value);
            if (!number || *number < row.Low || *number > row.High)
                return fail(option + " takes a whole number from " + std::to_string(row.Low) +
                            " to " + std::to_string(row.High) + ", not " + Quoted(*arg.Value));
            line.Overrides.push_back({row.Stored, std::to_string(*number)});
        }
        // The rest are the classic hacks' options, ignored with their values.
    }

    // XScreenSaver's own order: a window given by number, then the root window, then a window
    // of the saver's own.
    if (windowId != 0) {
        line.Target = SaverTarget::WindowId;
        line.Window = windowId;
    } else if (root) {
        line.Target = SaverTarget::Root;
        line.Window = ReadWindowNumber(environmentWindow);
    } else if (ownWindow) {
        line.Target = SaverTarget::OwnWindow;
    }
    if (line.Target != SaverTarget::Classic && !line.Positional.empty())
        return fail(Quoted(line.Positional.front()) +
                    " cannot be combined with -root, -window or -window-id");
    return line;
}

std::string UsageText() {
    return "Usage: velmora [/s | /c | /p WINDOW | /a] [OPTION...]\n"
           "       velmora --root | --window-id WINDOW | --window [OPTION...]\n"
           "\n"
           "A night drive along a highway, drawn dot by dot.\n"
           "\n"
           "Modes (only the second character of the first argument counts):\n"
           "  /s                    the saver over the primary monitor, the others black;\n"
           "                        the first key, button or movement ends it\n"
           "  /c, no argument       the settings dialog\n"
           "  /p WINDOW             a preview inside the X window WINDOW (decimal, or $ and\n"
           "                        hex)\n"
           "  /a                    nothing: the desktop owns the screen-saver password\n"
           "\n"
           "As an XScreenSaver hack:\n" +
           OptionHelp(kHackOptions) +
           "\n"
           "Settings for this run only (the stored settings apply to the rest; nothing is\n"
           "saved):\n" +
           OptionHelp(SettingOptionRows()) + "\n" + OptionHelp(kProgramOptions) +
           "\n"
           "Files:\n"
           "  $XDG_CONFIG_HOME/velmora/user.reg\n"
           "                        the stored settings (~/.config/velmora/user.reg), made\n"
           "                        with velmora /c\n"
           "\n"
           "In ~/.xscreensaver, add to programs:   \"Velmora\"  velmora --root \\n\\\n";
}

std::string XScreenSaverConfig() {
    std::string xml =
        "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n\n"
        "<screensaver name=\"velmora\" _label=\"Velmora\">\n\n"
        "  <command arg=\"--root\"/>\n\n";
    for (const OptionRow& o : SettingOptionRows()) {
        const std::string id(o.Name);
        const std::string arg = "--" + id;
        if (!o.TakesValue()) {
            xml += "  <boolean id=\"" + id + "\" _label=\"" + Capitalised(o.Help) +
                   "\" arg-set=\"" + arg + "\"/>\n\n";
        } else if (o.High - o.Low < 4) {
            // A few values: a menu whose first entry keeps the stored setting.
            xml += "  <select id=\"" + id + "\">\n    <option id=\"" + id + "-stored\" _label=\"" +
                   Label(o.Name) + ": as set in velmora /c\"/>\n";
            for (int v = o.Low; v <= o.High; ++v)
                xml += "    <option id=\"" + id + "-" + std::to_string(v) + "\" _label=\"" +
                       Label(o.Name) + ": " + std::to_string(v) + (v == 0 ? " (none)" : "") +
                       "\" arg-set=\"" + arg + " " + std::to_string(v) + "\"/>\n";
            xml += "  </select>\n\n";
        } else {
            // At its default the slider passes nothing, as XScreenSaver does for every number.
            const std::int32_t byDefault = DefaultValue(*FindSetting(o.Stored));
            xml += "  <number id=\"" + id + "\" type=\"slider\" arg=\"" + arg + " %\"\n" +
                   "          _label=\"" + Capitalised(o.Help) + "\" _low-label=\"" +
                   std::to_string(o.Low) + "\" _high-label=\"" + std::to_string(o.High) +
                   "\"\n          low=\"" + std::to_string(o.Low) + "\" high=\"" +
                   std::to_string(o.High) + "\" default=\"" + std::to_string(byDefault) +
                   "\"/>\n\n";
        }
    }
    xml +=
        "  <_description>\n"
        "A night drive along a highway, drawn dot by dot: the road's edges and street lamps slide "
        "toward\n"
        "the viewer as the course bends and climbs, under three layers of stars and above the "
        "lights of\n"
        "the towns on the horizon, with an occasional shooting star.\n\n"
        "What is left as it is here comes from the settings made with \"velmora /c\", the colours "
        "among them.\n"
        "  </_description>\n"
        "</screensaver>\n";
    return xml;
}
