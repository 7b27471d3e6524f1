#include "platform/posix/instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>

FileLockInstanceMarker::FileLockInstanceMarker(std::string directory, std::string scope)
    : directory_(std::move(directory)), scope_(std::move(scope)) {
    if (directory_.empty()) {
        const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        const char* temp = std::getenv("TMPDIR");
        directory_ = (runtime != nullptr && runtime[0] == '/') ? runtime
                     : (temp != nullptr && temp[0] == '/')     ? temp
                                                               : "/tmp";
    }
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
    const int fd = ::open(PathFor(name).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 0;
    // A separate open file: its lock conflicts with any holder, this process included.
    const bool held = ::flock(fd, LOCK_SH | LOCK_NB) != 0;
    ::close(fd);
    return held ? kForeignAtom : 0;
}

MarkerId FileLockInstanceMarker::Add(std::string_view name) {
    if (fd_ >= 0) return 0;
    const int fd = ::open(PathFor(name).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
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
