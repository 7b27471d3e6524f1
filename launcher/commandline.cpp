#include "launcher/commandline.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace {

// The settings the table offers on the command line, in the table's order.
constexpr std::size_t CountOptions() {
    std::size_t n = 0;
    for (const auto& setting : SaverSettingTable) n += setting.Option.empty() ? 0 : 1;
    return n;
}

constexpr auto kSettingOptions = [] {
    std::array<SettingOption, CountOptions()> options{};
    std::size_t n = 0;
    for (const auto& setting : SaverSettingTable) {
        if (setting.Option.empty()) continue;
        const bool flag = setting.Kind == SettingKind::Flag;
        options[n++] = {setting.Option,         setting.Name,           flag,
                        flag ? 0 : setting.Min, flag ? 1 : setting.Max, DefaultValue(setting),
                        setting.Description};
    }
    return options;
}();

// XScreenSaver's options for classic hacks that mean nothing to this saver, with whether each
// takes a value.
struct IgnoredOption {
    std::string_view Name;
    bool TakesValue;
};
constexpr IgnoredOption kIgnored[] = {
    {"install", false}, {"mono", false}, {"visual", true}, {"ncolors", true}};

// The names XScreenSaver may also write with a single dash.
bool HackOptionName(std::string_view name) {
    if (name == "root" || name == "window" || name == "window-id") return true;
    for (const auto& o : kIgnored)
        if (o.Name == name) return true;
    return false;
}

std::string Quoted(std::string_view text) {
    return "'" + std::string(text) + "'";
}

}  // namespace

std::span<const SettingOption> SettingOptions() {
    return kSettingOptions;
}

std::uint32_t ParseWindowNumber(std::string_view text) {
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (error != std::errc() || end != text.data() + text.size()) return 0;
    return value;
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

    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        std::string_view name;
        std::string_view inlineValue;
        bool hasInlineValue = false;
        if (arg.starts_with("--") && arg.size() > 2) {
            name = arg.substr(2);
            if (const auto eq = name.find('='); eq != std::string_view::npos) {
                inlineValue = name.substr(eq + 1);
                name = name.substr(0, eq);
                hasInlineValue = true;
            }
        } else if (arg.size() > 2 && arg[0] == '-' && HackOptionName(arg.substr(1))) {
            name = arg.substr(1);
        } else if (arg == "--") {
            return fail("unknown option '--'");
        } else {
            // A classic argument: the mode, or the window number after it.
            line.Positional.emplace_back(arg);
            continue;
        }

        // The value of an option that takes one: after "=", or the next argument.
        const auto value = [&](std::string_view& out) {
            if (hasInlineValue) {
                out = inlineValue;
                return true;
            }
            if (i + 1 >= args.size()) return false;
            out = args[++i];
            return true;
        };

        if (name == "help") {
            line.What = CommandLine::Action::Help;
            return line;
        }
        if (name == "version") {
            line.What = CommandLine::Action::Version;
            return line;
        }
        if (name == "root") {
            root = true;
            continue;
        }
        if (name == "window") {
            ownWindow = true;
            continue;
        }
        if (name == "x11") {
            if (hasInlineValue) return fail("--x11 takes no value");
            line.ForceX11 = true;
            continue;
        }
        if (name == "window-id") {
            std::string_view text;
            if (!value(text)) return fail("--window-id needs a window number");
            windowId = ParseWindowNumber(text);
            if (windowId == 0)
                return fail("--window-id takes a window number (decimal or 0x hex), not " +
                            Quoted(text));
            continue;
        }
        bool known = false;
        for (const auto& ignored : kIgnored) {
            if (ignored.Name != name) continue;
            std::string_view unused;
            if (ignored.TakesValue) value(unused);
            known = true;
        }
        for (const auto& settingOption : kSettingOptions) {
            if (settingOption.Option != name) continue;
            known = true;
            if (settingOption.Flag) {
                if (hasInlineValue) return fail("--" + std::string(name) + " takes no value");
                line.Overrides.push_back({settingOption.Setting, "1"});
                continue;
            }
            std::string_view text;
            if (!value(text)) return fail("--" + std::string(name) + " needs a value");
            std::int32_t number = 0;
            const auto [end, error] =
                std::from_chars(text.data(), text.data() + text.size(), number);
            if (error != std::errc() || end != text.data() + text.size() || number < settingOption.Low ||
                number > settingOption.High)
                return fail("--" + std::string(name) + " takes a whole number from " +
                            std::to_string(settingOption.Low) + " to " + std::to_string(settingOption.High) +
                            ", not " + Quoted(text));
            line.Overrides.push_back({settingOption.Setting, std::to_string(number)});
        }
        if (!known) return fail("unknown option " + Quoted(arg));
    }

    // XScreenSaver's own order: a window given by number, then the root window, then a window
    // of the saver's own.
    if (windowId != 0) {
        line.Target = SaverTarget::WindowId;
        line.Window = windowId;
    } else if (root) {
        line.Target = SaverTarget::Root;
        line.Window = ParseWindowNumber(environmentWindow);
    } else if (ownWindow) {
        line.Target = SaverTarget::OwnWindow;
    }
    if (line.Target != SaverTarget::Classic && !line.Positional.empty())
        return fail(Quoted(line.Positional.front()) +
                    " cannot be combined with -root, -window or -window-id");
    return line;
}

std::string UsageText() {
    std::string text =
        "Usage: velmora [/s | /c | /p WINDOW | /a] [OPTION...]\n"
        "       velmora --root | --window-id WINDOW | --window [OPTION...]\n"
        "\n"
        "A night drive along a highway, drawn dot by dot.\n"
        "\n"
        "Modes (only the second character of the first argument counts):\n"
        "  /s                the saver over the primary monitor, the others black; the first\n"
        "                    key, button or movement ends it\n"
        "  /c, no argument   the settings dialog\n"
        "  /p WINDOW         a preview inside the X window WINDOW (decimal, or $ and hex)\n"
        "  /a                nothing: the desktop owns the screen-saver password\n"
        "\n"
        "As an XScreenSaver hack:\n"
        "  -root, --root     draw into the window named by XSCREENSAVER_WINDOW, else the root\n"
        "                    window; ends on SIGTERM\n"
        "  -window-id WINDOW, --window-id WINDOW\n"
        "                    draw into the X window WINDOW (decimal or 0x hex)\n"
        "  -window, --window draw in a window of its own, to try it out\n"
        "  -install, -mono, -visual VISUAL, -ncolors N\n"
        "                    accepted and ignored\n"
        "\n"
        "Settings for this run only (the stored settings apply to the rest; nothing is saved):\n";
    for (const auto& settingOption : kSettingOptions) {
        std::string left = "  --" + std::string(settingOption.Option);
        if (!settingOption.Flag) left += " " + std::to_string(settingOption.Low) + "-" + std::to_string(settingOption.High);
        left.resize(std::max<std::size_t>(left.size() + 1, 20), ' ');
        text += left + std::string(settingOption.Help) + "\n";
    }
    text +=
        "\n"
        "  --x11             draw through X11 (DISPLAY) even in a Wayland session, where the\n"
        "                    saver otherwise draws on Wayland (WAYLAND_DISPLAY)\n"
        "  --help            this text\n"
        "  --version         the version and licence\n"
        "\n"
        "Files:\n"
        "  $XDG_CONFIG_HOME/velmora/user.reg   the stored settings (~/.config/velmora/user.reg),\n"
        "                                      made with velmora /c\n"
        "\n"
        "In ~/.xscreensaver, add to programs:   \"Velmora\"  velmora --root \\n\\\n";
    return text;
}
