// The file-lock instance marker: found while its owner lives, gone as soon as the owner dies,
// however it dies; its file removed by the owner at its end, or by the next start after a kill.
#include "platform/posix/instance.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace {

class InstanceMarkerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/velmora-marker-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    std::string dir;
};

TEST_F(InstanceMarkerTest, NothingIsFoundBeforeAnInstanceRegisters) {
    FileLockInstanceMarker marker(dir);
    EXPECT_EQ(marker.Find("velmora"), 0);
}

TEST_F(InstanceMarkerTest, RegisteredNameIsFoundWithoutRegardToCaseUntilItsOwnerDeletesIt) {
    FileLockInstanceMarker owner(dir), other(dir);
    const MarkerId atom = owner.Add("velmora");
    ASSERT_NE(atom, 0);
    EXPECT_NE(other.Find("VELMORA"), 0);
    EXPECT_NE(owner.Find("velmora"), 0);
    EXPECT_EQ(other.Add("Velmora"), 0);  // the name is taken
    owner.Delete(atom);
    EXPECT_EQ(other.Find("velmora"), 0);
}

TEST_F(InstanceMarkerTest, DifferentExecutableNamesDoNotSeeEachOther) {
    FileLockInstanceMarker a(dir), b(dir);
    ASSERT_NE(a.Add("velmora"), 0);
    EXPECT_EQ(b.Find("velmora.bin"), 0);
    EXPECT_NE(b.Add("velmora.bin"), 0);
}

TEST_F(InstanceMarkerTest, EachScopeHoldsItsOwnInstanceSoOneHackRunsPerScreen) {
    FileLockInstanceMarker desktop(dir), screen1(dir, "xscreensaver-101"),
        screen2(dir, "xscreensaver-202");
    FileLockInstanceMarker screen1Again(dir, "xscreensaver-101");
    ASSERT_NE(desktop.Add("velmora"), 0);
    EXPECT_EQ(screen1.Find("velmora"), 0);
    ASSERT_NE(screen1.Add("velmora"), 0);
    EXPECT_EQ(screen2.Find("velmora"), 0);
    EXPECT_NE(screen2.Add("velmora"), 0);
    EXPECT_NE(screen1Again.Find("VELMORA"), 0) << "the rule still holds within one window";
}

TEST_F(InstanceMarkerTest, DeletingAMarkerFoundForAnotherInstanceLeavesThatInstanceAlone) {
    FileLockInstanceMarker owner(dir), second(dir);
    ASSERT_NE(owner.Add("velmora"), 0);
    const MarkerId found = second.Find("velmora");
    ASSERT_NE(found, 0);
    second.Delete(found);
    EXPECT_NE(second.Find("velmora"), 0);
}

TEST_F(InstanceMarkerTest, MarkerOfAKilledProcessCannotGoStale) {
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        FileLockInstanceMarker marker(dir);
        const char ok = marker.Add("velmora") != 0 ? 1 : 0;
        [[maybe_unused]] auto n = write(ready[1], &ok, 1);
        pause();
        _exit(0);
    }
    char ok = 0;
    ASSERT_EQ(read(ready[0], &ok, 1), 1);
    ASSERT_EQ(ok, 1);
    FileLockInstanceMarker marker(dir);
    EXPECT_NE(marker.Find("velmora"), 0);
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_EQ(marker.Find("velmora"), 0);
    EXPECT_NE(marker.Add("velmora"), 0);
    close(ready[0]);
    close(ready[1]);
}

// Starts a process that takes the marker `name` in `scope` and waits to be killed; its PID.
pid_t HolderProcess(const std::string& dir, const std::string& scope) {
    int ready[2];
    if (pipe(ready) != 0) return -1;
    const pid_t child = fork();
    if (child == 0) {
        FileLockInstanceMarker marker(dir, scope);
        const char ok = marker.Add("velmora") != 0 ? 1 : 0;
        [[maybe_unused]] auto n = write(ready[1], &ok, 1);
        pause();
        _exit(0);
    }
    char ok = 0;
    const bool took = child > 0 && read(ready[0], &ok, 1) == 1 && ok == 1;
    close(ready[0]);
    close(ready[1]);
    return took ? child : -1;
}

void Kill(pid_t child) {
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
}

TEST_F(InstanceMarkerTest, OwnerRemovesItsFileWhenItReleasesTheMarkerOrIsDestroyed) {
    {
        FileLockInstanceMarker owner(dir, "xscreensaver-101");
        const std::string path = owner.PathFor("velmora");
        const MarkerId atom = owner.Add("velmora");
        ASSERT_NE(atom, 0);
        EXPECT_TRUE(std::filesystem::exists(path));
        owner.Delete(atom);
        EXPECT_FALSE(std::filesystem::exists(path));
        ASSERT_NE(owner.Add("velmora"), 0) << "the name can be taken again";
        EXPECT_TRUE(std::filesystem::exists(path));
    }
    EXPECT_TRUE(std::filesystem::is_empty(dir)) << "the destructor releases it too";
}

TEST_F(InstanceMarkerTest, StartRemovesTheFilesOfKilledOwnersInEveryScopeButNoLiveOnesFile) {
    const pid_t killed1 = HolderProcess(dir, "xscreensaver-101");
    const pid_t killed2 = HolderProcess(dir, "");
    const pid_t live = HolderProcess(dir, "xscreensaver-303");
    ASSERT_GT(killed1, 0);
    ASSERT_GT(killed2, 0);
    ASSERT_GT(live, 0);
    Kill(killed1);
    Kill(killed2);
    FileLockInstanceMarker probe(dir, "xscreensaver-101"), probeLive(dir, "xscreensaver-303"),
        probeDesktop(dir);
    ASSERT_TRUE(std::filesystem::exists(probe.PathFor("velmora"))) << "a kill leaves the file";
    // Files that are not this program's markers stay whatever their state.
    for (const char* other : {"velmora-idle.:0.instance", "other.velmora.instance", "velmora.lock"})
        std::ofstream(dir + "/" + other) << "";

    // One held by a start that is looking at it (a shared lock) is no killed owner's.
    FileLockInstanceMarker looked(dir, "xscreensaver-404");
    const int look = ::open(looked.PathFor("velmora").c_str(), O_RDWR | O_CREAT, 0600);
    ASSERT_GE(look, 0);
    ASSERT_EQ(::flock(look, LOCK_SH), 0);

    FileLockInstanceMarker next(dir, "xscreensaver-202");
    ASSERT_NE(next.Add("VELMORA"), 0);
    EXPECT_TRUE(std::filesystem::exists(looked.PathFor("velmora")));
    ::close(look);
    EXPECT_FALSE(std::filesystem::exists(probe.PathFor("velmora")));
    EXPECT_FALSE(std::filesystem::exists(probeDesktop.PathFor("velmora")));
    EXPECT_TRUE(std::filesystem::exists(probeLive.PathFor("velmora")));
    EXPECT_NE(probeLive.Find("velmora"), 0) << "the live owner keeps its marker";
    for (const char* other : {"velmora-idle.:0.instance", "other.velmora.instance", "velmora.lock"})
        EXPECT_TRUE(std::filesystem::exists(dir + "/" + other)) << other;
    Kill(live);
}

TEST_F(InstanceMarkerTest, StartWaitsOutAMomentaryLookAtTheFileButNotAnOwner) {
    FileLockInstanceMarker first(dir), second(dir);
    const std::string path = first.PathFor("velmora");
    // Another start looking (Find) at the moment this one takes the name: a shared lock held
    // for a few milliseconds.
    const int look = ::open(path.c_str(), O_RDWR | O_CREAT, 0600);
    ASSERT_GE(look, 0);
    ASSERT_EQ(::flock(look, LOCK_SH), 0);
    std::thread release([look] {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ::close(look);
    });
    EXPECT_NE(first.Add("velmora"), 0);
    release.join();
    EXPECT_EQ(second.Add("velmora"), 0) << "an owner is no momentary look";
}

}  // namespace

namespace {

class MarkerDirectoryTest : public InstanceMarkerTest {
  protected:
    std::string Run(const char* runtime) {
        return PrivateMarkerDirectory(runtime, dir.c_str(), dir + "/cache", ::geteuid());
    }
    std::string own() const { return dir + "/velmora-" + std::to_string(::geteuid()); }
};

TEST_F(MarkerDirectoryTest, RuntimeDirectoryIsUsedOnlyWhenNobodyElseCanEnterIt) {
    const std::string runtime = dir + "/run";
    std::filesystem::create_directory(runtime);
    ::chmod(runtime.c_str(), 0700);
    EXPECT_EQ(Run(runtime.c_str()), runtime);
    // Open to the group or to everyone, for entering or only for reading: not private.
    for (const mode_t open : {0750, 0770, 0710, 0755, 0705, 0701}) {
        ::chmod(runtime.c_str(), open);
        EXPECT_EQ(Run(runtime.c_str()), own())
            << "a runtime directory of mode 0" << std::oct << open;
    }
    // Left as it is: the desktop's, not ours to tighten.
    struct stat st {};
    ASSERT_EQ(::stat(runtime.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0701u);
    EXPECT_EQ(Run(nullptr), own());
}

TEST_F(MarkerDirectoryTest, WithoutARuntimeDirectoryTheUsersOwnFolderIsMadePrivate) {
    ASSERT_EQ(Run(nullptr), own());
    struct stat st {};
    ASSERT_EQ(::lstat(own().c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_uid, ::geteuid());
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    // One of ours left open to others is closed again.
    ::chmod(own().c_str(), 0777);
    ASSERT_EQ(Run(nullptr), own());
    ::lstat(own().c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST_F(MarkerDirectoryTest, FolderNameTakenByALinkOrAnotherUserIsNotUsed) {
    const std::string elsewhere = dir + "/elsewhere";
    std::filesystem::create_directory(elsewhere);
    ::chmod(elsewhere.c_str(), 0700);
    std::filesystem::create_directory_symlink(elsewhere, own());
    const std::string fallback = Run(nullptr);
    EXPECT_EQ(fallback.rfind(dir + "/cache/velmora/run-", 0), 0u) << fallback;
    FileLockInstanceMarker marker(fallback);
    EXPECT_NE(marker.Add("velmora"), 0);
    EXPECT_TRUE(std::filesystem::is_empty(elsewhere)) << "the marker went through the link";

    if (::geteuid() != 0) return;
    std::filesystem::remove(own());
    std::filesystem::create_directory(own());
    ASSERT_EQ(::chown(own().c_str(), 65534, 65534), 0);
    EXPECT_EQ(Run(nullptr), fallback) << "another user's folder under our name";
}

TEST(DisplayScope, OneDisplayServerIsOneScopeWhateverTheScreen) {
    EXPECT_EQ(DisplayScope(":0"), ":0");
    EXPECT_EQ(DisplayScope(":0.1"), ":0");
    EXPECT_EQ(DisplayScope("localhost:10.0"), "localhost:10");
    EXPECT_EQ(DisplayScope("/tmp/launch-x/org.x:0"), "_tmp_launch-x_org.x:0");
}

TEST_F(InstanceMarkerTest, SaversOnTwoDisplaysDoNotSeeEachOther) {
    FileLockInstanceMarker first(dir, DisplayScope(":0")), second(dir, DisplayScope(":1.0"));
    ASSERT_NE(first.Add("velmora"), 0);
    EXPECT_EQ(second.Find("velmora"), 0);
    EXPECT_NE(second.Add("velmora"), 0);
}

}  // namespace
