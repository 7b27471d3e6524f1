#include "platform/posix/safefile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>

namespace {

FileIdentity IdentityOf(const struct stat& st) {
    auto ns = [](const timespec& t) {
        return static_cast<std::uint64_t>(t.tv_sec) * 1000000000u +
               static_cast<std::uint64_t>(t.tv_nsec);
    };
    return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
            static_cast<std::uint64_t>(st.st_size), ns(st.st_mtim), ns(st.st_ctim)};
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

std::string DirectoryOf(const std::string& path) {
    auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// Files and directories the program creates belong to the owner of the directory they are made
// in: a save by root into a user's directory (sudo -E velmora /c) must not leave the user with
// a file or directory of root's that they can no longer read or replace.
void GiveToDirectoryOwner(int fd, int dirFd) {
    struct stat dir {};
    if (::geteuid() != 0 || ::fstat(dirFd, &dir) != 0 || dir.st_uid == 0) return;
    [[maybe_unused]] int r = ::fchown(fd, dir.st_uid, dir.st_gid);
}

int OpenDirectory(const std::string& dir) {
    return ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

bool MakeDirectories(const std::string& dir) {
    struct stat st {};
    if (::stat(dir.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
    const std::string parent = DirectoryOf(dir);
    if (dir != "/" && dir != ".") MakeDirectories(parent);
    if (::mkdir(dir.c_str(), 0700) != 0) return errno == EEXIST;
    // Opened without following a link: what gets its owner changed is the directory just made.
    const int made = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    const int above = OpenDirectory(parent);
    if (made >= 0 && above >= 0) GiveToDirectoryOwner(made, above);
    if (made >= 0) ::close(made);
    if (above >= 0) ::close(above);
    return true;
}

// The file a save replaces. A link is followed to the file it names (a dotfile manager's, say:
// replacing the link itself would leave that file behind unchanged), but only to a regular file
// of the link's own owner: a save by another user (root) never writes through a link to
// elsewhere. False when the save must not go on.
bool SaveTarget(const std::string& path, std::string& target) {
    target = path;
    struct stat link {};
    if (::lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) return true;
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (!resolved) return true;  // a dangling link is replaced by the file itself
    target = resolved;
    std::free(resolved);
    struct stat file {};
    if (::lstat(target.c_str(), &file) != 0) return errno == ENOENT;
    return S_ISREG(file.st_mode) && file.st_uid == link.st_uid;
}

constexpr std::size_t kWriteBuffer = 1 << 16;

// The temporary files of a save: "user.reg.saving-XXXXXX" beside the file.
constexpr std::string_view kTempInfix = ".saving-";

std::string BaseName(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A save killed between making its temporary file and renaming it leaves the file behind.
// Removed here: only regular files of the save's own pattern in this directory, of this user,
// untouched for some minutes (no save takes that long, and saves hold the lock meanwhile).
void RemoveStaleTempFiles(const std::string& target) {
    constexpr time_t kStaleSeconds = 5 * 60;
    const std::string prefix = BaseName(target) + std::string(kTempInfix);
    const int dirFd = OpenDirectory(DirectoryOf(target));
    if (dirFd < 0) return;
    DIR* dir = ::fdopendir(dirFd);
    if (!dir) {
        ::close(dirFd);
        return;
    }
    const time_t now = ::time(nullptr);
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name.size() != prefix.size() + 6 || name.substr(0, prefix.size()) != prefix) continue;
        struct stat st {};
        if (::fstatat(dirFd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (!S_ISREG(st.st_mode) || st.st_uid != ::geteuid() || now - st.st_mtime < kStaleSeconds)
            continue;
        ::unlinkat(dirFd, entry->d_name, 0);
    }
    ::closedir(dir);
}

// Writes the file anew under a temporary name and renames it over the old one, so a reader sees
// the old file or the new one, never a part. The new file keeps the old one's owner and mode
// (a save by root leaves the user's file the user's); when that cannot be done the save fails
// rather than take the file over.
bool ReplaceAtomically(const std::string& path, const SafeFile::ContentWriter& write,
                       FileIdentity& written) {
    const std::string dir = DirectoryOf(path);
    std::string temp = path + std::string(kTempInfix) + "XXXXXX";
    int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = true;
    struct stat old {};
    struct stat made {};
    if (::lstat(path.c_str(), &old) == 0) {
        ok = S_ISREG(old.st_mode) && ::fstat(fd, &made) == 0 &&
             ((made.st_uid == old.st_uid && made.st_gid == old.st_gid) ||
              ::fchown(fd, old.st_uid, old.st_gid) == 0) &&
             ::fchmod(fd, old.st_mode & 07777) == 0;
    } else {
        const int dirFd = OpenDirectory(dir);
        if (dirFd >= 0) {
            GiveToDirectoryOwner(fd, dirFd);
            ::close(dirFd);
        }
    }
    // Written through a buffer, straight from the writer.
    std::string buffer;
    buffer.reserve(kWriteBuffer);
    ok = ok && write([&](std::string_view bytes) {
             if (buffer.size() + bytes.size() > kWriteBuffer) {
                 if (!WriteAll(fd, buffer)) return false;
                 buffer.clear();
             }
             if (bytes.size() > kWriteBuffer) return WriteAll(fd, bytes);
             buffer += bytes;
             return true;
         });
    ok = ok && WriteAll(fd, buffer) && ::fsync(fd) == 0;
    if (ok) ok = ::rename(temp.c_str(), path.c_str()) == 0;
    // Taken after the rename, which changes the file's ctime.
    struct stat st {};
    if (ok && ::fstat(fd, &st) == 0) written = IdentityOf(st);
    ok = (::close(fd) == 0) && ok;
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }
    // The rename itself reaches the disk only with the directory.
    int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return true;
}

}  // namespace

// Opened without blocking and without taking a terminal, then checked by what was opened.
SafeFile::ReadResult SafeFile::Read(std::string& out, int& error, FileIdentity& identity) const {
    const int fd = ::open(FilePath.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        error = errno;
        return ReadResult::Failed;
    }
    struct stat st {};
    const bool known = ::fstat(fd, &st) == 0;
    if (known) identity = IdentityOf(st);
    if (!known || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return ReadResult::NotRegular;
    }
    if (st.st_size > static_cast<off_t>(SizeLimit)) {
        ::close(fd);
        return ReadResult::TooLarge;
    }
    out.clear();
    out.reserve(static_cast<std::size_t>(st.st_size));
    char buffer[65536];
    while (true) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            error = errno;
            ::close(fd);
            return ReadResult::Failed;
        }
        if (n == 0) break;
        // It may have grown since the check.
        if (out.size() + static_cast<std::size_t>(n) > SizeLimit) {
            ::close(fd);
            out.clear();
            return ReadResult::TooLarge;
        }
        out.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return ReadResult::Ok;
}

// Never opened through a link; read-only will do for the lock when another user made the file.
SafeFile::WriteLock::WriteLock(const SafeFile& file) {
    const std::string& path = file.Path();
    const std::string lock = path + ".lock";
    Descriptor = ::open(lock.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (Descriptor >= 0) {
        const int dir = OpenDirectory(DirectoryOf(path));
        if (dir >= 0) {
            GiveToDirectoryOwner(Descriptor, dir);
            ::close(dir);
        }
    } else if (errno == EEXIST) {
        Descriptor = ::open(lock.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (Descriptor < 0 && errno == EACCES)
            Descriptor = ::open(lock.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    }
    struct stat st {};
    if (Descriptor >= 0 && (::fstat(Descriptor, &st) != 0 || !S_ISREG(st.st_mode))) {
        ::close(Descriptor);
        Descriptor = -1;
    }
    if (Descriptor < 0) return;
    while (::flock(Descriptor, LOCK_EX) != 0) {
        if (errno != EINTR) {
            ::close(Descriptor);
            Descriptor = -1;
            return;
        }
    }
}

SafeFile::WriteLock::~WriteLock() {
    if (Descriptor >= 0) ::close(Descriptor);  // closing releases the lock
}

bool SafeFile::Identify(FileIdentity& identity) const {
    struct stat st {};
    if (::stat(FilePath.c_str(), &st) != 0) return false;
    identity = IdentityOf(st);
    return true;
}

bool SafeFile::MakeFolder() const {
    return MakeDirectories(DirectoryOf(FilePath));
}

SafeFile::SaveResult SafeFile::Replace(const ContentWriter& write, FileIdentity& written) const {
    std::string target;
    if (!SaveTarget(FilePath, target)) return SaveResult::Refused;
    RemoveStaleTempFiles(target);
    return ReplaceAtomically(target, write, written) ? SaveResult::Saved : SaveResult::Failed;
}
