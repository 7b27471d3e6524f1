// The text forms of the settings: the integer rule, the "0x" rule and the colour vocabulary.
#include "settings/convert.h"

#include <gtest/gtest.h>

#include <set>

#include "settings/errors.h"
#include "tests/settings/messages.h"

namespace {

std::string MessageOf(std::string_view text) {
    try {
        ColorFromText(text);
    } catch (const ConvertError& e) {
        return e.what();
    }
    return "(no error)";
}

TEST(TextToInt, AcceptsDecimalWithOptionalSignAndLeadingSpaces) {
    EXPECT_EQ(TextToInt("30"), 30);
    EXPECT_EQ(TextToInt("-1"), -1);
    EXPECT_EQ(TextToInt("+15"), 15);
    EXPECT_EQ(TextToInt("-0"), 0);
    EXPECT_EQ(TextToInt("   30"), 30);
    EXPECT_EQ(TextToInt("000000000000000000030"), 30);
}

TEST(TextToInt, RejectsTrailingCharactersOtherSpaceKindsAndEmptyTexts) {
    for (std::string_view bad : {"", " ", "30 ", "\t30", "3 0", "abc", "1e3", "30x", "+", "-",
                                 "--1", "+-1", "0x1E", "1.0"})
        EXPECT_EQ(TextToInt(bad), std::nullopt) << "'" << bad << "'";
}

TEST(TextToInt, DecimalRangeIsExactlyThirtyTwoBitsSigned) {
    EXPECT_EQ(TextToInt("2147483647"), 2147483647);
    EXPECT_EQ(TextToInt("-2147483648"), INT32_MIN);
    EXPECT_EQ(TextToInt("2147483648"), std::nullopt);
    EXPECT_EQ(TextToInt("-2147483649"), std::nullopt);
    EXPECT_EQ(TextToInt("+2147483648"), std::nullopt);
    EXPECT_EQ(TextToInt("99999999999999999999999999"), std::nullopt);
}

TEST(TextToInt, HexTakesUpToEightSignificantDigitsAsASignedPattern) {
    EXPECT_EQ(TextToInt("$FF"), 255);
    EXPECT_EQ(TextToInt("$ff"), 255);
    EXPECT_EQ(TextToInt("$80000016"), -2147483626);
    EXPECT_EQ(TextToInt("$FFFFFFFF"), -1);
    EXPECT_EQ(TextToInt("$0000000000001E"), 30);  // leading zeros do not count
    EXPECT_EQ(TextToInt(" $1E"), 30);
    EXPECT_EQ(TextToInt("$100000000"), std::nullopt);
    EXPECT_EQ(TextToInt("$"), std::nullopt);
    EXPECT_EQ(TextToInt("-$1"), std::nullopt);
    EXPECT_EQ(TextToInt("+$1"), std::nullopt);
    EXPECT_EQ(TextToInt("$G"), std::nullopt);
    EXPECT_EQ(TextToInt("$1 "), std::nullopt);
}

TEST(StoredTextToInt, ReadsZeroXPrefixAsHexOnlyWhenLongerThanTwoCharacters) {
    EXPECT_EQ(StoredTextToInt("0x1E"), 30);
    EXPECT_EQ(StoredTextToInt("0X1e"), 30);
    EXPECT_EQ(StoredTextToInt("0xFFFFFFFF"), -1);
    EXPECT_EQ(StoredTextToInt("0x"), std::nullopt);
    EXPECT_EQ(StoredTextToInt("0x-1"), std::nullopt);
    EXPECT_EQ(StoredTextToInt(" 0x1E"), std::nullopt);  // the rule looks at the first character
    EXPECT_EQ(StoredTextToInt("00x1"), std::nullopt);
    EXPECT_EQ(StoredTextToInt("099"), 99);
    EXPECT_EQ(StoredTextToInt("$1E"), 30);
}

TEST(ColorNames, HoldsFortyTwoDistinctValuesInTableOrder) {
    std::set<ColorValue> values;
    for (const auto& entry : ColorNames) values.insert(entry.Value);
    EXPECT_EQ(values.size(), 42u);
    EXPECT_EQ(ColorNames[0].Name, "clBlack");
    EXPECT_EQ(ColorNames[9].Name, "clRed");
    EXPECT_EQ(ColorNames[9].Value, 0x0000FF);
    EXPECT_EQ(ColorNames[16].Name, "clScrollBar");
    EXPECT_EQ(ColorNames[16].Value, static_cast<ColorValue>(0x80000000u));
    EXPECT_EQ(ColorNames[38].Name, "cl3DLight");
    EXPECT_EQ(ColorNames[38].Value, static_cast<ColorValue>(0x80000016u));
    EXPECT_EQ(ColorNames[40].Name, "clInfoBk");
    EXPECT_EQ(ColorNames[40].Value, static_cast<ColorValue>(0x80000018u));
    EXPECT_EQ(ColorNames[41].Name, "clNone");
    EXPECT_EQ(ColorNames[41].Value, 0x1FFFFFFF);
    for (int i = 16; i <= 40; ++i)
        EXPECT_EQ(static_cast<std::uint32_t>(ColorNames[i].Value), 0x80000000u + (i - 16)) << i;
}

TEST(ColorFromText, MatchesWholeNamesWithoutRegardToCase) {
    EXPECT_EQ(ColorFromText("clred"), 0x0000FF);
    EXPECT_EQ(ColorFromText("CLRED"), 0x0000FF);
    EXPECT_EQ(ColorFromText("clRed"), 0x0000FF);
    EXPECT_EQ(ColorFromText("CL3DLIGHT"), static_cast<ColorValue>(0x80000016u));
    EXPECT_EQ(ColorFromText("cltEAL"), 0x808000);
    for (const auto& entry : ColorNames) EXPECT_EQ(ColorFromText(entry.Name), entry.Value);
}

TEST(ColorFromText, FallsBackToTheIntegerRuleWithoutTheZeroXRule) {
    EXPECT_EQ(ColorFromText("255"), 0x0000FF);
    EXPECT_EQ(ColorFromText("$FF"), 0x0000FF);
    EXPECT_EQ(ColorFromText("16711680"), 0xFF0000);
    EXPECT_EQ(ColorFromText("$0001FEFF"), 0x0001FEFF);
    EXPECT_EQ(ColorFromText("$1FFFFFFF"), 0x1FFFFFFF);
    EXPECT_EQ(ColorFromText(" 255"), 255);
    EXPECT_THROW(ColorFromText("0xFF"), ConvertError);
}

TEST(ColorFromText, RaisesConvertErrorNamingTheText) {
    for (std::string_view text : {"red", "", "clRed ", " clRed", "clRedd"})
        EXPECT_EQ(MessageOf(text), NotAnInteger(text));
}

TEST(ColorToText, WritesTheFirstMatchingNameAsTheTableSpellsIt) {
    EXPECT_EQ(ColorToText(0x0000FF), "clRed");
    EXPECT_EQ(ColorToText(0xFF0000), "clBlue");
    EXPECT_EQ(ColorToText(static_cast<ColorValue>(0x80000016u)), "cl3DLight");
    EXPECT_EQ(ColorToText(0x1FFFFFFF), "clNone");
    EXPECT_EQ(ColorToText(0), "clBlack");
}

TEST(ColorToText, WritesUnnamedColoursAsDollarAndEightUpperCaseDigits) {
    EXPECT_EQ(ColorToText(0x0001FEFF), "$0001FEFF");
    EXPECT_EQ(ColorToText(0x0001807F), "$0001807F");
    EXPECT_EQ(ColorToText(0x0000009B), "$0000009B");
    EXPECT_EQ(ColorToText(0x000100FF), "$000100FF");
    EXPECT_EQ(ColorToText(static_cast<ColorValue>(0x80000030u)), "$80000030");
    EXPECT_EQ(ColorToText(-1), "$FFFFFFFF");
    EXPECT_EQ(ColorToText(0xABCDEF), "$00ABCDEF");
}

TEST(ColorToText, EveryColourReadsBackAsItself) {
    for (ColorValue c :
         {0, 1, 0xFF, 0x0001FEFF, 0x7FFFFFFF, INT32_MIN, -1, 0x1FFFFFFF,
          static_cast<ColorValue>(0x80000016u), static_cast<ColorValue>(0x80000019u)})
        EXPECT_EQ(ColorFromText(ColorToText(c)), c) << c;
}

}  // namespace
