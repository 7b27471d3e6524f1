#include "idle/idlecommandline.h"

#include <array>

#include "idle/idlesettings.h"
#include "launcher/optiondocs.h"

namespace {

constexpr OptionRow kProgramOptions[] = {
    {.Name = "help", .Alias = "-h", .Help = "this text", .Manual = "Prints the usage and exits."},
    {.Name = "version",
     .Help = "the version and licence",
     .Manual = "Prints the version and the licence and exits."},
};

constexpr std::size_t CountSettingOptions() {
    std::size_t n = 0;
    for (const auto& setting : IdleSettingTable) n += setting.Option.empty() ? 0 : 1;
    return n;
}

constexpr auto kOptions = [] {
    std::array<OptionRow, CountSettingOptions() + std::size(kProgramOptions)> rows{};
    std::size_t n = 0;
    for (const auto& setting : IdleSettingTable) {
        if (setting.Option.empty()) continue;
        rows[n++] = {.Name = setting.Option,
                     .Value = "SECONDS",
                     .Low = setting.Min,
                     .High = setting.Max,
                     .Help = setting.Description,
                     .Stored = setting.Name};
    }
    for (const auto& row : kProgramOptions) rows[n++] = row;
    return rows;
}();

IdleCommandLine Failed(std::string problem) {
    IdleCommandLine line;
    line.What = IdleCommandLine::Action::Error;
    line.Problem = std::move(problem);
    return line;
}

}  // namespace

std::span<const OptionRow> IdleOptionRows() {
    return kOptions;
}

IdleCommandLine ParseIdleCommandLine(std::span<const std::string_view> args) {
    IdleCommandLine line;
    ArgumentReader reader(args, kOptions);
    while (!reader.AtEnd()) {
        const Argument arg = reader.Next();
        if (arg.What == Argument::Kind::Operand)
            return Failed("unexpected argument \"" + std::string(arg.Text) + "\"");
        if (arg.What == Argument::Kind::Unknown)
            return Failed("unknown option --" + std::string(arg.Name));
        const std::string option = "--" + std::string(arg.Row->Name);
        if (arg.Row->Name == "help" || arg.Row->Name == "version") {
            if (arg.Value) return Failed(option + " takes no value");
            IdleCommandLine answer;
            answer.What = arg.Row->Name == "version" ? IdleCommandLine::Action::Version
                                                     : IdleCommandLine::Action::Help;
            return answer;
        }
        if (!arg.Value) return Failed(option + " needs a value");
        line.Timeout = std::string(*arg.Value);
    }
    return line;
}

std::string IdleUsageText() {
    std::string text =
        "Usage: velmora-idle [OPTION]...\n"
        "Starts the screen saver \"velmora /s\" once the desktop has had no input for the idle\n"
        "time, and watches again after it has ended. Video players and the session can hold it\n"
        "off. Runs until it is terminated.\n\nOptions:\n" +
        OptionHelp(kOptions) + "\nStored settings (read again when the file changes):\n";
    for (const auto& setting : IdleSettingTable)
        text += "  " + std::string(setting.Name) + " (default " + std::string(setting.DefaultText) +
                "): " + std::string(setting.Description) + "\n";
    text +=
        "in [HKEY_CURRENT_USER\\Control Panel\\Desktop] of $XDG_CONFIG_HOME/velmora/user.reg.\n";
    return text;
}
