// velmora-idle's POSIX pieces against the real kernel: the saver's child process seen through
// its pidfd, and the settings file's inotify watch.
#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "platform/posix/saverprocess.h"
#include "platform/posix/settingswatch.h"

namespace {

namespace fs = std::filesystem;

struct TempDir {
    fs::path Path;
    TempDir() {
        char pattern[] = "/tmp/velmora-idle-test.XXXXXX";
        Path = ::mkdtemp(pattern);
    }
    ~TempDir() { fs::remove_all(Path); }
};

// A stand-in saver: a shell script that records its arguments and then runs `body`.
std::string Script(const TempDir& dir, const std::string& body) {
    const fs::path path = dir.Path / "velmora";
    std::ofstream(path) << "#!/bin/sh\necho \"$@\" >\"" << (dir.Path / "args").string() << "\"\n"
                        << body << "\n";
    fs::permissions(path, fs::perms::owner_all);
    return path.string();
}

// Waits on `client` and dispatches it until `done` or `limit` has passed.
template <typename Done>
bool LoopUntil(PollClient& client, Done done,
               std::chrono::milliseconds limit = std::chrono::seconds(2)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done() && std::chrono::steady_clock::now() < end && client.Fd() >= 0) {
        pollfd fd{client.Fd(), POLLIN, 0};
        const int n = ::poll(&fd, 1, 50);
        client.Dispatch(n > 0 ? fd.revents : 0);
    }
    return done();
}

TEST(SaverProcess, StartsTheSaverModeAndHearsHowItEnded) {
    TempDir dir;
    for (const auto& [body, expected] : {std::pair{"exit 0", true}, std::pair{"exit 1", false},
                                         std::pair{"kill -KILL $$", false}}) {
        std::optional<bool> ended;
        SaverProcess saver(Script(dir, body), [&](bool succeeded) { ended = succeeded; });
        std::string problem;
        ASSERT_TRUE(saver.Start(problem)) << problem;
        EXPECT_TRUE(saver.Running());
        ASSERT_TRUE(LoopUntil(saver, [&] { return ended.has_value(); })) << body;
        EXPECT_EQ(*ended, expected) << body;
        EXPECT_FALSE(saver.Running());
        std::ifstream args(dir.Path / "args");
        std::string line;
        std::getline(args, line);
        EXPECT_EQ(line, "/s");
    }
}

TEST(SaverProcess, AMissingProgramIsAProblemNotAChild) {
    std::optional<bool> ended;
    SaverProcess saver("/nonexistent/velmora", [&](bool succeeded) { ended = succeeded; });
    std::string problem;
    EXPECT_FALSE(saver.Start(problem));
    EXPECT_NE(problem.find("/nonexistent/velmora"), std::string::npos) << problem;
    EXPECT_FALSE(saver.Running());
}

TEST(SaverProcess, StopEndsASaverThatIgnoresSigterm) {
    TempDir dir;
    bool heard = false;
    SaverProcess saver(Script(dir, "trap '' TERM\nwhile :; do sleep 0.05; done"),
                       [&](bool) { heard = true; });
    std::string problem;
    ASSERT_TRUE(saver.Start(problem)) << problem;
    ::usleep(100'000);  // the trap is set
    const auto start = std::chrono::steady_clock::now();
    saver.Stop(300);
    EXPECT_FALSE(saver.Running());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_FALSE(heard) << "a stop that was asked for is no saver's end to report";
}

TEST(SaverProgram, PrefersTheSaverBesideTheDaemon) {
    TempDir dir;
    const std::string self = (dir.Path / "velmora-idle").string();
    EXPECT_EQ(SaverProgramBeside(self), "velmora");
    Script(dir, "exit 0");
    EXPECT_EQ(SaverProgramBeside(self), (dir.Path / "velmora").string());
}

TEST(SettingsWatch, SeesTheFileWrittenOrReplacedButNotItsNeighbours) {
    TempDir dir;
    // As in a fresh home: neither ~/.config nor its velmora folder exists yet.
    const fs::path file = dir.Path / "config" / "velmora" / "user.reg";
    int changes = 0;
    SettingsWatch watch(file.string(), [&] { ++changes; });
    ASSERT_TRUE(watch.Watching()) << "the missing directories are made";
    EXPECT_EQ(fs::status(file.parent_path()).permissions() & fs::perms::all, fs::perms::owner_all);
    std::ofstream(file.parent_path() / "user.reg.lock") << "";
    std::ofstream(file.parent_path() / "other") << "x";
    LoopUntil(watch, [&] { return changes > 0; }, std::chrono::milliseconds(300));
    EXPECT_EQ(changes, 0);

    // Replaced by renaming, as a save does.
    std::ofstream(file.parent_path() / "user.reg.saving-1") << "REGEDIT4\r\n";
    fs::rename(file.parent_path() / "user.reg.saving-1", file);
    EXPECT_TRUE(LoopUntil(watch, [&] { return changes > 0; }));
    changes = 0;
    // Written in place, as an editor may.
    std::ofstream(file, std::ios::app) << "\r\n";
    EXPECT_TRUE(LoopUntil(watch, [&] { return changes > 0; }));
    changes = 0;
    fs::remove(file);
    EXPECT_TRUE(LoopUntil(watch, [&] { return changes > 0; }));
}

}  // namespace
