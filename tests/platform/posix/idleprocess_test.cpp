// velmora-idle's POSIX pieces against the real kernel: the saver's child process seen through
// its pidfd, and the settings file's inotify watch.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>

#include "platform/posix/saverprocess.h"
#include "platform/posix/settingswatch.h"
#include "tests/support/tempdir.h"

namespace {

namespace fs = std::filesystem;

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
    TempDir dir{"idle-test"};
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
    TempDir dir{"idle-test"};
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

// The saver as it may be: a program that starts a helper of its own and waits. Writes the
// saver's and the helper's pids beside the script.
constexpr const char* kSaverWithHelper =
    "sleep 600 &\necho $! >\"$(dirname \"$0\")/helper\"\n"
    "echo $$ >\"$(dirname \"$0\")/saver.tmp\"\nmv \"$(dirname \"$0\")/saver.tmp\" "
    "\"$(dirname \"$0\")/saver\"\nwait";

// Reads a pid written by the script, waiting for the file with a deadline; 0 if it never came.
pid_t PidFrom(const fs::path& file) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < end) {
        pid_t pid = 0;
        if (std::ifstream(file) >> pid) return pid;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return 0;
}

// True once `pid`, a child of this process (by birth or by adoption), has ended; reaps it.
bool EndsWithin(pid_t pid, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        int status = 0;
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid || (done < 0 && errno == ECHILD)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

// Orphans are adopted by this test rather than by init, so that it can see them end.
struct AdoptOrphans {
    AdoptOrphans() { ::prctl(PR_SET_CHILD_SUBREAPER, 1); }
    ~AdoptOrphans() { ::prctl(PR_SET_CHILD_SUBREAPER, 0); }
};

TEST(SaverProcess, TheSaverEndsWhenTheDaemonIsKilled) {
    TempDir dir{"idle-test"};
    AdoptOrphans adopt;
    const std::string program = Script(dir, kSaverWithHelper);
    const pid_t daemon = ::fork();
    ASSERT_GE(daemon, 0);
    if (daemon == 0) {
        SaverProcess saver(program, [](bool) {});
        std::string problem;
        if (!saver.Start(problem)) ::_exit(1);
        for (;;) ::pause();
    }
    const pid_t saver = PidFrom(dir.Path / "saver"), helper = PidFrom(dir.Path / "helper");
    ASSERT_GT(saver, 0);
    ASSERT_GT(helper, 0);
    ::kill(daemon, SIGKILL);
    ::waitpid(daemon, nullptr, 0);
    const bool saverEnded = EndsWithin(saver, std::chrono::seconds(3));
    EXPECT_TRUE(saverEnded) << "the saver outlived its killed daemon";
    if (!saverEnded) ::kill(saver, SIGKILL), EndsWithin(saver, std::chrono::seconds(2));
    // Its helper too, which the kernel's signal at the daemon's death does not reach.
    const bool helperEnded = EndsWithin(helper, std::chrono::seconds(3));
    EXPECT_TRUE(helperEnded) << "the saver's helper outlived the killed daemon";
    if (!helperEnded) ::kill(helper, SIGKILL), EndsWithin(helper, std::chrono::seconds(2));
    // Whatever else was left to this test (the daemon's own helpers) has ended by now.
    while (::waitpid(-1, nullptr, WNOHANG) > 0) {
    }
}

TEST(SaverProcess, StoppingTheSaverEndsItsHelpersToo) {
    TempDir dir{"idle-test"};
    AdoptOrphans adopt;
    SaverProcess saver(Script(dir, kSaverWithHelper), [](bool) {});
    std::string problem;
    ASSERT_TRUE(saver.Start(problem)) << problem;
    const pid_t helper = PidFrom(dir.Path / "helper");
    ASSERT_GT(PidFrom(dir.Path / "saver"), 0);
    ASSERT_GT(helper, 0);
    saver.Stop(1000);
    const bool helperEnded = EndsWithin(helper, std::chrono::seconds(3));
    EXPECT_TRUE(helperEnded) << "the saver's helper outlived it";
    if (!helperEnded) ::kill(helper, SIGKILL), EndsWithin(helper, std::chrono::seconds(2));
}

TEST(SaverProgram, PrefersTheSaverBesideTheDaemon) {
    TempDir dir{"idle-test"};
    const std::string self = (dir.Path / "velmora-idle").string();
    EXPECT_EQ(SaverProgramBeside(self), "velmora");
    Script(dir, "exit 0");
    EXPECT_EQ(SaverProgramBeside(self), (dir.Path / "velmora").string());
}

TEST(SettingsWatch, SeesTheFileWrittenOrReplacedButNotItsNeighbours) {
    TempDir dir{"idle-test"};
    // As in a fresh home: neither ~/.config nor its velmora folder exists yet.
    const fs::path file = dir.Path / "config" / "velmora" / "user.reg";
    int changes = 0;
    SettingsWatch watch(file.string(), [&] { ++changes; });
    ASSERT_TRUE(watch.Watching()) << "the missing directories are made";
    EXPECT_EQ(fs::status(file.parent_path()).permissions() & fs::perms::all, fs::perms::owner_all);
    std::ofstream(file.parent_path() / "user.reg.lock") << "";
    std::ofstream(file.parent_path() / "other") << "x";
    LoopUntil(
        watch, [&] { return changes > 0; }, std::chrono::milliseconds(300));
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

TEST(SettingsWatch, KeepsWatchingWhenTheFolderIsRemovedAndMadeAgain) {
    TempDir dir{"idle-test"};
    const fs::path folder = dir.Path / "config" / "velmora";
    const fs::path file = folder / "user.reg";
    int changes = 0;
    SettingsWatch watch(file.string(), [&] { ++changes; });
    ASSERT_TRUE(watch.Watching());
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        std::ofstream(file) << "REGEDIT4\r\n";
        EXPECT_TRUE(LoopUntil(watch, [&] { return changes > 0; }));
        fs::remove_all(folder);
        changes = 0;
        EXPECT_TRUE(LoopUntil(watch, [&] { return changes > 0; })) << "the removal";
        fs::create_directory(folder);
        changes = 0;
        std::ofstream(file) << "REGEDIT4\r\n";
        EXPECT_TRUE(LoopUntil(watch, [&] { return changes > 0; })) << "a file in the new folder";
        changes = 0;
    }
}

TEST(SettingsWatch, SeesAChangeToTheTargetOfALinkedFile) {
    TempDir dir{"idle-test"};
    const fs::path elsewhere = dir.Path / "dotfiles";
    fs::create_directories(elsewhere);
    std::ofstream(elsewhere / "velmora.reg") << "REGEDIT4\r\n";
    const fs::path folder = dir.Path / "config" / "velmora";
    fs::create_directories(folder);
    fs::create_symlink(elsewhere / "velmora.reg", folder / "user.reg");
    int changes = 0;
    SettingsWatch watch((folder / "user.reg").string(), [&] { ++changes; });
    ASSERT_TRUE(watch.Watching());
    std::ofstream(elsewhere / "velmora.reg", std::ios::app) << "\r\n";
    EXPECT_TRUE(LoopUntil(watch, [&] { return changes > 0; })) << "written in place";
    changes = 0;
    // Replaced by renaming beside the target, as an editor saves it.
    std::ofstream(elsewhere / "velmora.reg.new") << "REGEDIT4\r\n";
    fs::rename(elsewhere / "velmora.reg.new", elsewhere / "velmora.reg");
    EXPECT_TRUE(LoopUntil(watch, [&] { return changes > 0; })) << "replaced";
    changes = 0;
    // The link pointed elsewhere: the new target is followed.
    const fs::path other = dir.Path / "other";
    fs::create_directories(other);
    std::ofstream(other / "b.reg") << "REGEDIT4\r\n";
    fs::remove(folder / "user.reg");
    fs::create_symlink(other / "b.reg", folder / "user.reg");
    EXPECT_TRUE(LoopUntil(watch, [&] { return changes > 0; }));
    changes = 0;
    std::ofstream(other / "b.reg", std::ios::app) << "\r\n";
    EXPECT_TRUE(LoopUntil(watch, [&] { return changes > 0; })) << "the new target written";
}

}  // namespace
