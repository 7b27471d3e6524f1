// The documents made from the options: every control of velmora.xml passes arguments the command
// line accepts and that set the setting they name, and the manual page lists every option.
#include "launcher/optiondocs.h"

#include <gtest/gtest.h>

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

// The value of the first attribute `name` at or after `at`.
std::string Attribute(const std::string& xml, std::size_t at, const std::string& name) {
    const std::string key = " " + name + "=\"";
    const auto start = xml.find(key, at == 0 ? 0 : at - 1);
    if (start == std::string::npos) return {};
    const auto from = start + key.size();
    return xml.substr(from, xml.find('"', from) - from);
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
    for (std::size_t at = xml.find("arg-set=\""); at != std::string::npos;
         at = xml.find("arg-set=\"", at + 1), ++controls) {
        const std::string args = Attribute(xml, at, "arg-set");
        const auto line = AsHack(args);
        EXPECT_EQ(line.What, CommandLine::Action::Launch) << args << ": " << line.Problem;
        EXPECT_EQ(line.Target, SaverTarget::Root);
        EXPECT_EQ(line.Overrides.size(), 1u) << args;
    }
    // Sliders: "%" at both ends and at the default.
    for (std::size_t at = xml.find("<number"); at != std::string::npos;
         at = xml.find("<number", at + 1), ++controls) {
        std::string arg = Attribute(xml, at, "arg");
        ASSERT_TRUE(arg.ends_with(" %")) << arg;
        arg.resize(arg.size() - 2);
        for (const char* value : {"low", "high", "default"}) {
            const std::string number = Attribute(xml, at, value);
            const auto line = AsHack(arg + " " + number);
            EXPECT_EQ(line.What, CommandLine::Action::Launch) << line.Problem;
            ASSERT_EQ(line.Overrides.size(), 1u);
            EXPECT_EQ(line.Overrides[0].Text, number);
        }
    }
    // One control per option, each an option the command line knows: 1 slider, 4 menu values
    // of relief, 3 switches.
    int expected = 0;
    for (const auto& o : SettingOptionRows())
        expected += !o.TakesValue() ? 1 : (o.High - o.Low < 4 ? o.High - o.Low + 1 : 1);
    EXPECT_EQ(controls, expected);
}

TEST(OptionDocs, ManualPageListsEveryOptionWithItsRangeAndKeepsTheRest) {
    const std::string page = FillManualPage(
        ".TH VELMORA 6 \"2026\" \"Velmora @VERSION@\"\n.SH OPTIONS\n@OPTIONS@\n.SH FILES\n", "1.02",
        ManualOptionRows());
    EXPECT_NE(page.find("Velmora 1.02"), std::string::npos);
    EXPECT_EQ(page.find('@'), std::string::npos);
    EXPECT_NE(page.find(".SH FILES"), std::string::npos);
    for (const auto& o : ManualOptionRows()) {
        std::string name = "\\-\\-";
        for (char c : o.Name) name += c == '-' ? std::string("\\-") : std::string(1, c);
        EXPECT_NE(page.find(name), std::string::npos) << o.Name;
        if (o.Ranged()) {
            EXPECT_NE(page.find(std::to_string(o.Low) + "\\(en" + std::to_string(o.High)),
                      std::string::npos);
        }
    }
}

}  // namespace
