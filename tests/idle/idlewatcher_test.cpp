#include "idle/idlewatcher.h"

#include <gtest/gtest.h>

#include <vector>

#include "settings/settings.h"
#include "settings/settingsstore.h"
#include "tests/support/memoryregistry.h"

namespace {

// Records what the watcher asks of the platform.
struct FakeSource : IdleSource {
    std::vector<std::int64_t> arms;  // each Arm's delay, in order
    bool armed = false;
    void Arm(std::int64_t timeoutMs) override {
        arms.push_back(timeoutMs);
        armed = true;
    }
    void Disarm() override { armed = false; }
};

struct FakeStarter : SaverStarter {
    int starts = 0;
    bool fails = false;
    bool Start(std::string& problem) override {
        ++starts;
        if (fails) problem = "no such program";
        return !fails;
    }
};

struct Watched : ::testing::Test {
    FakeSource source;
    FakeStarter starter;
    std::vector<std::string> reports;
    IdleWatcher watcher{source, starter, [this](const std::string& r) { reports.push_back(r); }};

    static IdleConfig Timeout(std::string text, bool active = true,
                              std::string_view origin = "ScreenSaveTimeOut") {
        IdleConfig config;
        config.Active = active;
        config.TimeoutText = std::move(text);
        config.TimeoutOrigin = origin;
        return config;
    }
};

TEST_F(Watched, IdleStartsTheSaverAndItsEndArmsAFreshPeriod) {
    watcher.Configure(Timeout("3"));
    EXPECT_EQ(source.arms, (std::vector<std::int64_t>{3000}));
    watcher.OnIdle();
    EXPECT_EQ(starter.starts, 1);
    EXPECT_EQ(watcher.CurrentState(), IdleWatcher::State::SaverRunning);
    EXPECT_FALSE(source.armed) << "nothing to watch while the saver runs";
    watcher.OnIdle();  // a late report from the source starts no second saver
    EXPECT_EQ(starter.starts, 1);
    watcher.OnSaverEnded(true);
    EXPECT_EQ(source.arms, (std::vector<std::int64_t>{3000, 3000}));
    EXPECT_TRUE(source.armed);
    watcher.OnIdle();
    EXPECT_EQ(starter.starts, 2);
    EXPECT_TRUE(reports.empty());
}

TEST_F(Watched, NoStoredValueMeansTenMinutes) {
    watcher.Configure({});
    EXPECT_EQ(source.arms, (std::vector<std::int64_t>{600'000}));
}

TEST_F(Watched, FailureIsReportedAndRetriedOnlyAtTheNextIdleAfterAPause) {
    watcher.Configure(Timeout("3"));
    starter.fails = true;
    watcher.OnIdle();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find("no such program"), std::string::npos);
    // Still waiting, armed afresh with at least the retry pause: no tight loop.
    EXPECT_EQ(watcher.CurrentState(), IdleWatcher::State::Waiting);
    EXPECT_EQ(source.arms.back(), IdleWatcher::kRetryAfterFailureMs);
    EXPECT_EQ(starter.starts, 1);
    starter.fails = false;
    watcher.OnIdle();
    EXPECT_EQ(starter.starts, 2);

    // A saver that runs and then fails: reported, the next arming pauses as well.
    watcher.OnSaverEnded(false);
    EXPECT_EQ(reports.size(), 2u);
    EXPECT_EQ(source.arms.back(), IdleWatcher::kRetryAfterFailureMs);
    // A long delay is not shortened by the pause.
    watcher.Configure(Timeout("900"));
    watcher.OnIdle();
    watcher.OnSaverEnded(false);
    EXPECT_EQ(source.arms.back(), 900'000);
}

TEST_F(Watched, InhibitedIdleStartsNothingAndLiftingArmsAFullPeriod) {
    watcher.Configure(Timeout("5"));
    watcher.SetInhibited(InhibitTeller::Players, true);
    watcher.OnIdle();
    EXPECT_EQ(starter.starts, 0);
    watcher.SetInhibited(InhibitTeller::Players, true);  // no change: no new arming
    EXPECT_EQ(source.arms.size(), 1u);
    watcher.SetInhibited(InhibitTeller::Players, false);
    EXPECT_EQ(source.arms, (std::vector<std::int64_t>{5000, 5000}));
    EXPECT_EQ(starter.starts, 0) << "lifting starts no saver at once";
    watcher.OnIdle();
    EXPECT_EQ(starter.starts, 1);
    // An inhibitor that comes and goes while the saver runs leaves it running.
    watcher.SetInhibited(InhibitTeller::Players, true);
    watcher.SetInhibited(InhibitTeller::Players, false);
    EXPECT_EQ(watcher.CurrentState(), IdleWatcher::State::SaverRunning);
    EXPECT_EQ(source.arms.size(), 2u);
}

TEST_F(Watched, PlayersAndThePolicyAgentEachHoldTheSaverOffAloneAndTheLastLiftArms) {
    watcher.Configure(Timeout("5"));
    watcher.SetInhibited(InhibitTeller::PolicyAgent, true);
    watcher.SetInhibited(InhibitTeller::Players, true);
    watcher.SetInhibited(InhibitTeller::Players, false);
    EXPECT_TRUE(watcher.Inhibited()) << "the policy agent still holds it off";
    watcher.OnIdle();
    EXPECT_EQ(starter.starts, 0);
    EXPECT_EQ(source.arms.size(), 1u) << "a lift that leaves it inhibited arms nothing";
    watcher.SetInhibited(InhibitTeller::PolicyAgent, false);
    EXPECT_EQ(source.arms, (std::vector<std::int64_t>{5000, 5000}));
    EXPECT_EQ(starter.starts, 0);
    watcher.SetInhibited(InhibitTeller::PolicyAgent, false);  // said twice: no second arming
    EXPECT_EQ(source.arms.size(), 2u);
    watcher.OnIdle();
    EXPECT_EQ(starter.starts, 1);
}

TEST_F(Watched, LockedSessionStartsNothingUntilEveryTellerSaysUnlockedThenAFullPeriod) {
    watcher.Configure(Timeout("5"));
    watcher.SetLocked(LockTeller::Logind, true);
    watcher.SetLocked(LockTeller::GnomeShell, true);
    watcher.OnIdle();
    EXPECT_EQ(starter.starts, 0);
    // One teller unlocked, the other still says locked: still nothing, nothing re-armed.
    watcher.SetLocked(LockTeller::Logind, false);
    EXPECT_TRUE(watcher.Locked());
    watcher.OnIdle();
    EXPECT_EQ(starter.starts, 0);
    EXPECT_EQ(source.arms.size(), 1u);
    // The same teller unlocking twice does not unlock the others.
    watcher.SetLocked(LockTeller::Logind, false);
    EXPECT_TRUE(watcher.Locked());
    watcher.SetLocked(LockTeller::GnomeShell, false);
    EXPECT_FALSE(watcher.Locked());
    EXPECT_EQ(source.arms, (std::vector<std::int64_t>{5000, 5000}));
    EXPECT_EQ(starter.starts, 0) << "the unlock starts no saver at once";
    watcher.OnIdle();
    EXPECT_EQ(starter.starts, 1);
}

TEST_F(Watched, ALockAndAnInhibitorEachHoldTheSaverOffAlone) {
    watcher.Configure(Timeout("5"));
    watcher.SetInhibited(InhibitTeller::Players, true);
    watcher.SetLocked(LockTeller::DesktopSaver, true);
    watcher.SetInhibited(InhibitTeller::Players, false);
    watcher.OnIdle();
    EXPECT_EQ(starter.starts, 0);
    watcher.SetLocked(LockTeller::DesktopSaver, false);
    watcher.SetInhibited(InhibitTeller::Players, true);
    watcher.OnIdle();
    EXPECT_EQ(starter.starts, 0);
    watcher.SetInhibited(InhibitTeller::Players, false);
    watcher.OnIdle();
    EXPECT_EQ(starter.starts, 1);
}

TEST_F(Watched, ALockWhileTheSaverRunsLeavesItAndTheUnlockArmsNothingUntilItEnds) {
    watcher.Configure(Timeout("5"));
    watcher.OnIdle();
    watcher.SetLocked(LockTeller::Locker, true);
    EXPECT_EQ(watcher.CurrentState(), IdleWatcher::State::SaverRunning);
    watcher.SetLocked(LockTeller::Locker, false);
    EXPECT_EQ(source.arms.size(), 1u);
    EXPECT_FALSE(source.armed);
    // Ended under a lock: armed, but idle starts nothing until the unlock.
    watcher.SetLocked(LockTeller::Locker, true);
    watcher.OnSaverEnded(true);
    watcher.OnIdle();
    EXPECT_EQ(starter.starts, 1);
}

TEST_F(Watched, ChangedSettingsRearmAtOnceOrAfterTheSaver) {
    watcher.Configure(Timeout("5"));
    watcher.Configure(Timeout("5"));  // an unrelated write to the file: the period goes on
    EXPECT_EQ(source.arms.size(), 1u);
    watcher.Configure(Timeout("7"));
    EXPECT_EQ(source.arms.back(), 7000);
    watcher.Configure(Timeout("7", false));
    EXPECT_FALSE(source.armed);
    EXPECT_EQ(watcher.CurrentState(), IdleWatcher::State::Off);
    watcher.OnIdle();
    EXPECT_EQ(starter.starts, 0) << "switched off";
    watcher.Configure(Timeout("7"));
    EXPECT_TRUE(source.armed);
    watcher.OnIdle();
    // While the saver runs the change waits for its end.
    watcher.Configure(Timeout("11"));
    EXPECT_FALSE(source.armed);
    watcher.OnSaverEnded(true);
    EXPECT_EQ(source.arms.back(), 11'000);
    // Switched off while running: nothing is armed afterwards.
    watcher.OnIdle();
    watcher.Configure(Timeout("11", false));
    watcher.OnSaverEnded(true);
    EXPECT_FALSE(source.armed);
}

TEST_F(Watched, BadTimeoutIsReportedOnceAndTheDefaultUsed) {
    for (const char* bad : {"abc", "0", "-5", "599941", "99999999999", ""}) {
        reports.clear();
        source.arms.clear();
        watcher.Configure(Timeout("1"));
        watcher.Configure(Timeout(bad));
        watcher.Configure(Timeout(bad));
        ASSERT_EQ(reports.size(), 1u) << "\"" << bad << "\"";
        EXPECT_NE(reports[0].find("ScreenSaveTimeOut"), std::string::npos) << reports[0];
        EXPECT_EQ(source.arms, (std::vector<std::int64_t>{1000, 600'000})) << bad;
    }
    // Made good and bad again: a new report.
    reports.clear();
    watcher.Configure(Timeout("2"));
    watcher.Configure(Timeout("x"));
    watcher.Configure(Timeout("y", true, "--timeout"));
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[1].rfind("--timeout \"y\"", 0), 0u) << reports[1];
}

TEST_F(Watched, TheSameBadTimeoutIsReportedAgainAfterItWasFixedOrRemoved) {
    watcher.Configure(Timeout("x"));
    watcher.Configure(Timeout("2"));
    watcher.Configure(Timeout("x"));
    EXPECT_EQ(reports.size(), 2u) << "fixed, then bad again";
    IdleConfig removed;
    watcher.Configure(removed);
    watcher.Configure(Timeout("x"));
    EXPECT_EQ(reports.size(), 3u) << "removed, then bad again";
    watcher.Configure(Timeout("x"));
    EXPECT_EQ(reports.size(), 3u) << "unchanged";
}

TEST(TimeoutText, AcceptsTheStoredFormsWithinWindowsRange) {
    EXPECT_EQ(TimeoutFromText("600"), 600);
    EXPECT_EQ(TimeoutFromText(" 60 "), 60);
    EXPECT_EQ(TimeoutFromText("0x3c"), 60);
    EXPECT_EQ(TimeoutFromText("1"), 1);
    EXPECT_EQ(TimeoutFromText("599940"), 599940);
    EXPECT_EQ(TimeoutFromText("599941"), std::nullopt);
    EXPECT_EQ(TimeoutFromText("1.5"), std::nullopt);
    EXPECT_EQ(TimeoutFromText("2147483648"), std::nullopt);
}

}  // namespace

namespace {

// The values come from the desktop's key of the same file the saver's settings live in.
TEST(IdleConfigReading, ReadsTheDesktopKeyAndReportsAWrongTypeOnce) {
    MemoryRegistry registry;
    {
        SettingsStore store(registry, kSettingsBaseKey);
        const IdleConfig none = ReadIdleConfig(store);
        EXPECT_TRUE(none.Active);
        EXPECT_EQ(none.TimeoutText, "600");
        EXPECT_TRUE(none.Problem.empty());
    }
    RegKey key = 0;
    ASSERT_EQ(registry.CreateKey(kRegCurrentUser, "Control Panel\\Desktop", kKeyAllAccess, &key),
              0);
    const std::string off = "0", seconds = "42";
    registry.SetValue(key, "ScreenSaveActive", kRegSz,
                      reinterpret_cast<const std::uint8_t*>(off.c_str()), 2);
    registry.SetValue(key, "ScreenSaveTimeOut", kRegSz,
                      reinterpret_cast<const std::uint8_t*>(seconds.c_str()), 3);
    {
        SettingsStore store(registry, kSettingsBaseKey);
        const IdleConfig config = ReadIdleConfig(store);
        EXPECT_FALSE(config.Active);
        EXPECT_EQ(config.TimeoutText, "42");
    }
    // A number stored as a DWORD is not Windows' form for this value: reported, default used.
    const std::uint32_t dword = 42;
    registry.SetValue(key, "ScreenSaveTimeOut", kRegDword,
                      reinterpret_cast<const std::uint8_t*>(&dword), 4);
    registry.CloseKey(key);
    SettingsStore store(registry, kSettingsBaseKey);
    IdleConfig config = ReadIdleConfig(store);
    EXPECT_EQ(config.Problem, "cannot read ScreenSaveTimeOut");
    EXPECT_EQ(config.TimeoutText, std::nullopt);
    EXPECT_FALSE(config.Active) << "the other value is still read";
    config.Active = true;

    FakeSource source;
    FakeStarter starter;
    std::vector<std::string> reports;
    IdleWatcher watcher(source, starter, [&](const std::string& r) { reports.push_back(r); });
    watcher.Configure(config);
    watcher.Configure(config);
    EXPECT_EQ(reports.size(), 1u);
    EXPECT_EQ(source.arms, (std::vector<std::int64_t>{600'000}));
}

}  // namespace
