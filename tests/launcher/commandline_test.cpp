// The Unix command line: XScreenSaver's hack options and their order of precedence, the classic
// options it passes that mean nothing here, settings for one run, and what is refused.
#include "launcher/commandline.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

namespace {

CommandLine Parse(std::initializer_list<std::string_view> args, std::string_view environment = {}) {
    const std::vector<std::string_view> v(args);
    return ParseCommandLine(v, environment);
}

using Action = CommandLine::Action;

TEST(CommandLine, HackOptionsInBothSpellingsChooseTheWindowInXScreenSaversOrder) {
    // The daemon: --root, the window in the environment (hex).
    auto line = Parse({"--root"}, "0x40000F");
    EXPECT_EQ(line.What, Action::Launch);
    EXPECT_EQ(line.Target, SaverTarget::Root);
    EXPECT_EQ(line.Window, 0x40000Fu);
    // Old configurations: -root; no window named: the root window (0 here).
    line = Parse({"-root"});
    EXPECT_EQ(line.Target, SaverTarget::Root);
    EXPECT_EQ(line.Window, 0u);
    // A window name that is no number counts as none.
    EXPECT_EQ(Parse({"-root"}, "garbage").Window, 0u);
    // The settings program's preview passes both; the numbered window wins.
    line = Parse({"--root", "--window-id", "0x40001B"}, "0x40001B");
    EXPECT_EQ(line.Target, SaverTarget::WindowId);
    EXPECT_EQ(line.Window, 0x40001Bu);
    line = Parse({"-window-id", "4194331"});
    EXPECT_EQ(line.Target, SaverTarget::WindowId);
    EXPECT_EQ(line.Window, 4194331u);
    EXPECT_EQ(Parse({"--window-id=0x1f"}).Window, 0x1Fu);
    // Hex after an upper-case X too, on the command line and in the environment.
    EXPECT_EQ(Parse({"-window-id", "0X40001B"}).Window, 0x40001Bu);
    EXPECT_EQ(Parse({"-root"}, "0X40000F").Window, 0x40000Fu);
    EXPECT_EQ(Parse({"--window"}).Target, SaverTarget::OwnWindow);
    EXPECT_EQ(Parse({"-window", "-root"}).Target, SaverTarget::Root);
    EXPECT_TRUE(Parse({"--root"}).Positional.empty());
}

TEST(CommandLine, X11IsAskedForWithoutChangingTheMode) {
    auto line = Parse({"/s", "--x11", "--speed", "20"});
    EXPECT_EQ(line.What, Action::Launch);
    EXPECT_TRUE(line.ForceX11);
    EXPECT_EQ(line.Positional, (std::vector<std::string>{"/s"}));
    ASSERT_EQ(line.Overrides.size(), 1u);
    EXPECT_FALSE(Parse({"/s"}).ForceX11);
    // Only the long spelling: XScreenSaver never passes it.
    EXPECT_EQ(Parse({"-x11"}).Positional, (std::vector<std::string>{"-x11"}));
    EXPECT_EQ(Parse({"--x11=1"}).What, Action::Error);
    EXPECT_NE(UsageText().find("--x11"), std::string::npos);
}

TEST(CommandLine, ClassicHackOptionsAreIgnoredWithTheirValues) {
    const auto line =
        Parse({"-root", "-install", "-visual", "TrueColor", "-mono", "--ncolors", "64"});
    EXPECT_EQ(line.What, Action::Launch);
    EXPECT_EQ(line.Target, SaverTarget::Root);
    EXPECT_TRUE(line.Positional.empty());
    EXPECT_TRUE(line.Overrides.empty());
}

TEST(CommandLine, ClassicModeArgumentsPassThroughForTheLaunchersDispatch) {
    for (auto args : {std::vector<std::string_view>{"/s"},
                      {"-s"},
                      {"s"},
                      {"/c:1234"},
                      {"-c"},
                      {"/p", "1234"},
                      {"/a", "77"},
                      {"-x"},
                      {"-rootless"},
                      {}}) {
        const auto line = ParseCommandLine(args, "0x40000F");
        EXPECT_EQ(line.What, Action::Launch);
        EXPECT_EQ(line.Target, SaverTarget::Classic);
        EXPECT_EQ(line.Positional, std::vector<std::string>(args.begin(), args.end()));
    }
}

TEST(CommandLine, SettingOptionsBecomeStoredTextsInTheOrderGiven) {
    const auto line = Parse({"/s", "--speed", "15", "--relief=0", "--star-scroll", "--comet",
                             "--see-through", "--speed", "50"});
    EXPECT_EQ(line.What, Action::Launch);
    EXPECT_EQ(line.Positional, std::vector<std::string>{"/s"});
    EXPECT_EQ(line.Overrides, (std::vector<SettingOverride>{{"Speed", "15"},
                                                            {"UpDown", "0"},
                                                            {"StarScroll", "1"},
                                                            {"Comet", "1"},
                                                            {"Trans", "1"},
                                                            {"Speed", "50"}}));
    EXPECT_EQ(Parse({"--root", "--relief", "3"}).Overrides,
              (std::vector<SettingOverride>{{"UpDown", "3"}}));
}

TEST(CommandLine, BadOptionsAndValuesAreRefusedWithWhatIsWrong) {
    const struct {
        std::vector<std::string_view> Args;
        std::string_view Mentions;
    } cases[] = {
        {{"--bogus"}, "'--bogus'"},
        {{"/s", "--fullscreen"}, "'--fullscreen'"},
        {{"--"}, "'--'"},
        {{"--speed", "14"}, "from 15 to 50, not '14'"},
        {{"--speed", "51"}, "'51'"},
        {{"--speed", "2x"}, "'2x'"},
        {{"--speed"}, "needs a value"},
        {{"--relief", "4"}, "from 0 to 3"},
        {{"--relief", "-1"}, "'-1'"},
        {{"--comet=1"}, "takes no value"},
        {{"--window-id"}, "needs a window number"},
        {{"--window-id", "0"}, "not '0'"},
        {{"--window-id", "0x"}, "not '0x'"},
        {{"--window-id", "4294967296"}, "not '4294967296'"},
        {{"/s", "--root"}, "'/s' cannot be combined"},
        {{"--bogus", "--help"}, "'--bogus'"},
    };
    for (const auto& c : cases) {
        const auto line = ParseCommandLine(c.Args, {});
        EXPECT_EQ(line.What, Action::Error) << c.Args.front();
        EXPECT_NE(line.Problem.find(c.Mentions), std::string::npos) << line.Problem;
    }
}

TEST(CommandLine, HelpAndVersionWinWhereverTheyStand) {
    EXPECT_EQ(Parse({"--help"}).What, Action::Help);
    EXPECT_EQ(Parse({"/s", "--speed", "20", "--help"}).What, Action::Help);
    EXPECT_EQ(Parse({"--version"}).What, Action::Version);
    // Single-dash words are the classic modes: -help runs the saver, as /h would.
    EXPECT_EQ(Parse({"-help"}).What, Action::Launch);
}

TEST(CommandLine, UsageFitsATerminalOfEightyColumns) {
    const std::string usage = UsageText();
    for (std::size_t at = 0, end; at < usage.size(); at = end + 1) {
        end = usage.find('\n', at);
        EXPECT_LE(end - at, 79u) << usage.substr(at, end - at);
    }
}

TEST(CommandLine, UsageNamesEveryOptionTheParserAccepts) {
    const std::string usage = UsageText();
    for (std::string_view option : {"--root", "--window-id", "--window", "-install", "-visual",
                                    "-mono", "-ncolors", "--speed", "--relief", "--star-scroll",
                                    "--comet", "--see-through", "--help", "--version"}) {
        EXPECT_NE(usage.find(option), std::string::npos) << option;
        const auto line = Parse({option, "20"});
        EXPECT_EQ(line.Problem.find("unknown"), std::string::npos) << line.Problem;
    }
}

}  // namespace
