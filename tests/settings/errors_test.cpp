// The application's standard error report.
#include "settings/errors.h"

#include <gtest/gtest.h>

#include "platform/messagebox.h"

namespace {

struct RecordingBox : MessageBoxService {
    std::string Text, Caption;
    MessageIcon Icon = MessageIcon::None;
    int Shown = 0;
    void Show(std::string_view text, std::string_view caption, MessageIcon icon) override {
        Text = text;
        Caption = caption;
        Icon = icon;
        ++Shown;
    }
};

TEST(StandardErrorText, AppendsAFullStopUnlessTheLastCharacterIsOneOrSortsBeforeIt) {
    EXPECT_EQ(StandardErrorText("abc"), "abc.");
    EXPECT_EQ(StandardErrorText("abc."), "abc.");
    EXPECT_EQ(StandardErrorText("abc!"), "abc!");  // '!' sorts before '.'
    EXPECT_EQ(StandardErrorText("abc-"), "abc-");
    EXPECT_EQ(StandardErrorText("abc/"), "abc/.");  // '/' sorts after '.'
    EXPECT_EQ(StandardErrorText("abc "), "abc ");
    EXPECT_EQ(StandardErrorText(""), "");
}

TEST(StandardErrorText, TreatsShiftJisCharactersAsSortingAfterTheFullStop) {
    // "ん" (82 F1) and the half-width "ﾃ" (C3)
    EXPECT_EQ(StandardErrorText("\x82\xF1"), "\x82\xF1.");
    EXPECT_EQ(StandardErrorText("\xC3"), "\xC3.");
}

TEST(FormatMessage1, ReplacesTheOnePlaceholderOnly) {
    EXPECT_EQ(FormatMessage1("'%s' x", "a%sb"), "'a%sb' x");
    EXPECT_EQ(FormatMessage1("no placeholder", "a"), "no placeholder");
}

TEST(ReportError, ShowsTheMessageWithCaptionVelmoraAndTheStopIcon) {
    RecordingBox box;
    ReportError(box, ConvertError("'red' bad"));
    EXPECT_EQ(box.Shown, 1);
    EXPECT_EQ(box.Text, "'red' bad.");
    EXPECT_EQ(box.Caption, "Velmora");
    EXPECT_EQ(box.Icon, MessageIcon::Stop);
}

}  // namespace
