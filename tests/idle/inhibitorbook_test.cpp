#include "idle/inhibitorbook.h"

#include <gtest/gtest.h>

#include <set>

namespace {

TEST(InhibitorBook, EachCookieLiftsOnlyItsOwnAndOnlyForItsOwner) {
    InhibitorBook book;
    EXPECT_FALSE(book.Inhibited());
    const auto player = book.Add(":1.5", "mpv", "video");
    const auto browser = book.Add(":1.9", "firefox", "video");
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
    const auto other = book.Add(":1.6", "vlc", "c");
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
    const auto cookie = book.Add(":1.5", "mpv", "video");
    book.SetSessionInhibited(false);
    EXPECT_TRUE(book.Inhibited());
    book.Remove(cookie, ":1.5");
    EXPECT_FALSE(book.Inhibited());
}

TEST(InhibitorBook, CookiesStayUniqueAcrossManyInhibits) {
    InhibitorBook book;
    std::set<std::uint32_t> held;
    for (int i = 0; i < 1000; ++i) {
        const auto cookie = book.Add(":1.1", "app", "r");
        EXPECT_TRUE(held.insert(cookie).second);
        if (i % 3 == 0) {
            book.Remove(cookie, ":1.1");
            held.erase(cookie);
        }
    }
    EXPECT_EQ(book.Count(), held.size());
}

}  // namespace
