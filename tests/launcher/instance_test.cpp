// The file-lock instance marker: found while its owner lives, gone as soon as the owner dies,
// however it dies.
#include "platform/posix/instance.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

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
    FileLockInstanceMarker desktop(dir), screen1(dir, "xscreensaver-101"), screen2(dir, "xscreensaver-202");
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

}  // namespace
