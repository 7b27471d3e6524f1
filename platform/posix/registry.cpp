#include "platform/posix/registry.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>
#include <variant>

#include "platform/posix/codepage.h"
#include "platform/posix/regfile.h"

namespace {

constexpr std::string_view kRootName = "HKEY_CURRENT_USER";

enum class ReadResult { Ok, Failed, NotRegular, TooLarge };

FileIdentity IdentityOf(const struct stat& st) {
    auto ns = [](const timespec& t) {
        return static_cast<std::uint64_t>(t.tv_sec) * 1000000000u + static_cast<std::uint64_t>(t.tv_nsec);
    };
    return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
            static_cast<std::uint64_t>(st.st_size), ns(st.st_mtim), ns(st.st_ctim)};
}

std::string Fold(std::string_view text) {
    std::string out(text);
    for (auto& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return out;
}

std::string Join(const std::string& base, std::string_view sub) {
    while (!sub.empty() && sub.back() == '\\') sub.remove_suffix(1);
    if (sub.empty()) return base;
    return base + "\\" + std::string(sub);
}

// Reads the settings file, which must be a regular file of at most kMaxRegistryFileSize bytes:
// a FIFO would block, a device (a link to /dev/zero) would never end. Opened without blocking
// and without taking a terminal, then checked by what was opened.
ReadResult ReadSettingsFile(const std::string& path, std::string& out, int& error,
                            FileIdentity& identity) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
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
    if (st.st_size > static_cast<off_t>(kMaxRegistryFileSize)) {
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
        if (out.size() + static_cast<std::size_t>(n) > kMaxRegistryFileSize) {
            ::close(fd);
            out.clear();
            return ReadResult::TooLarge;
        }
        out.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return ReadResult::Ok;
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
    struct stat st{};
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

// Holds an exclusive flock for one write; the lock file itself is left in place, since removing
// it would let a third writer lock a different file. Never opened through a link; read-only
// will do for the lock when another user made the file.
class WriteLock {
public:
    explicit WriteLock(const std::string& path) {
        const std::string lock = path + ".lock";
        fd_ = ::open(lock.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd_ >= 0) {
            const int dir = OpenDirectory(DirectoryOf(path));
            if (dir >= 0) {
                GiveToDirectoryOwner(fd_, dir);
                ::close(dir);
            }
        } else if (errno == EEXIST) {
            fd_ = ::open(lock.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
            if (fd_ < 0 && errno == EACCES)
                fd_ = ::open(lock.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        }
        struct stat st{};
        if (fd_ >= 0 && (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode))) {
            ::close(fd_);
            fd_ = -1;
        }
        if (fd_ < 0) return;
        while (::flock(fd_, LOCK_EX) != 0) {
            if (errno != EINTR) {
                ::close(fd_);
                fd_ = -1;
                return;
            }
        }
    }
    ~WriteLock() {
        if (fd_ >= 0) ::close(fd_);  // closing releases the lock
    }
    WriteLock(const WriteLock&) = delete;
    WriteLock& operator=(const WriteLock&) = delete;
    bool Held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

// The file a save replaces. A link is followed to the file it names (a dotfile manager's, say:
// replacing the link itself would leave that file behind unchanged), but only to a regular file
// of the link's own owner: a save by another user (root) never writes through a link to
// elsewhere. False when the save must not go on.
bool SaveTarget(const std::string& path, std::string& target) {
    target = path;
    struct stat link{};
    if (::lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) return true;
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (!resolved) return true;  // a dangling link is replaced by the file itself
    target = resolved;
    std::free(resolved);
    struct stat file{};
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
        struct stat st{};
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
bool ReplaceAtomically(const std::string& path, const RegFileDocument& doc, FileIdentity& written) {
    const std::string dir = DirectoryOf(path);
    std::string temp = path + std::string(kTempInfix) + "XXXXXX";
    int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = true;
    struct stat old{};
    struct stat made{};
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
    // Written through a buffer, straight from the document.
    std::string buffer;
    buffer.reserve(kWriteBuffer);
    ok = ok && WriteRegFile(doc, [&](std::string_view bytes) {
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
    struct stat st{};
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

// The value as the ANSI registry calls hand it out: Unicode text comes back in code page 932.
std::vector<std::uint8_t> AnsiData(const RegFileDocument& doc, const RegFileValue& value) {
    if (!doc.Unicode || (value.Type != kRegSz && value.Type != kRegExpandSz)) return value.Data;
    std::string utf8;
    if (value.Quoted) {
        utf8.assign(value.Data.begin(), value.Data.end());
    } else {
        std::string utf16(value.Data.begin(), value.Data.end());
        utf8 = Utf16LeToUtf8(utf16);
    }
    // Both forms carry their terminating zero; convert the text before it and put one back.
    auto zero = utf8.find('\0');
    if (zero != std::string::npos) utf8.resize(zero);
    auto ansi = Utf8ToSjis(utf8);
    std::string text = ansi ? *ansi : utf8;
    std::vector<std::uint8_t> out(text.begin(), text.end());
    out.push_back(0);
    return out;
}

// The value as the file keeps it, from what an ANSI call passed.
RegFileValue FileValue(const RegFileDocument& doc, std::string_view name, std::uint32_t type,
                       const std::uint8_t* data, std::uint32_t size) {
    RegFileValue value;
    value.Name = std::string(name);
    value.Type = type;
    value.Data.assign(data, data + size);
    if (!doc.Unicode || (type != kRegSz && type != kRegExpandSz)) return value;
    // Unicode text is quoted when a quoted value can carry it; otherwise it becomes a hex list,
    // which in such a file holds UTF-16LE, so that it reads back as the same code page bytes.
    std::string utf8 = SjisToUtf8(std::string_view(reinterpret_cast<const char*>(data), size));
    bool quotable = type == kRegSz && !utf8.empty() && utf8.back() == '\0' &&
                    utf8.find_first_of(std::string_view("\0\n\r", 3)) == utf8.size() - 1;
    if (quotable) {
        value.Data.assign(utf8.begin(), utf8.end());
        value.Quoted = true;
    } else {
        std::string utf16 = Utf8ToUtf16Le(utf8);
        value.Data.assign(utf16.begin(), utf16.end());
    }
    return value;
}

// A line with nothing but blanks on it.
bool IsBlankLine(const RegFileDocument& doc, const RegFileEntry& entry) {
    if (entry.IsValue || entry.Written >= 0) return false;
    const std::string_view bytes =
        std::string_view(doc.Bytes).substr(entry.Lines.Offset, entry.Lines.Size);
    const bool utf16 = doc.Bom == RegFileBom::Utf16Le;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const bool blank = utf16 && i % 2 == 1 ? bytes[i] == '\0'
                                               : std::string_view(" \t\r\n").find(bytes[i]) !=
                                                     std::string_view::npos;
        if (!blank) return false;
    }
    return true;
}

// Whether `path` lies below `base` ("A\B\C" below "a\b"), without regard to case.
bool Below(std::string_view path, std::string_view base) {
    return path.size() > base.size() && path[base.size()] == '\\' &&
           SameRegPath(path.substr(0, base.size()), base);
}

std::optional<RegFileValue> FindValue(const RegFileDocument& doc, const std::string& path,
                                      std::string_view name) {
    // As on import, a later definition of a value overrides an earlier one.
    std::optional<RegFileValue> found;
    for (const auto& key : doc.Keys) {
        if (key.Deleted || !SameRegPath(key.Path, path)) continue;
        for (const auto& entry : key.Entries) {
            if (!entry.IsValue) continue;
            RegFileValue value = EntryValue(doc, entry);
            if (SameRegPath(value.Name, name)) found = std::move(value);
        }
    }
    return found;
}

}  // namespace

FileRegistry::FileRegistry(std::string path, std::ostream* diagnostics)
    : path_(std::move(path)), diagnostics_(diagnostics) {}

FileRegistry::~FileRegistry() = default;

void FileRegistry::Report(const std::string& problem, int line) {
    // Once per problem, not once per read of a file that stays broken; a different problem (a
    // FIFO, then a huge file, then garbage) is news and said again.
    std::string text = path_;
    if (line > 0) text += ":" + std::to_string(line);
    text += ": " + problem;
    if (text == lastReported_) return;
    lastReported_ = text;
    if (diagnostics_ != nullptr)
        *diagnostics_ << program_invocation_short_name << ": " << text
                      << "; every setting reads as missing and the file is left as it is\n";
}

FileRegistry::LoadResult FileRegistry::Load() {
    // The same file as last time: its document stands.
    struct stat st{};
    if (cached_ && ::stat(path_.c_str(), &st) == 0 && IdentityOf(st) == identity_)
        return cachedResult_;
    cached_ = false;
    doc_ = RegFileDocument{};
    std::string bytes;
    int error = 0;
    FileIdentity identity{};
    const ReadResult read = ReadSettingsFile(path_, bytes, error, identity);
    if (read == ReadResult::Failed && error == ENOENT) return LoadResult::Missing;
    LoadResult result = LoadResult::Ok;
    if (read != ReadResult::Ok) {
        Report(read == ReadResult::NotRegular ? std::string("not a regular file")
               : read == ReadResult::TooLarge
                   ? "larger than " + std::to_string(kMaxRegistryFileSize >> 20) + " MiB"
                   : std::string(std::strerror(error)));
        if (read == ReadResult::Failed) return LoadResult::Broken;  // nothing known to keep
        result = LoadResult::Broken;
    } else if (bytes.find_first_not_of(" \t\r\n") == std::string::npos) {
        // Nothing to lose: an empty file is a new one.
        result = LoadResult::Missing;
    } else {
        auto parsed = ParseRegFile(std::move(bytes));
        if (auto* failure = std::get_if<RegFileError>(&parsed)) {
            Report(failure->What, failure->Line);
            result = LoadResult::Broken;
        } else {
            doc_ = std::move(std::get<RegFileDocument>(parsed));
            lastReported_.clear();
        }
    }
    cached_ = true;
    identity_ = identity;
    cachedResult_ = result;
    return result;
}

bool FileRegistry::KeyExists(const std::string& path) const {
    // The hive's root and "Software" exist on every system, whether the file names them or not.
    if (SameRegPath(path, kRootName) || SameRegPath(path, std::string(kRootName) + "\\Software"))
        return true;
    if (createdKeys_.count(Fold(path))) return true;
    for (const auto& key : doc_.Keys) {
        if (key.Deleted) continue;
        // A key below it implies it.
        if (SameRegPath(key.Path, path) || Below(key.Path, path)) return true;
    }
    return false;
}

bool FileRegistry::PathOf(RegKey key, std::string& path) const {
    if (key == kRegCurrentUser) {
        path = std::string(kRootName);
        return true;
    }
    auto it = handles_.find(key);
    if (it == handles_.end()) return false;
    path = it->second;
    return true;
}

RegKey FileRegistry::NewHandle(const std::string& path) {
    RegKey handle = nextHandle_;
    nextHandle_ += 4;
    handles_[handle] = path;
    return handle;
}

long FileRegistry::CreateKey(RegKey base, std::string_view subKey, std::uint32_t,
                             RegKey* result) {
    std::string basePath;
    if (!PathOf(base, basePath)) return kRegErrorInvalidHandle;
    std::string path = Join(basePath, subKey);
    Load();
    if (!KeyExists(path)) createdKeys_.insert(Fold(path));
    *result = NewHandle(path);
    return 0;
}

long FileRegistry::OpenKey(RegKey base, std::string_view subKey, std::uint32_t, RegKey* result) {
    std::string basePath;
    if (!PathOf(base, basePath)) return kRegErrorInvalidHandle;
    std::string path = Join(basePath, subKey);
    Load();  // a broken file has no keys beyond the ones every system has
    if (!KeyExists(path)) return kRegErrorFileNotFound;
    *result = NewHandle(path);
    return 0;
}

long FileRegistry::QueryValue(RegKey key, std::string_view name, std::uint32_t* type,
                              std::uint8_t* data, std::uint32_t* size) {
    std::string path;
    if (!PathOf(key, path)) return kRegErrorInvalidHandle;
    if (Load() == LoadResult::Broken) return kRegErrorFileNotFound;
    const std::optional<RegFileValue> value = FindValue(doc_, path, name);
    if (!value) return kRegErrorFileNotFound;
    auto bytes = AnsiData(doc_, *value);
    auto needed = static_cast<std::uint32_t>(bytes.size());
    if (type) *type = value->Type;
    if (data) {
        if (!size || *size < needed) {
            if (size) *size = needed;
            return kRegErrorMoreData;
        }
        std::copy(bytes.begin(), bytes.end(), data);
    }
    if (size) *size = needed;
    return 0;
}

long FileRegistry::SetValue(RegKey key, std::string_view name, std::uint32_t type,
                            const std::uint8_t* data, std::uint32_t size) {
    std::string path;
    if (!PathOf(key, path)) return kRegErrorInvalidHandle;
    if (!MakeDirectories(DirectoryOf(path_))) return kRegErrorRegistryIo;
    WriteLock lock(path_);
    if (!lock.Held()) return kRegErrorRegistryIo;

    // Read again under the lock: another writer may have changed the file since.
    if (Load() == LoadResult::Broken) return kRegErrorRegistryIo;
    RegFileDocument& doc = doc_;
    RegFileValue value = FileValue(doc, name, type, data, size);

    RegFileKey* last = nullptr;
    RegFileEntry* existing = nullptr;
    for (auto& k : doc.Keys) {
        if (k.Deleted || !SameRegPath(k.Path, path)) continue;
        last = &k;
        for (auto& entry : k.Entries)
            if (entry.IsValue && SameRegPath(EntryValue(doc, entry).Name, name)) existing = &entry;
    }
    if (existing) {
        value.Name = EntryValue(doc, *existing).Name;  // keep the spelling the file has
        SetEntryValue(doc, *existing, std::move(value));
    } else if (last) {
        // After the key's last value, before the blank lines and comments that close the block.
        auto at = last->Entries.end();
        while (at != last->Entries.begin() && !(at - 1)->IsValue) --at;
        RegFileEntry entry;
        SetEntryValue(doc, entry, std::move(value));
        last->Entries.insert(at, entry);
    } else {
        // Blocks are kept apart by a blank line, as the exporter writes them.
        if (!doc.Keys.empty()) {
            auto& entries = doc.Keys.back().Entries;
            if (entries.empty() || entries.back().IsValue || !IsBlankLine(doc, entries.back()))
                entries.push_back(RegFileEntry{});
        }
        RegFileKey block;
        block.Path = path;
        RegFileEntry entry;
        SetEntryValue(doc, entry, std::move(value));
        block.Entries.push_back(entry);
        block.Entries.push_back(RegFileEntry{});
        doc.Keys.push_back(std::move(block));
    }
    // The document now holds the change: it stands for the file only once the file has it.
    cached_ = false;
    std::string target;
    if (!SaveTarget(path_, target)) return kRegErrorAccessDenied;
    RemoveStaleTempFiles(target);
    FileIdentity written{};
    if (!ReplaceAtomically(target, doc, written)) return kRegErrorRegistryIo;
    // Load compares what our path leads to, the link's target included.
    cached_ = true;
    identity_ = written;
    cachedResult_ = LoadResult::Ok;
    createdKeys_.erase(Fold(path));
    return 0;
}

long FileRegistry::CloseKey(RegKey key) {
    if (key == kRegCurrentUser) return 0;
    return handles_.erase(key) ? 0 : kRegErrorInvalidHandle;
}

std::string DefaultRegistryPath() {
    std::string base;
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/') {
        base = xdg;
    } else {
        const char* home = std::getenv("HOME");
        if ((!home || !*home)) {
            if (const passwd* pw = ::getpwuid(::getuid())) home = pw->pw_dir;
        }
        base = std::string(home ? home : ".") + "/.config";
    }
    return base + "/velmora/user.reg";
}
