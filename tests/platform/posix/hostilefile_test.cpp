// Settings files that are not what they should be: special files, huge files, links to
// elsewhere, files of another user, and what killed saves leave behind. The registry reads them
// as defaults promptly, says so once, and never overwrites them or takes them over.
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "platform/posix/registry.h"
#include "settings/errors.h"
#include "settings/settings.h"
#include "settings/settingsstore.h"
#include "tests/support/tempdir.h"

namespace fs = std::filesystem;

namespace {

constexpr uid_t kOtherUser = 65534;  // "nobody" on Debian
const std::string kStored =
    "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Velmora]\n\"Speed\"=\"40\"\n\n";

std::string Contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::int32_t ReadSpeed(Registry& reg) {
    SettingsStore store(reg, kSettingsBaseKey);
    SaverSettings s;
    ReadSettings(store, s);
    return s.Speed;
}

bool SaveSpeed(Registry& reg, std::int32_t speed) {
    try {
        SettingsStore store(reg, kSettingsBaseKey);
        store.WriteValueInt(kSettingsSection, "Speed", speed);
        return true;
    } catch (const RegistryError&) {
        return false;
    }
}

struct ChildResult {
    bool Finished = false;  // false: killed (it hung, or crashed)
    int Code = -1;
    std::string Output;
};

// Runs `body` in a child process (as `uid` when given), killed after five seconds; its exit code
// and what it wrote to `out` come back.
ChildResult RunBounded(const std::function<int(std::ostream& out)>& body, uid_t uid = ::geteuid()) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) return {};
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeFds[0]);
        ::alarm(5);
        if (uid != ::geteuid() &&
            (::setgroups(0, nullptr) != 0 || ::setresgid(uid, uid, uid) != 0 ||
             ::setresuid(uid, uid, uid) != 0))
            ::_exit(255);
        std::ostringstream out;
        const int code = body(out);
        const std::string text = out.str();
        [[maybe_unused]] auto n = ::write(pipeFds[1], text.data(), text.size());
        ::_exit(code);
    }
    ::close(pipeFds[1]);
    ChildResult result;
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0)
        result.Output.append(buffer, static_cast<std::size_t>(n));
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    result.Finished = WIFEXITED(status);
    result.Code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

// Reads Speed and tries to save it; the exit code is the Speed read, plus 100 when the save went
// through.
ChildResult ReadThenSave(const std::string& file, uid_t uid = ::geteuid()) {
    return RunBounded(
        [&](std::ostream& out) {
            FileRegistry reg(file, &out);
            const int speed = ReadSpeed(reg);
            return speed + (SaveSpeed(reg, 45) ? 100 : 0);
        },
        uid);
}

void Age(const std::string& path, int seconds) {
    timeval times[2];
    ::gettimeofday(&times[0], nullptr);
    times[0].tv_sec -= seconds;
    times[1] = times[0];
    ::lutimes(path.c_str(), times);
}

class HostileFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        folder = dir + "/velmora";
        file = folder + "/user.reg";
        fs::create_directories(folder);
    }
    void Store(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }

    TempDir temp{"hostile"};
    std::string dir = temp.Path, folder, file;
};

TEST_F(HostileFileTest, SpecialFilesReadAsDefaultsPromptlyAreReportedOnceAndStay) {
    struct Case {
        const char* What;
        std::function<void()> Make;
        std::function<bool()> Intact;
    };
    const Case cases[] = {
        {"a FIFO", [&] { ::mkfifo(file.c_str(), 0600); },
         [&] { return fs::is_fifo(fs::symlink_status(file)); }},
        {"a link to /dev/zero", [&] { fs::create_symlink("/dev/zero", file); },
         [&] { return fs::is_symlink(file) && fs::read_symlink(file) == "/dev/zero"; }},
        {"a link to /dev/null", [&] { fs::create_symlink("/dev/null", file); },
         [&] { return fs::is_symlink(file) && fs::read_symlink(file) == "/dev/null"; }},
        {"a directory", [&] { fs::create_directory(file); },
         [&] { return fs::is_directory(fs::symlink_status(file)); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        fs::remove_all(file);
        c.Make();
        const ChildResult r = ReadThenSave(file);
        ASSERT_TRUE(r.Finished) << "the read blocked or crashed";
        EXPECT_EQ(r.Code, 30) << "not read as the default, or overwritten";
        EXPECT_NE(r.Output.find("not a regular file"), std::string::npos) << r.Output;
        EXPECT_EQ(r.Output.find(file), r.Output.rfind(file)) << "reported more than once";
        EXPECT_TRUE(c.Intact());
    }
}

TEST_F(HostileFileTest, FileOverTheSizeLimitReadsAsDefaultsAndIsNeverOverwritten) {
    // At the limit: read (and in a few seconds even under the sanitizers, being parsed once).
    std::string big = kStored;
    const std::string comment(99, ';');
    while (big.size() + 100 <= kMaxRegistryFileSize) big += comment + "\n";
    big += std::string(kMaxRegistryFileSize - big.size() - 1, ';') + "\n";
    ASSERT_EQ(big.size(), kMaxRegistryFileSize);
    Store(file, big);
    ChildResult r = RunBounded([&](std::ostream& out) {
        FileRegistry reg(file, &out);
        return ReadSpeed(reg);
    });
    ASSERT_TRUE(r.Finished) << "reading the settings took over five seconds";
    EXPECT_EQ(r.Code, 40);

    big += "\n";
    Store(file, big);
    r = ReadThenSave(file);
    ASSERT_TRUE(r.Finished);
    EXPECT_EQ(r.Code, 30);
    EXPECT_NE(r.Output.find("larger than 16 MiB"), std::string::npos) << r.Output;
    EXPECT_EQ(Contents(file), big);
}

TEST_F(HostileFileTest, SaveRemovesOnlyItsOwnStaleTemporaryFiles) {
    Store(file, kStored);
    const std::string outside = dir + "/outside";
    Store(outside, "keep");
    const std::string stale = file + ".saving-a1B2c3", fresh = file + ".saving-d4E5f6",
                      link = file + ".saving-g7H8i9", folderLike = file + ".saving-j0K1l2",
                      backup = file + ".backup", oldPattern = file + ".Q1w2E3";
    for (const auto& path : {stale, fresh, backup, oldPattern}) Store(path, kStored);
    fs::create_symlink(outside, link);
    fs::create_directory(folderLike);
    for (const auto& path : {stale, link, folderLike, backup, oldPattern}) Age(path, 600);
    Age(fresh, 30);

    FileRegistry reg(file);
    ASSERT_TRUE(SaveSpeed(reg, 20));
    EXPECT_FALSE(fs::exists(fs::symlink_status(stale))) << "a stale temporary file was left";
    EXPECT_TRUE(fs::exists(fresh)) << "a save in progress may still own it";
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(Contents(outside), "keep");
    EXPECT_TRUE(fs::is_directory(folderLike));
    EXPECT_TRUE(fs::exists(backup));
    EXPECT_TRUE(fs::exists(oldPattern));
    EXPECT_EQ(ReadSpeed(reg), 20);
}

// UTF-16LE of an ASCII text.
std::string Utf16(std::string_view ascii) {
    std::string out;
    for (char c : ascii) out += {c, '\0'};
    return out;
}

TEST_F(HostileFileTest, SaveKeepsEveryLineItDoesNotChangeByteForByte) {
    // Another program's values with lone surrogates (U+D800, U+DC00) in a UTF-16 export, and a
    // last line without a line end.
    const std::string before =
        "\xFF\xFE" +
        Utf16("Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Other]\r\n") +
        Utf16("\"Lone\"=\"a") + std::string("\x00\xD8", 2) + Utf16("b\"\r\n\"Low\"=\"") +
        std::string("\x00\xDC", 2) + Utf16("\"\r\n\r\n[HKEY_CURRENT_USER\\Software\\Velmora]\r\n");
    Store(file, before + Utf16("\"Speed\"=\"30\"\r\n; end"));
    FileRegistry reg(file);
    ASSERT_TRUE(SaveSpeed(reg, 45));
    EXPECT_EQ(Contents(file), before + Utf16("\"Speed\"=\"45\"\r\n; end"));
    {
        SettingsStore store(reg, kSettingsBaseKey);
        store.WriteValueBool(kSettingsSection, "Comet", true);
    }
    EXPECT_EQ(Contents(file), before + Utf16("\"Speed\"=\"45\"\r\n\"Comet\"=\"1\"\r\n; end"));

    // Mixed line ends in a REGEDIT4 file, and a new key after a last line without one.
    const std::string mixed = "REGEDIT4\r\n\n[HKEY_CURRENT_USER\\Other]\n\"a\"=\"1\"\r\n; end";
    Store(file, mixed);
    ASSERT_TRUE(SaveSpeed(reg, 45));
    EXPECT_EQ(Contents(file),
              mixed + "\r\n\r\n[HKEY_CURRENT_USER\\Software\\Velmora]\r\n\"Speed\"=\"45\"\r\n\r\n");
}

class OtherUserTest : public HostileFileTest {
  protected:
    void SetUp() override {
        if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as two users";
        HostileFileTest::SetUp();
        // The user's own tree: only they (and root) can enter it.
        for (const auto& path : {dir, folder}) {
            ASSERT_EQ(::chown(path.c_str(), kOtherUser, kOtherUser), 0);
            ::chmod(path.c_str(), 0700);
        }
    }
    struct stat Stat(const std::string& path) {
        struct stat st {};
        ::lstat(path.c_str(), &st);
        return st;
    }
};

TEST_F(OtherUserTest, SaveByRootKeepsTheUsersFileTheirs) {
    Store(file, kStored);
    ASSERT_EQ(::chown(file.c_str(), kOtherUser, kOtherUser), 0);
    ::chmod(file.c_str(), 0640);

    const ChildResult root = ReadThenSave(file);
    ASSERT_TRUE(root.Finished);
    EXPECT_EQ(root.Code, 140);
    const struct stat st = Stat(file);
    EXPECT_EQ(st.st_uid, kOtherUser);
    EXPECT_EQ(st.st_gid, kOtherUser);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(Stat(file + ".lock").st_uid, kOtherUser);

    // The user reads what root saved and saves again.
    const ChildResult user = ReadThenSave(file, kOtherUser);
    ASSERT_TRUE(user.Finished);
    EXPECT_EQ(user.Code, 145) << user.Output;
}

TEST_F(OtherUserTest, FilesAndFoldersRootCreatesInAUsersTreeAreTheUsers) {
    fs::remove_all(folder);
    const ChildResult root = ReadThenSave(file);
    ASSERT_TRUE(root.Finished);
    EXPECT_EQ(root.Code, 130);
    for (const auto& path : {folder, file, file + ".lock"}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(Stat(path).st_uid, kOtherUser);
    }
    const ChildResult user = ReadThenSave(file, kOtherUser);
    EXPECT_EQ(user.Code, 145) << user.Output;
}

TEST_F(OtherUserTest, LockFileLeftByRootDoesNotStopTheUsersSaves) {
    Store(file, kStored);
    ASSERT_EQ(::chown(file.c_str(), kOtherUser, kOtherUser), 0);
    Store(file + ".lock", "");
    ::chmod((file + ".lock").c_str(), 0644);
    const ChildResult user = ReadThenSave(file, kOtherUser);
    EXPECT_EQ(user.Code, 140) << user.Output;
}

TEST_F(OtherUserTest, SaveByRootNeverWritesThroughAUsersLinkToElsewhere) {
    const std::string victim = dir + "/victim";
    Store(victim, kStored);
    ::chmod(victim.c_str(), 0644);
    fs::create_symlink(victim, file);
    ASSERT_EQ(::lchown(file.c_str(), kOtherUser, kOtherUser), 0);

    const ChildResult root = ReadThenSave(file);
    ASSERT_TRUE(root.Finished);
    EXPECT_EQ(root.Code, 40) << "read, but not saved";
    EXPECT_EQ(Contents(victim), kStored);
    EXPECT_EQ(Stat(victim).st_uid, 0u);
    EXPECT_TRUE(fs::is_symlink(file));
}

TEST_F(HostileFileTest, EachNewProblemIsReportedOnceUnderTheProgramsOwnName) {
    const ChildResult r = RunBounded([&](std::ostream& out) {
        FileRegistry reg(file, &out);
        const auto twice = [&] {
            ReadSpeed(reg);
            Age(file, 10);  // another identity than a rewrite in the same second would have
            ReadSpeed(reg);
        };
        ::mkfifo(file.c_str(), 0600);
        twice();
        fs::remove(file);
        Store(file, std::string(20 << 20, ' ') + "x");
        twice();
        fs::remove(file);
        fs::create_directory(file);
        twice();
        fs::remove(file);
        Store(file, "garbage\r\n");
        twice();
        Store(file, "more garbage\r\n");  // the same problem again
        twice();
        return 0;
    });
    ASSERT_TRUE(r.Finished);
    const std::string name = program_invocation_short_name;
    std::size_t lines = 0;
    for (std::size_t at = 0; (at = r.Output.find('\n', at)) != std::string::npos; ++at) ++lines;
    EXPECT_EQ(lines, 4u) << r.Output;
    for (const char* problem : {"not a regular file", "larger than", "header"}) {
        SCOPED_TRACE(problem);
        const auto at = r.Output.find(problem);
        EXPECT_NE(at, std::string::npos) << r.Output;
    }
    EXPECT_EQ(r.Output.rfind(name + ": ", 0), 0u) << "not under the program's name: " << r.Output;
    EXPECT_EQ(r.Output.find("velmora: "), std::string::npos) << r.Output;
}

}  // namespace
