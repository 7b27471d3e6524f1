// The documents made from the options: every control of velmora.xml passes arguments the command
// line accepts and that set the setting they name, and the manual page lists every option.
#include "launcher/optiondocs.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "launcher/commandline.h"

namespace {

std::vector<std::string> Words(const std::string& text) {
    std::vector<std::string> words;
    std::size_t at = 0;
    while (at < text.size()) {
        const auto end = text.find(' ', at);
        if (end != at) words.push_back(text.substr(at, end - at));
        if (end == std::string::npos) break;
        at = end + 1;
    }
    return words;
}

// Runs `--root` and the words of `arguments`, as XScreenSaver would.
CommandLine AsHack(const std::string& arguments) {
    std::vector<std::string> words = Words(arguments);
    std::vector<std::string_view> args{"--root"};
    for (const auto& w : words) args.emplace_back(w);
    return ParseCommandLine(args, "0x40000F");
}

TEST(OptionDocs, EveryXScreenSaverControlPassesWhatTheCommandLineTakes) {
    const std::string xml = XScreenSaverConfig();
    EXPECT_NE(xml.find("<command arg=\"--root\"/>"), std::string::npos);
    int controls = 0;
    // Booleans and menu entries: their arg-set as it stands.
    const std::regex set("arg-set=\"([^\"]*)\"");
    for (std::sregex_iterator i(xml.begin(), xml.end(), set), e; i != e; ++i, ++controls) {
        const auto line = AsHack((*i)[1]);
        EXPECT_EQ(line.What, CommandLine::Action::Launch) << (*i)[1] << ": " << line.Problem;
        EXPECT_EQ(line.Target, SaverTarget::Root);
        EXPECT_EQ(line.Overrides.size(), 1u) << (*i)[1];
    }
    // Sliders: "%" at both ends and at the default.
    const std::regex number(
        "arg=\"([^\"]*) %\"[^/]*low=\"(-?[0-9]+)\" high=\"(-?[0-9]+)\" default=\"(-?[0-9]+)\"");
    for (std::sregex_iterator i(xml.begin(), xml.end(), number), e; i != e; ++i, ++controls) {
        for (int k = 2; k <= 4; ++k) {
            const auto line = AsHack((*i)[1].str() + " " + (*i)[k].str());
            EXPECT_EQ(line.What, CommandLine::Action::Launch) << line.Problem;
            ASSERT_EQ(line.Overrides.size(), 1u);
            EXPECT_EQ(line.Overrides[0].Text, (*i)[k].str());
        }
    }
    // One control per option, each an option the command line knows: 1 slider, 4 menu values
    // of relief, 3 switches.
    int expected = 0;
    for (const auto& o : SettingOptions())
        expected += o.Flag ? 1 : (o.High - o.Low < 4 ? o.High - o.Low + 1 : 1);
    EXPECT_EQ(controls, expected);
}

TEST(OptionDocs, ManualPageListsEveryOptionWithItsRangeAndKeepsTheRest) {
    const std::string page = FillManualPage(
        ".TH VELMORA 6 \"2026\" \"Velmora @VERSION@\"\n.SH OPTIONS\n@OPTIONS@\n.SH FILES\n",
        "1.02");
    EXPECT_NE(page.find("Velmora 1.02"), std::string::npos);
    EXPECT_EQ(page.find('@'), std::string::npos);
    EXPECT_NE(page.find(".SH FILES"), std::string::npos);
    for (const auto& o : SettingOptions()) {
        std::string name = "\\-\\-";
        for (char c : o.Option) name += c == '-' ? std::string("\\-") : std::string(1, c);
        EXPECT_NE(page.find(name), std::string::npos) << o.Option;
        if (!o.Flag) {
            EXPECT_NE(page.find(std::to_string(o.Low) + "\\(en" + std::to_string(o.High)),
                      std::string::npos);
        }
    }
}

}  // namespace
