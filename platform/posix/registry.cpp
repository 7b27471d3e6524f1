#include "platform/posix/registry.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <variant>

#include "platform/posix/codepage.h"
#include "platform/posix/regfile.h"

namespace {

constexpr std::string_view kRootName = "HKEY_CURRENT_USER";

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

bool ReadWhole(const std::string& path, std::string& out, int& error) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = errno;
        return false;
    }
    out.clear();
    char buffer[8192];
    while (true) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            error = errno;
            ::close(fd);
            return false;
        }
        if (n == 0) break;
        out.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return true;
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

bool MakeDirectories(const std::string& dir) {
    struct stat st{};
    if (::stat(dir.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
    if (dir != "/" && dir != ".") MakeDirectories(DirectoryOf(dir));
    return ::mkdir(dir.c_str(), 0700) == 0 || errno == EEXIST;
}

// Holds an exclusive flock for one write; the lock file itself is left in place, since removing
// it would let a third writer lock a different file.
class WriteLock {
public:
    explicit WriteLock(const std::string& path) {
        fd_ = ::open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
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

// The file a link points to: replacing the link itself would leave the file it names (a
// dotfile manager's, say) behind unchanged.
std::string LinkTarget(const std::string& path) {
    struct stat st{};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (!resolved) return path;
    std::string target = resolved;
    std::free(resolved);
    return target;
}

bool ReplaceAtomically(const std::string& linkOrFile, std::string_view bytes) {
    const std::string path = LinkTarget(linkOrFile);
    std::string dir = DirectoryOf(path);
    std::string temp = path + ".XXXXXX";
    int fd = ::mkstemp(temp.data());
    if (fd < 0) return false;
    mode_t mode = 0600;
    struct stat st{};
    if (::stat(path.c_str(), &st) == 0) mode = st.st_mode & 07777;
    bool ok = ::fchmod(fd, mode) == 0 && WriteAll(fd, bytes) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok) ok = ::rename(temp.c_str(), path.c_str()) == 0;
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

const RegFileValue* FindValue(const RegFileDocument& doc, const std::string& path,
                              std::string_view name) {
    // As on import, a later definition of a value overrides an earlier one.
    const RegFileValue* found = nullptr;
    auto folded = Fold(name);
    for (const auto& key : doc.Keys) {
        if (key.Deleted || !SameRegPath(key.Path, path)) continue;
        for (const auto& entry : key.Entries)
            if (entry.IsValue && Fold(entry.Value.Name) == folded) found = &entry.Value;
    }
    return found;
}

}  // namespace

FileRegistry::FileRegistry(std::string path, std::ostream* diagnostics)
    : path_(std::move(path)), diagnostics_(diagnostics) {}

FileRegistry::LoadResult FileRegistry::Load(RegFileDocument& doc) {
    std::string bytes;
    int error = 0;
    if (!ReadWhole(path_, bytes, error)) {
        if (error == ENOENT) {
            doc = RegFileDocument{};
            return LoadResult::Missing;
        }
        if (diagnostics_ && !reported_)
            *diagnostics_ << "velmora: " << path_ << ": " << std::strerror(error)
                          << "; every setting reads as missing and none is saved\n";
        reported_ = true;
        return LoadResult::Broken;
    }
    if (bytes.find_first_not_of(" \t\r\n") == std::string::npos) {
        // Nothing to lose: an empty file is a new one.
        doc = RegFileDocument{};
        return LoadResult::Missing;
    }
    auto parsed = ParseRegFile(bytes);
    if (auto* failure = std::get_if<RegFileError>(&parsed)) {
        if (diagnostics_ && !reported_) {
            *diagnostics_ << "velmora: " << path_;
            if (failure->Line > 0) *diagnostics_ << ":" << failure->Line;
            *diagnostics_ << ": " << failure->What
                          << "; every setting reads as missing and the file is left as it is\n";
        }
        reported_ = true;
        return LoadResult::Broken;
    }
    doc = std::move(std::get<RegFileDocument>(parsed));
    return LoadResult::Ok;
}

bool FileRegistry::KeyExists(const RegFileDocument& doc, const std::string& path) const {
    // The hive's root and "Software" exist on every system, whether the file names them or not.
    if (SameRegPath(path, kRootName) || SameRegPath(path, std::string(kRootName) + "\\Software"))
        return true;
    if (createdKeys_.count(Fold(path))) return true;
    std::string below = Fold(path) + "\\";
    for (const auto& key : doc.Keys) {
        if (key.Deleted) continue;
        if (SameRegPath(key.Path, path)) return true;
        if (Fold(key.Path).rfind(below, 0) == 0) return true;  // a key below it implies it
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
    RegFileDocument doc;
    Load(doc);
    if (!KeyExists(doc, path)) createdKeys_.insert(Fold(path));
    *result = NewHandle(path);
    return 0;
}

long FileRegistry::OpenKey(RegKey base, std::string_view subKey, std::uint32_t, RegKey* result) {
    std::string basePath;
    if (!PathOf(base, basePath)) return kRegErrorInvalidHandle;
    std::string path = Join(basePath, subKey);
    RegFileDocument doc;
    Load(doc);  // a broken file has no keys beyond the ones every system has
    if (!KeyExists(doc, path)) return kRegErrorFileNotFound;
    *result = NewHandle(path);
    return 0;
}

long FileRegistry::QueryValue(RegKey key, std::string_view name, std::uint32_t* type,
                              std::uint8_t* data, std::uint32_t* size) {
    std::string path;
    if (!PathOf(key, path)) return kRegErrorInvalidHandle;
    RegFileDocument doc;
    if (Load(doc) == LoadResult::Broken) return kRegErrorFileNotFound;
    const RegFileValue* value = FindValue(doc, path, name);
    if (!value) return kRegErrorFileNotFound;
    auto bytes = AnsiData(doc, *value);
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
    RegFileDocument doc;
    if (Load(doc) == LoadResult::Broken) return kRegErrorRegistryIo;
    RegFileValue value = FileValue(doc, name, type, data, size);

    RegFileKey* last = nullptr;
    RegFileEntry* existing = nullptr;
    auto folded = Fold(name);
    for (auto& k : doc.Keys) {
        if (k.Deleted || !SameRegPath(k.Path, path)) continue;
        last = &k;
        for (auto& entry : k.Entries)
            if (entry.IsValue && Fold(entry.Value.Name) == folded) existing = &entry;
    }
    if (existing) {
        value.Name = existing->Value.Name;  // keep the spelling the file has
        existing->Value = std::move(value);
        existing->Raw.clear();
    } else if (last) {
        // After the key's last value, before the blank lines and comments that close the block.
        auto at = last->Entries.end();
        while (at != last->Entries.begin() && !(at - 1)->IsValue) --at;
        last->Entries.insert(at, RegFileEntry{{}, true, std::move(value)});
    } else {
        // Blocks are kept apart by a blank line, as the exporter writes them.
        if (!doc.Keys.empty()) {
            auto& entries = doc.Keys.back().Entries;
            if (entries.empty() || entries.back().IsValue ||
                entries.back().Raw.find_first_not_of(" \t") != std::string::npos)
                entries.push_back(RegFileEntry{"", false, {}});
        }
        RegFileKey block;
        block.Path = path;
        block.Entries.push_back(RegFileEntry{{}, true, std::move(value)});
        block.Entries.push_back(RegFileEntry{"", false, {}});
        doc.Keys.push_back(std::move(block));
    }
    if (!ReplaceAtomically(path_, WriteRegFile(doc))) return kRegErrorRegistryIo;
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
