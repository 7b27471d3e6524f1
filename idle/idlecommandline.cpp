#include "idle/idlecommandline.h"

#include <algorithm>

#include "idle/idlesettings.h"

namespace {

const IdleSetting* SettingForOption(std::string_view option) {
    for (const auto& setting : IdleSettingTable)
        if (!setting.Option.empty() && setting.Option == option) return &setting;
    return nullptr;
}

std::string Range(const IdleSetting& setting) {
    return std::to_string(setting.Min) + "-" + std::to_string(setting.Max);
}

}  // namespace

IdleCommandLine ParseIdleCommandLine(std::span<const std::string_view> args) {
    IdleCommandLine line;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string_view arg = args[i];
        if (arg == "--help" || arg == "-h" || arg == "--version") {
            IdleCommandLine answer;
            answer.What = arg == "--version" ? IdleCommandLine::Action::Version
                                             : IdleCommandLine::Action::Help;
            return answer;
        }
        if (!arg.starts_with("--")) {
            line.What = IdleCommandLine::Action::Error;
            line.Problem = "unexpected argument \"" + std::string(arg) + "\"";
            return line;
        }
        arg.remove_prefix(2);
        std::optional<std::string_view> value;
        if (const auto eq = arg.find('='); eq != std::string_view::npos) {
            value = arg.substr(eq + 1);
            arg = arg.substr(0, eq);
        }
        const IdleSetting* setting = SettingForOption(arg);
        if (setting == nullptr) {
            line.What = IdleCommandLine::Action::Error;
            line.Problem = "unknown option --" + std::string(arg);
            return line;
        }
        if (!value) {
            if (i + 1 == args.size()) {
                line.What = IdleCommandLine::Action::Error;
                line.Problem = "--" + std::string(arg) + " needs a value";
                return line;
            }
            value = args[++i];
        }
        line.Timeout = std::string(*value);
    }
    return line;
}

std::string IdleUsageText() {
    std::string text =
        "Usage: velmora-idle [OPTION]...\n"
        "Starts the screen saver \"velmora /s\" once the desktop has had no input for the idle\n"
        "time, and watches again after it has ended. Video players and the session can hold it\n"
        "off. Runs until it is terminated.\n\nOptions:\n";
    for (const auto& setting : IdleSettingTable) {
        if (setting.Option.empty()) continue;
        std::string name = "  --" + std::string(setting.Option) + " SECONDS";
        name.resize(std::max<std::size_t>(name.size() + 2, 26), ' ');
        text += name + std::string(setting.Description) + ", " + Range(setting) + "\n" +
                std::string(26, ' ') + "(instead of the stored " + std::string(setting.Name) +
                ")\n";
    }
    text +=
        "  --help                  this text\n"
        "  --version               the version and licence\n\n"
        "Stored settings (read again when the file changes):\n";
    for (const auto& setting : IdleSettingTable)
        text += "  " + std::string(setting.Name) + " (default " +
                std::string(setting.DefaultText) + "): " + std::string(setting.Description) + "\n";
    text +=
        "in [HKEY_CURRENT_USER\\Control Panel\\Desktop] of $XDG_CONFIG_HOME/velmora/user.reg.\n";
    return text;
}

std::string IdleManualOptions() {
    std::string text;
    for (const auto& setting : IdleSettingTable) {
        if (setting.Option.empty()) continue;
        text += ".TP\n.BI \"\\-\\-" + std::string(setting.Option) + " \" " +
                std::to_string(setting.Min) + "\\(en" + std::to_string(setting.Max) + "\n" +
                std::string(setting.Description) + ", instead of the stored " +
                std::string(setting.Name) + ".\n";
    }
    return text;
}

std::string FillIdleManualPage(std::string_view page, std::string_view version) {
    std::string text(page);
    const auto replace = [&text](std::string_view from, const std::string& to) {
        for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
            text.replace(at, from.size(), to);
    };
    replace("@OPTIONS@\n", IdleManualOptions());
    replace("@VERSION@", std::string(version));
    return text;
}
