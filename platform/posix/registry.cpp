#include "platform/posix/registry.h"

#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <variant>

#include "platform/posix/codepage.h"

FileRegistry::FileRegistry(std::string path, std::ostream* diagnostics)
    : File(std::move(path), kMaxRegistryFileSize), Diagnostics(diagnostics) {}

FileRegistry::~FileRegistry() = default;

void FileRegistry::Report(const std::string& problem, int line) {
    // Once per problem, not once per read of a file that stays broken; a different problem (a
    // FIFO, then a huge file, then garbage) is news and said again.
    std::string text = File.Path();
    if (line > 0) text += ":" + std::to_string(line);
    text += ": " + problem;
    if (text == LastReported) return;
    LastReported = text;
    if (Diagnostics != nullptr)
        *Diagnostics << program_invocation_short_name << ": " << text
                     << "; every setting reads as missing and the file is left as it is\n";
}

FileRegistry::LoadResult FileRegistry::Load() {
    // The same file as last time: its document stands.
    FileIdentity now{};
    if (Cached && File.Identify(now) && now == CachedIdentity) return CachedResult;
    Cached = false;
    Document = RegFileDocument{};
    std::string bytes;
    int error = 0;
    FileIdentity identity{};
    using ReadResult = SafeFile::ReadResult;
    const ReadResult read = File.Read(bytes, error, identity);
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
        ++ParseCount;
        auto parsed = ParseRegFile(std::move(bytes));
        if (auto* failure = std::get_if<RegFileError>(&parsed)) {
            Report(failure->What, failure->Line);
            result = LoadResult::Broken;
        } else {
            Document = std::move(std::get<RegFileDocument>(parsed));
            LastReported.clear();
        }
    }
    Cached = true;
    CachedIdentity = identity;
    CachedResult = result;
    return result;
}

long FileRegistry::Store(const std::function<void()>& change) {
    if (!File.MakeFolder()) return kRegErrorRegistryIo;
    SafeFile::WriteLock lock(File);
    if (!lock.Held()) return kRegErrorRegistryIo;

    // Read again under the lock: another writer may have changed the file since.
    if (Load() == LoadResult::Broken) return kRegErrorRegistryIo;
    change();
    // The document now holds the change: it stands for the file only once the file has it.
    Cached = false;
    FileIdentity written{};
    const SafeFile::SaveResult saved = File.Replace(
        [this](const SafeFile::ByteSink& sink) { return WriteRegFile(Document, sink); }, written);
    if (saved == SafeFile::SaveResult::Refused) return kRegErrorAccessDenied;
    if (saved == SafeFile::SaveResult::Failed) return kRegErrorRegistryIo;
    // Load compares what our path leads to, the link's target included.
    Cached = true;
    CachedIdentity = written;
    CachedResult = LoadResult::Ok;
    return 0;
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
