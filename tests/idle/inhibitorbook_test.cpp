#include "idle/inhibitorbook.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

TEST(InhibitorBook, EachCookieLiftsOnlyItsOwnAndOnlyForItsOwner) {
    InhibitorBook book;
    EXPECT_FALSE(book.Inhibited());
    const auto player = book.Add(":1.5", "mpv", "video").Cookie;
    const auto browser = book.Add(":1.9", "firefox", "video").Cookie;
    EXPECT_NE(player, 0u);
    EXPECT_NE(player, browser);
    EXPECT_FALSE(book.Remove(player, ":1.9")) << "another client's cookie";
    EXPECT_FALSE(book.Remove(12345, ":1.5"));
    EXPECT_TRUE(book.Remove(player, ":1.5"));
    EXPECT_FALSE(book.Remove(player, ":1.5")) << "twice";
    EXPECT_TRUE(book.Inhibited());
    EXPECT_TRUE(book.Remove(browser, ":1.9"));
    EXPECT_FALSE(book.Inhibited());
}

TEST(InhibitorBook, AClientLeavingTheBusLiftsAllOfItsOwn) {
    InhibitorBook book;
    book.Add(":1.5", "mpv", "a");
    book.Add(":1.5", "mpv", "b");
    const auto other = book.Add(":1.6", "vlc", "c").Cookie;
    EXPECT_EQ(book.OwnerGone(":1.5"), 2u);
    EXPECT_EQ(book.OwnerGone(":1.5"), 0u);
    EXPECT_EQ(book.Count(), 1u);
    EXPECT_TRUE(book.Remove(other, ":1.6"));
    EXPECT_FALSE(book.Inhibited());
}

TEST(InhibitorBook, SessionFlagInhibitsBesideTheCookies) {
    InhibitorBook book;
    book.SetSessionInhibited(true);
    EXPECT_TRUE(book.Inhibited());
    const auto cookie = book.Add(":1.5", "mpv", "video").Cookie;
    book.SetSessionInhibited(false);
    EXPECT_TRUE(book.Inhibited());
    book.Remove(cookie, ":1.5");
    EXPECT_FALSE(book.Inhibited());
}

TEST(InhibitorBook, DroppingTheCookiesKeepsTheSessionFlagAndFreesEveryClientsRoom) {
    InhibitorBook book({.PerClient = 2, .Total = 4, .TextBytes = 8});
    book.Add(":1.5", "mpv", "video");
    book.Add(":1.5", "mpv", "video");
    const auto other = book.Add(":1.6", "vlc", "film").Cookie;
    book.SetSessionInhibited(true);
    EXPECT_EQ(book.DropCookies(), 3u);
    EXPECT_EQ(book.Count(), 0u);
    EXPECT_EQ(book.TextBytes(), 0u);
    EXPECT_TRUE(book.Inhibited()) << "the session's flag is not a cookie";
    EXPECT_FALSE(book.Remove(other, ":1.6"));
    EXPECT_EQ(book.OwnerGone(":1.5"), 0u);
    // The client's bound counts from nothing again.
    EXPECT_NE(book.Add(":1.5", "mpv", "video").Cookie, 0u);
    EXPECT_NE(book.Add(":1.5", "mpv", "video").Cookie, 0u);
    book.SetSessionInhibited(false);
    EXPECT_TRUE(book.Inhibited());
}

TEST(InhibitorBook, CookiesStayUniqueAcrossManyInhibits) {
    // Limits wide enough for one client's thousand (the default bounds are tested below).
    InhibitorBook book(InhibitorBook::Limits{.PerClient = 1000, .Total = 1000, .TextBytes = 16});
    std::set<std::uint32_t> held;
    for (int i = 0; i < 1000; ++i) {
        const auto cookie = book.Add(":1.1", "app", "r").Cookie;
        EXPECT_TRUE(held.insert(cookie).second);
        if (i % 3 == 0) {
            book.Remove(cookie, ":1.1");
            held.erase(cookie);
        }
    }
    EXPECT_EQ(book.Count(), held.size());
}

TEST(InhibitorBook, HoldsBoundedEntriesPerClientAndInAllAndBoundedTexts) {
    InhibitorBook book(InhibitorBook::Limits{.PerClient = 3, .Total = 5, .TextBytes = 16});
    const std::string huge(1 << 20, 'x');
    for (int i = 0; i < 3; ++i) EXPECT_NE(book.Add(":1.5", huge, huge).Cookie, 0u);
    const auto refused = book.Add(":1.5", "mpv", "video");
    EXPECT_EQ(refused.Cookie, 0u);
    EXPECT_EQ(refused.Refused, InhibitorBook::Refusal::TooManyFromClient);
    EXPECT_LE(book.TextBytes(), 3u * 2 * 16) << "texts are stored cut to the limit";
    EXPECT_NE(book.Add(":1.6", "vlc", "a").Cookie, 0u);
    EXPECT_NE(book.Add(":1.7", "vlc", "b").Cookie, 0u);
    const auto full = book.Add(":1.8", "vlc", "c");
    EXPECT_EQ(full.Cookie, 0u);
    EXPECT_EQ(full.Refused, InhibitorBook::Refusal::TooManyInAll);
    EXPECT_EQ(book.Count(), 5u);
    // Room again once a client leaves.
    EXPECT_EQ(book.OwnerGone(":1.5"), 3u);
    EXPECT_NE(book.Add(":1.8", "vlc", "c").Cookie, 0u);
}

TEST(InhibitorBook, ACutTextKeepsWholeCharacters) {
    InhibitorBook book(InhibitorBook::Limits{.PerClient = 3, .Total = 5, .TextBytes = 4});
    // "ああ" is six bytes of UTF-8: cut to one whole character, not one and a third.
    book.Add(":1.5", "\xE3\x81\x82\xE3\x81\x82", "ab");
    EXPECT_EQ(book.TextBytes(), 3u + 2u);
}

TEST(InhibitorBook, ManyClientsLeavingTakeExactlyTheirOwnEntries) {
    InhibitorBook book(InhibitorBook::Limits{.PerClient = 100, .Total = 100000, .TextBytes = 64});
    for (int client = 0; client < 1000; ++client)
        for (int i = 0; i < 100; ++i)
            ASSERT_NE(book.Add(":1." + std::to_string(client), "app", "r").Cookie, 0u);
    // Each client's leaving lifts its hundred and nothing of the others'; how long it takes is
    // measured by velmora-bench-inhibitors, not here.
    for (int client = 0; client < 1000; ++client) {
        ASSERT_EQ(book.OwnerGone(":1." + std::to_string(client)), 100u);
        ASSERT_EQ(book.Count(), static_cast<std::size_t>(999 - client) * 100u);
    }
    EXPECT_FALSE(book.Inhibited());
}

}  // namespace
