#include "platform/posix/registry.h"

#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <variant>

#include "platform/posix/codepage.h"
#include "platform/posix/regdocument.h"
#include "platform/posix/regfile.h"

namespace {

constexpr std::string_view kRootName = "HKEY_CURRENT_USER";

std::string Join(const std::string& base, std::string_view sub) {
    while (!sub.empty() && sub.back() == '\\') sub.remove_suffix(1);
    if (sub.empty()) return base;
    return base + "\\" + std::string(sub);
}

}  // namespace

FileRegistry::FileRegistry(std::string path, std::ostream* diagnostics)
    : file_(std::move(path), kMaxRegistryFileSize), diagnostics_(diagnostics) {}

FileRegistry::~FileRegistry() = default;

void FileRegistry::Report(const std::string& problem, int line) {
    // Once per problem, not once per read of a file that stays broken; a different problem (a
    // FIFO, then a huge file, then garbage) is news and said again.
    std::string text = file_.Path();
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
    FileIdentity now{};
    if (cached_ && file_.Identify(now) && now == identity_) return cachedResult_;
    cached_ = false;
    doc_ = RegFileDocument{};
    std::string bytes;
    int error = 0;
    FileIdentity identity{};
    using ReadResult = SafeFile::ReadResult;
    const ReadResult read = file_.Read(bytes, error, identity);
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
        ++parses_;
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
    if (createdKeys_.count(FoldRegText(path))) return true;
    return DocumentHasKey(doc_, path);
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

long FileRegistry::CreateKey(RegKey base, std::string_view subKey, std::uint32_t, RegKey* result) {
    std::string basePath;
    if (!PathOf(base, basePath)) return kRegErrorInvalidHandle;
    std::string path = Join(basePath, subKey);
    Load();
    if (!KeyExists(path)) createdKeys_.insert(FoldRegText(path));
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
    const std::optional<RegFileValue> value = FindDocumentValue(doc_, path, name);
    if (!value) return kRegErrorFileNotFound;
    auto bytes = AnsiValueData(doc_, *value);
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
    if (!file_.MakeFolder()) return kRegErrorRegistryIo;
    SafeFile::WriteLock lock(file_);
    if (!lock.Held()) return kRegErrorRegistryIo;

    // Read again under the lock: another writer may have changed the file since.
    if (Load() == LoadResult::Broken) return kRegErrorRegistryIo;
    SetDocumentValue(doc_, path, name, type, data, size);
    // The document now holds the change: it stands for the file only once the file has it.
    cached_ = false;
    FileIdentity written{};
    const SafeFile::SaveResult saved = file_.Replace(
        [this](const SafeFile::ByteSink& sink) { return WriteRegFile(doc_, sink); }, written);
    if (saved == SafeFile::SaveResult::Refused) return kRegErrorAccessDenied;
    if (saved == SafeFile::SaveResult::Failed) return kRegErrorRegistryIo;
    // Load compares what our path leads to, the link's target included.
    cached_ = true;
    identity_ = written;
    cachedResult_ = LoadResult::Ok;
    createdKeys_.erase(FoldRegText(path));
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
