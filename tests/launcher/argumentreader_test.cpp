// The reader the three programs share: how an argument is matched against the option rows and
// where an option's value comes from, the numbers it reads, and the documents made from rows.
#include "launcher/argumentreader.h"

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "launcher/optiondocs.h"

namespace {

constexpr OptionRow kRows[] = {
    {.Name = "root", .Alias = "-root", .Help = "draw into the root window"},
    {.Name = "speed", .Low = 15, .High = 50, .Help = "Frame period", .Stored = "Speed"},
    {.Name = "out",
     .Value = "FILE.png",
     .Help = "write the last frame",
     .Manual = "Writes the last frame as a\n.B PNG\nimage."},
    {.Name = "help", .Alias = "-h", .Help = "this text"},
    {.Name = "hidden", .Value = "X"},
};

std::vector<Argument> ReadAll(std::vector<std::string_view> args) {
    ArgumentReader reader(args, kRows);
    std::vector<Argument> read;
    while (!reader.AtEnd()) read.push_back(reader.Next());
    return read;
}

using Kind = Argument::Kind;

TEST(ArgumentReader, ValuesComeAfterAnEqualsSignOrAsTheNextArgument) {
    const auto read = ReadAll({"--speed=20", "--out", "a.png", "--speed", "--root", "--out"});
    ASSERT_EQ(read.size(), 4u);
    EXPECT_EQ(read[0].Row, &kRows[1]);
    EXPECT_EQ(read[0].Value, "20");
    EXPECT_EQ(read[1].Row, &kRows[2]);
    EXPECT_EQ(read[1].Value, "a.png");
    // The next argument is the value, whatever it looks like.
    EXPECT_EQ(read[2].Value, "--root");
    EXPECT_EQ(read[3].Row, &kRows[2]);
    EXPECT_EQ(read[3].Value, std::nullopt) << "the value is missing at the end";
    // An empty value after "=" is a value.
    EXPECT_EQ(ReadAll({"--out="})[0].Value, "");
}

TEST(ArgumentReader, SwitchesTakeNoValueUnlessWrittenWithEqualsSign) {
    const auto read = ReadAll({"--root", "/s", "--root=1", "-h"});
    ASSERT_EQ(read.size(), 4u);
    EXPECT_EQ(read[0].Value, std::nullopt);
    EXPECT_EQ(read[1].What, Kind::Operand) << "the argument after a switch is its own";
    EXPECT_EQ(read[2].Row, &kRows[0]);
    EXPECT_EQ(read[2].Value, "1");
    EXPECT_EQ(read[3].Row, &kRows[3]);
    EXPECT_EQ(read[3].Name, "help");
}

TEST(ArgumentReader, AliasesMatchOnlyAsWrittenAndEverythingElseIsUnknownOrAnOperand) {
    const auto read = ReadAll({"-root", "-speed", "--bogus=3", "--", "-", "/p", "--h", "root"});
    ASSERT_EQ(read.size(), 8u);
    EXPECT_EQ(read[0].What, Kind::Option);
    EXPECT_EQ(read[1].What, Kind::Operand) << "a long name has one dash only where it says so";
    EXPECT_EQ(read[2].What, Kind::Unknown);
    EXPECT_EQ(read[2].Name, "bogus");
    EXPECT_EQ(read[2].Text, "--bogus=3");
    EXPECT_EQ(read[3].What, Kind::Unknown);
    EXPECT_EQ(read[4].What, Kind::Operand);
    EXPECT_EQ(read[5].What, Kind::Operand);
    EXPECT_EQ(read[6].What, Kind::Unknown) << "an alias is not a long name";
    EXPECT_EQ(read[7].What, Kind::Operand);
}

TEST(NumberReading, WholeNumbersAreDecimalDigitsWithAtMostAMinusSign) {
    EXPECT_EQ(ReadWholeNumber("20"), 20);
    EXPECT_EQ(ReadWholeNumber("-1"), -1);
    EXPECT_EQ(ReadWholeNumber("020"), 20);
    EXPECT_EQ(ReadWholeNumber("4294967295"), 4294967295LL);
    for (std::string_view bad :
         {"", "+5", " 5", "5 ", "2x", "0x10", "1.5", "-", "--1", "99999999999999999999"})
        EXPECT_EQ(ReadWholeNumber(bad), std::nullopt) << "'" << bad << "'";
}

TEST(NumberReading, WindowNumbersAreDecimalOrHexAfterEitherCaseOfX) {
    EXPECT_EQ(ReadWindowNumber("4194331"), 4194331u);
    EXPECT_EQ(ReadWindowNumber("0x40001B"), 0x40001Bu);
    EXPECT_EQ(ReadWindowNumber("0X40001b"), 0x40001Bu);
    EXPECT_EQ(ReadWindowNumber("0xffffffff"), 0xFFFFFFFFu);
    for (std::string_view none : {"", "0", "0x", "0X", "x1f", "1f", "-5", "0x-5", "0x+5",
                                  "4294967296", "0x100000000", " 7", "$1f"})
        EXPECT_EQ(ReadWindowNumber(none), 0u) << "'" << none << "'";
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

TEST(OptionDocs, HelpListsEachRowWithItsSpellingsValueAndStoredSettingWithin80Columns) {
    const std::string help = OptionHelp(kRows);
    EXPECT_NE(help.find("  -root, --root         draw into the root window\n"), std::string::npos)
        << help;
    EXPECT_NE(help.find("  --speed 15-50         Frame period (instead of the stored Speed)\n"),
              std::string::npos)
        << help;
    EXPECT_NE(help.find("  --out FILE.png        write the last frame\n"), std::string::npos);
    EXPECT_NE(help.find("  -h, --help            this text\n"), std::string::npos);
    EXPECT_EQ(help.find("hidden"), std::string::npos) << "a row without help is not listed";

    // Long spellings put the help on a line of its own; long help is wrapped at spaces.
    constexpr OptionRow kLong[] = {
        {.Name = "window-id",
         .Alias = "-window-id",
         .Value = "WINDOW",
         .Help = "draw into the X window WINDOW, given in decimal or in hex after 0x, as the "
                 "settings program's preview asks for it"}};
    const auto lines = Lines(OptionHelp(kLong));
    ASSERT_GE(lines.size(), 3u) << OptionHelp(kLong);
    EXPECT_EQ(lines[0], "  -window-id, --window-id WINDOW");
    std::string joined;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        EXPECT_LE(lines[i].size(), 79u) << lines[i];
        EXPECT_EQ(lines[i].find_first_not_of(' '), 24u) << lines[i];
        EXPECT_NE(lines[i].back(), ' ') << lines[i];
        joined += (i > 1 ? " " : "") + lines[i].substr(24);
    }
    EXPECT_EQ(joined, kLong[0].Help) << "no word lost or split";
    // The spellings end before the help's column: the help starts on their line.
    EXPECT_EQ(Lines(OptionHelp(std::span(kRows).subspan(1, 1)))[0].substr(0, 24),
              "  --speed 15-50         ");
}

TEST(OptionDocs, ManualEntriesTakeTheRowsOwnTextOrMakeOneFromItsHelp) {
    const std::string manual = ManualOptions(kRows);
    EXPECT_NE(manual.find(".TP\n.B \"\\-root, \\-\\-root\"\ndraw into the root window.\n"),
              std::string::npos)
        << manual;
    EXPECT_NE(manual.find(".TP\n.BI \"\\-\\-speed \" 15\\(en50\nFrame period, "
                          "instead of the stored setting Speed.\n"),
              std::string::npos)
        << manual;
    EXPECT_NE(manual.find(".TP\n.BI \"\\-\\-out \" \"FILE.png\"\nWrites the last frame as a\n.B "
                          "PNG\nimage.\n"),
              std::string::npos)
        << manual;
    EXPECT_EQ(manual.find("hidden"), std::string::npos);
    EXPECT_EQ(FillManualPage("A @VERSION@ B @VERSION@\n@OPTIONS@\nEND\n", "1.2",
                             std::span(kRows).first(1)),
              "A 1.2 B 1.2\n.TP\n.B \"\\-root, \\-\\-root\"\ndraw into the root window.\nEND\n");
}

}  // namespace
