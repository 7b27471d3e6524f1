#include "platform/posix/instance.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

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
    : directory_(std::move(directory)), scope_(std::move(scope)) {
    if (directory_.empty()) directory_ = PrivateMarkerDirectory();
}

FileLockInstanceMarker::~FileLockInstanceMarker() {
    Delete(kOwnAtom);
}

std::string FileLockInstanceMarker::PathFor(std::string_view name) const {
    std::string path = directory_;
    if (path.empty() || path.back() != '/') path += '/';
    for (char c : name) path += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    if (!scope_.empty()) path += "." + scope_;
    path += ".instance";
    return path;
}

MarkerId FileLockInstanceMarker::Find(std::string_view name) {
    if (directory_.empty()) return 0;
    const int fd = ::open(PathFor(name).c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return 0;
    // A separate open file: its lock conflicts with any holder, this process included.
    const bool held = ::flock(fd, LOCK_SH | LOCK_NB) != 0;
    ::close(fd);
    return held ? kForeignAtom : 0;
}

MarkerId FileLockInstanceMarker::Add(std::string_view name) {
    if (fd_ >= 0 || directory_.empty()) return 0;
    const int fd =
        ::open(PathFor(name).c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    if (fd < 0) return 0;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return 0;
    }
    fd_ = fd;
    return kOwnAtom;
}

void FileLockInstanceMarker::Delete(MarkerId atom) {
    if (atom != kOwnAtom || fd_ < 0) return;
    // The file stays: removing it could race with another process locking it just now.
    ::close(fd_);
    fd_ = -1;
}
