// The desktop's password options as the saver reads them: every value form, the grace period's
// bounds, and that reading them never writes.
#include "settings/returnlockoptions.h"

#include <gtest/gtest.h>

#include "tests/support/memoryregistry.h"

namespace {

constexpr std::string_view kDesktop = "Control Panel\\desktop";

std::vector<std::uint8_t> Dword(std::uint32_t value) {
    return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

class ReturnLockOptionsTest : public ::testing::Test {
  protected:
    ReturnLockOptions Read() { return ReadReturnLockOptions(reg); }
    MemoryRegistry reg;
};

TEST_F(ReturnLockOptionsTest, MissingKeyIsOffWithTheDefaultGraceAndCreatesNothing) {
    const ReturnLockOptions options = Read();
    EXPECT_FALSE(options.Secure);
    EXPECT_EQ(options.GraceSeconds, 5u);
    EXPECT_FALSE(reg.KeyExists(kDesktop));
    for (const auto& call : reg.Log()) EXPECT_EQ(call.rfind("CreateKey", 0), std::string::npos);
}

TEST_F(ReturnLockOptionsTest, ReadingLeavesTheKeyAsItWasAndClosesIt) {
    reg.PutText(kDesktop, "Wallpaper", "");
    const ReturnLockOptions options = Read();
    EXPECT_FALSE(options.Secure);
    EXPECT_EQ(reg.ValueNames(kDesktop), std::vector<std::string>{"Wallpaper"});
    for (const auto& call : reg.Log()) EXPECT_EQ(call.rfind("SetValue", 0), std::string::npos);
    EXPECT_EQ(reg.OpenHandles(), 0u);
}

TEST_F(ReturnLockOptionsTest, NtSecureFlagAsTextOne) {
    reg.PutText(kDesktop, "ScreenSaverIsSecure", "1");
    EXPECT_TRUE(Read().Secure);
    reg.PutText(kDesktop, "ScreenSaverIsSecure", "0");
    EXPECT_FALSE(Read().Secure);
}

TEST_F(ReturnLockOptionsTest, NinetyFivePasswordOptionAsAnyNonZeroNumber) {
    reg.Put(kDesktop, "ScreenSaveUsePassword", kRegDword, Dword(1));
    EXPECT_TRUE(Read().Secure);
    reg.Put(kDesktop, "ScreenSaveUsePassword", kRegDword, Dword(7));
    EXPECT_TRUE(Read().Secure);
    reg.Put(kDesktop, "ScreenSaveUsePassword", kRegDword, Dword(0));
    EXPECT_FALSE(Read().Secure);
    reg.PutText(kDesktop, "ScreenSaveUsePassword", "2");
    EXPECT_TRUE(Read().Secure);
}

TEST_F(ReturnLockOptionsTest, EitherOptionTurnsItOn) {
    reg.PutText(kDesktop, "ScreenSaverIsSecure", "0");
    reg.Put(kDesktop, "ScreenSaveUsePassword", kRegDword, Dword(1));
    EXPECT_TRUE(Read().Secure);
    reg.Put(kDesktop, "ScreenSaveUsePassword", kRegDword, Dword(0));
    reg.Put(kDesktop, "ScreenSaverIsSecure", kRegDword, Dword(1));
    EXPECT_TRUE(Read().Secure);
}

TEST_F(ReturnLockOptionsTest, GarbageReadsAsOff) {
    reg.PutText(kDesktop, "ScreenSaverIsSecure", "yes");
    reg.Put(kDesktop, "ScreenSaveUsePassword", kRegBinary, {1, 0, 0, 0});
    EXPECT_FALSE(Read().Secure);
    // A 32-bit value of the wrong size, and a text longer than any number.
    reg.Put(kDesktop, "ScreenSaverIsSecure", kRegDword, {1, 0});
    reg.PutText(kDesktop, "ScreenSaveUsePassword", std::string(200, '1'));
    EXPECT_FALSE(Read().Secure);
}

TEST_F(ReturnLockOptionsTest, GracePeriodAsTextOrNumber) {
    reg.PutText(kDesktop, "ScreenSaverGracePeriod", "12");
    EXPECT_EQ(Read().GraceSeconds, 12u);
    reg.Put(kDesktop, "ScreenSaverGracePeriod", kRegDword, Dword(0));
    EXPECT_EQ(Read().GraceSeconds, 0u);
    reg.Put(kDesktop, "ScreenSaverGracePeriod", kRegDword, Dword(30));
    EXPECT_EQ(Read().GraceSeconds, 30u);
}

TEST_F(ReturnLockOptionsTest, GracePeriodGarbageKeepsTheDefault) {
    reg.PutText(kDesktop, "ScreenSaverGracePeriod", "five");
    EXPECT_EQ(Read().GraceSeconds, 5u);
    reg.PutText(kDesktop, "ScreenSaverGracePeriod", "");
    EXPECT_EQ(Read().GraceSeconds, 5u);
}

TEST_F(ReturnLockOptionsTest, GracePeriodIsClampedToItsRange) {
    reg.PutText(kDesktop, "ScreenSaverGracePeriod", "-3");
    EXPECT_EQ(Read().GraceSeconds, 0u);
    reg.PutText(kDesktop, "ScreenSaverGracePeriod", "99999");
    EXPECT_EQ(Read().GraceSeconds, kMaxGraceSeconds);
    // All bits set: a huge unsigned value, not minus one.
    reg.Put(kDesktop, "ScreenSaverGracePeriod", kRegDword, Dword(0xFFFFFFFFu));
    EXPECT_EQ(Read().GraceSeconds, kMaxGraceSeconds);
}

TEST_F(ReturnLockOptionsTest, UnreadableKeyIsOff) {
    reg.PutText(kDesktop, "ScreenSaverIsSecure", "1");
    reg.FailCall(RegCall::OpenKey);
    EXPECT_FALSE(Read().Secure);
}

}  // namespace
