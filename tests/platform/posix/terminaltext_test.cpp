// Text for a terminal follows the locale's encoding: Shift-JIS messages become UTF-8 under a
// UTF-8 locale, and stay readable ASCII with "?" for what an ASCII locale cannot show.
#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "platform/posix/codepage.h"

namespace {

// "'x' は整数ではありません" in Shift-JIS, then one byte that is no Shift-JIS character.
constexpr std::string_view kMessage =
    "'x' \x82\xCD\x90\xAE\x90\x94\x82\xC5\x82\xCD\x82\xA0\x82\xE8\x82\xDC\x82\xB9\x82\xF1";

class LocaleScope {
  public:
    explicit LocaleScope(const char* name) : Saved(std::setlocale(LC_CTYPE, nullptr)) {
        ok = std::setlocale(LC_CTYPE, name) != nullptr;
    }
    ~LocaleScope() { std::setlocale(LC_CTYPE, Saved.c_str()); }
    bool ok = false;

  private:
    std::string Saved;
};

TEST(TerminalText, FollowsTheLocalesEncoding) {
    {
        LocaleScope utf8("C.UTF-8");
        ASSERT_TRUE(utf8.ok);
        EXPECT_EQ(SjisToLocale(kMessage), "'x' は整数ではありません");
        // A byte that is no character is marked, not passed on raw.
        EXPECT_EQ(SjisToLocale("a\x82"), "a\xEF\xBF\xBD");
    }
    {
        LocaleScope ascii("C");
        ASSERT_TRUE(ascii.ok);
        const std::string text = SjisToLocale(kMessage);
        EXPECT_EQ(text.substr(0, 4), "'x' ");
        EXPECT_EQ(text.find_first_not_of("'x ?"), std::string::npos) << text;
        EXPECT_EQ(SjisToLocale("a\x82"), "a?");
    }
}

TEST(TerminalText, ControlsFromAFileAreShownEscapedNotObeyed) {
    LocaleScope utf8("C.UTF-8");
    ASSERT_TRUE(utf8.ok);
    // An OSC that sets the title, a screen clear, a tab, a DEL and a Shift-JIS "日".
    EXPECT_EQ(SjisForTerminal("\x1B]0;title\x07\x1B[2J\ta\x7F\x93\xFA"),
              "\\e]0;title\\a\\e[2J\\ta\\x7f日");
    EXPECT_EQ(SjisForTerminal("plain text"), "plain text");
    // A C1 control after conversion (CSI as U+009B) is escaped too.
    for (const std::string& text : {SjisForTerminal("\x80"), SjisForTerminal("\x9B")})
        EXPECT_EQ(text.find("\xC2\x9B"), std::string::npos) << text;
    {
        LocaleScope c("C");
        ASSERT_TRUE(c.ok);
        EXPECT_EQ(SjisForTerminal("\x1B[2J\x93\xFA"), "\\e[2J?");
    }
}

}  // namespace
