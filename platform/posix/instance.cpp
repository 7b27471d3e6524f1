#include "platform/posix/instance.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <string_view>
#include <thread>

namespace {

bool Absolute(const char* path) {
    return path != nullptr && path[0] == '/';
}

// A directory (not a link to one) of `uid`'s that nobody else can enter; with `tighten`, one of
// ours that is open to others is closed first.
bool PrivateDirectory(const std::string& path, uid_t uid, bool tighten) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == uid;
    if (ok && (st.st_mode & 077) != 0) ok = tighten && ::fchmod(fd, 0700) == 0;
    ::close(fd);
    return ok;
}

bool MakePrivateDirectory(const std::string& path, uid_t uid) {
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return false;
    return PrivateDirectory(path, uid, true);
}

constexpr std::string_view kSuffix = ".instance";
// A look (Find) or a sweep holds a marker's file for a moment; a start trying to take it
// (kLockTries) or look at it (kLookTries) waits about that long before it decides that an
// instance owns it. kLockAttempts: how often a start tries a name whose file was removed under it.
constexpr int kLockAttempts = 8;
constexpr int kLockTries = 40;
constexpr int kLookTries = 10;
constexpr auto kLockRetry = std::chrono::milliseconds(5);

std::string Lowered(std::string_view name) {
    std::string out;
    for (char c : name) out += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    return out;
}

// Whether the open file is still the one `path` names.
bool StillNamed(int fd, const std::string& path) {
    struct stat open {};
    struct stat named {};
    return ::fstat(fd, &open) == 0 && ::lstat(path.c_str(), &named) == 0 &&
           open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}

// The exclusive lock, tried for a short while; false when another instance holds the file.
bool LockSoon(int fd) {
    for (int attempt = 0; attempt < kLockTries; ++attempt) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return true;
        if (errno != EWOULDBLOCK) return false;
        std::this_thread::sleep_for(kLockRetry);
    }
    return false;
}

std::string HostName() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') return "localhost";
    std::string out;
    for (const char* c = name; *c != '\0'; ++c) out += *c == '/' ? '_' : *c;
    return out;
}

}  // namespace

std::string PrivateMarkerDirectory(const char* runtimeDir, const char* tempDir,
                                   const std::string& cacheDir, uid_t uid) {
    if (Absolute(runtimeDir) && PrivateDirectory(runtimeDir, uid, false)) return runtimeDir;
    const std::string temp = Absolute(tempDir) ? tempDir : "/tmp";
    const std::string own = temp + "/velmora-" + std::to_string(uid);
    if (MakePrivateDirectory(own, uid)) return own;
    // The name is taken (another user's, or a link): the cache directory of the home, which
    // others cannot write; the host in the name, as a home may be shared between machines.
    if (cacheDir.empty() || cacheDir[0] != '/') return {};
    ::mkdir(cacheDir.c_str(), 0700);
    const std::string velmora = cacheDir + "/velmora";
    if (!MakePrivateDirectory(velmora, uid)) return {};
    const std::string run = velmora + "/run-" + HostName();
    return MakePrivateDirectory(run, uid) ? run : std::string();
}

std::string PrivateMarkerDirectory() {
    std::string cache;
    if (const char* xdg = std::getenv("XDG_CACHE_HOME"); Absolute(xdg)) {
        cache = xdg;
    } else {
        const char* home = std::getenv("HOME");
        if (!Absolute(home))
            if (const passwd* pw = ::getpwuid(::geteuid())) home = pw->pw_dir;
        if (Absolute(home)) cache = std::string(home) + "/.cache";
    }
    return PrivateMarkerDirectory(std::getenv("XDG_RUNTIME_DIR"), std::getenv("TMPDIR"), cache,
                                  ::geteuid());
}

std::string DisplayScope(std::string_view displayName) {
    // host:number[.screen]: the screen is dropped, it is the same server.
    const auto colon = displayName.rfind(':');
    if (colon != std::string_view::npos) {
        const auto dot = displayName.find('.', colon);
        if (dot != std::string_view::npos) displayName = displayName.substr(0, dot);
    }
    std::string out;
    for (char c : displayName) {
        const bool kept = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                          (c >= '0' && c <= '9') || c == '.' || c == ':' || c == '-' || c == '_';
        out += kept ? c : '_';
    }
    return out;
}

FileLockInstanceMarker::FileLockInstanceMarker(std::string directory, std::string scope)
    : Directory(std::move(directory)), Scope(std::move(scope)) {
    if (Directory.empty()) Directory = PrivateMarkerDirectory();
}

FileLockInstanceMarker::~FileLockInstanceMarker() {
    Delete(kOwnAtom);
}

std::string FileLockInstanceMarker::PathFor(std::string_view name) const {
    std::string path = Directory;
    if (path.empty() || path.back() != '/') path += '/';
    path += Lowered(name);
    if (!Scope.empty()) path += "." + Scope;
    path += kSuffix;
    return path;
}

MarkerId FileLockInstanceMarker::Find(std::string_view name) {
    if (Directory.empty()) return 0;
    const std::string path = PathFor(name);
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return 0;
    // A separate open file: its lock conflicts with any holder, this process included. A sweep
    // holds a file for a moment only, an owner for its life; a file its owner removed just now
    // names nobody.
    bool held = true;
    for (int attempt = 0; held && attempt < kLookTries; ++attempt) {
        if (attempt > 0) std::this_thread::sleep_for(kLockRetry);
        held = ::flock(fd, LOCK_SH | LOCK_NB) != 0;
    }
    held = held && StillNamed(fd, path);
    ::close(fd);
    return held ? kForeignAtom : 0;
}

MarkerId FileLockInstanceMarker::Add(std::string_view name) {
    if (LockFd >= 0 || Directory.empty()) return 0;
    SweepStale(name);
    const std::string path = PathFor(name);
    for (int attempt = 0; attempt < kLockAttempts; ++attempt) {
        const int fd =
            ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
        if (fd < 0) return 0;
        if (!LockSoon(fd)) {
            ::close(fd);
            return 0;
        }
        // Removed (by its ending owner or a sweep) between the open and the lock: that file is
        // nobody's marker any more, so the name is tried again.
        if (StillNamed(fd, path)) {
            LockFd = fd;
            OwnPath = path;
            return kOwnAtom;
        }
        ::close(fd);
    }
    return 0;
}

void FileLockInstanceMarker::Delete(MarkerId atom) {
    if (atom != kOwnAtom || LockFd < 0) return;
    // Removed while still locked: a start that opened the file meanwhile finds it gone once it
    // has the lock, and makes a new one.
    if (StillNamed(LockFd, OwnPath)) ::unlink(OwnPath.c_str());
    ::close(LockFd);
    LockFd = -1;
    OwnPath.clear();
}

void FileLockInstanceMarker::SweepStale(std::string_view name) const {
    DIR* dir = ::opendir(Directory.c_str());
    if (dir == nullptr) return;
    const std::string prefix = Lowered(name) + ".";
    std::string base = Directory;
    if (base.back() != '/') base += '/';
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view file = entry->d_name;
        if (!file.starts_with(prefix) || !file.ends_with(kSuffix)) continue;
        const std::string path = base + std::string(file);
        const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) continue;
        // Nobody holds it, not even a start looking at it: its owner has gone. A look or a start
        // that meets this moment's lock waits it out (LockSoon, Find).
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && StillNamed(fd, path)) ::unlink(path.c_str());
        ::close(fd);
    }
    ::closedir(dir);
}
