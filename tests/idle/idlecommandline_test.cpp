#include "idle/idlecommandline.h"

#include <gtest/gtest.h>

#include <vector>

#include "launcher/commandline.h"
#include "launcher/optiondocs.h"

namespace {

IdleCommandLine Parse(std::vector<std::string_view> args) {
    return ParseIdleCommandLine(args);
}

TEST(IdleCommandLine, TimeoutIsPassedOnAsTextInEitherForm) {
    EXPECT_EQ(Parse({}).Timeout, std::nullopt);
    EXPECT_EQ(Parse({"--timeout", "3"}).Timeout, "3");
    EXPECT_EQ(Parse({"--timeout=45"}).Timeout, "45");
    // A bad number is the watcher's to report, like a bad stored one.
    const auto bad = Parse({"--timeout", "soon"});
    EXPECT_EQ(bad.What, IdleCommandLine::Action::Run);
    EXPECT_EQ(bad.Timeout, "soon");
}

TEST(IdleCommandLine, MistakesAreErrorsAndHelpWins) {
    EXPECT_EQ(Parse({"--timeout"}).What, IdleCommandLine::Action::Error);
    EXPECT_EQ(Parse({"--speed", "20"}).What, IdleCommandLine::Action::Error)
        << "the saver's options are not the daemon's";
    EXPECT_EQ(Parse({"/s"}).What, IdleCommandLine::Action::Error);
    EXPECT_EQ(Parse({"--timeout", "3", "--help"}).What, IdleCommandLine::Action::Help);
    EXPECT_EQ(Parse({"--version"}).What, IdleCommandLine::Action::Version);
    EXPECT_EQ(Parse({"--help=1"}).What, IdleCommandLine::Action::Error);
}

TEST(IdleCommandLine, DashHIsHelpAsTheUsageSays) {
    EXPECT_EQ(Parse({"-h"}).What, IdleCommandLine::Action::Help);
    EXPECT_EQ(Parse({"--timeout=5", "-h"}).What, IdleCommandLine::Action::Help);
    EXPECT_NE(IdleUsageText().find("-h, --help"), std::string::npos);
    // Only the short spelling and the long one.
    EXPECT_EQ(Parse({"-help"}).What, IdleCommandLine::Action::Error);
    EXPECT_EQ(Parse({"--h"}).What, IdleCommandLine::Action::Error);
    EXPECT_EQ(Parse({"-v"}).What, IdleCommandLine::Action::Error);
}

TEST(IdleCommandLine, HelpAndManualNameTheOptionAndTheStoredValues) {
    const std::string help = IdleUsageText();
    for (const char* word : {"--timeout SECONDS", "1-599940", "ScreenSaveTimeOut (default 600)",
                             "ScreenSaveActive (default 1)", "Control Panel\\Desktop"})
        EXPECT_NE(help.find(word), std::string::npos) << word;
    EXPECT_NE(ManualOptions(IdleOptionRows()).find("\\-\\-timeout"), std::string::npos);
}

// The desktop's values are velmora-idle's alone: the saver's options, --help and velmora.xml
// do not offer them.
TEST(IdleCommandLine, TheSaversDocumentsDoNotOfferTheDesktopValues) {
    for (const auto& o : CommandLineOptions()) EXPECT_NE(o.Name, "timeout");
    for (const std::string& text :
         {UsageText(), XScreenSaverConfig(), ManualOptions(ManualOptionRows())}) {
        EXPECT_EQ(text.find("timeout"), std::string::npos);
        EXPECT_EQ(text.find("ScreenSaveTimeOut"), std::string::npos);
        EXPECT_EQ(text.find("ScreenSaveActive"), std::string::npos);
    }
    const std::string_view args[] = {"/s", "--timeout", "3"};
    EXPECT_EQ(ParseCommandLine(args, "").What, CommandLine::Action::Error);
}

}  // namespace
