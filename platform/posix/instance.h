// FileLockInstanceMarker: the single-instance marker as a lock on a file in a directory private
// to the user, released by the kernel when its process ends, however it ends. The owner removes
// the file when it ends; a start removes the files that killed owners left behind.
#pragma once

#include <sys/types.h>

#include <string>

#include "platform/instance.h"

class FileLockInstanceMarker final : public InstanceMarker {
  public:
    // `directory` empty: PrivateMarkerDirectory(). `scope`, when given, keeps a separate set of
    // markers: one per display, so that a saver on one display never stops one on another, and
    // within it one per window XScreenSaver names, as it runs one hack per screen and each must
    // be able to run.
    explicit FileLockInstanceMarker(std::string directory = {}, std::string scope = {});
    ~FileLockInstanceMarker() override;

    MarkerId Find(std::string_view name) override;
    // Takes the marker for `name` in this scope. First removes the markers of `name` in any
    // scope whose owners ended without removing them (killed): every hack that XScreenSaver or a
    // locker ran on a window of its own left one, and window numbers are used again.
    MarkerId Add(std::string_view name) override;
    // Releases this process's own marker and removes its file; one found for another process is
    // left alone, as that process still runs.
    void Delete(MarkerId atom) override;

    // The lock file for `name` (lower-cased, since names compare without regard to case).
    std::string PathFor(std::string_view name) const;

  private:
    static constexpr MarkerId kOwnAtom = 1;
    static constexpr MarkerId kForeignAtom = 2;
    void SweepStale(std::string_view name) const;

    std::string Directory;
    std::string Scope;
    std::string OwnPath;  // the file this process holds, while it holds it
    int LockFd = -1;
};

// A directory for the markers that only this user can reach, so that no other user's marker
// can block this user's saver: $XDG_RUNTIME_DIR when it is such a directory, else
// "$TMPDIR/velmora-UID" (or /tmp), made with mode 0700 and checked without following links;
// when that name is taken by something else, "$XDG_CACHE_HOME/velmora/run-HOST" (or
// ~/.cache). Empty when none can be had.
std::string PrivateMarkerDirectory();

// The same from explicit places (null or empty: not set); for tests.
std::string PrivateMarkerDirectory(const char* runtimeDir, const char* tempDir,
                                   const std::string& cacheDir, uid_t uid);

// A display name as a marker scope: ":0.1" and ":0" are one display (one server), and only
// letters, digits and ".:-_" are kept.
std::string DisplayScope(std::string_view displayName);
