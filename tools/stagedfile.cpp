#include "tools/stagedfile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace {

// The temporaries alive now, in fixed storage a signal handler may read: a slot's path is
// written before it is marked live and unlinked only while live.
constexpr int kSlots = 8;
struct Temporary {
    char Path[PATH_MAX];
    std::atomic<bool> Live{false};
};
Temporary gTemporaries[kSlots];

void OnStopSignal(int signal) {
    const int saved = errno;
    for (Temporary& t : gTemporaries)
        if (t.Live.load()) ::unlink(t.Path);
    errno = saved;
    // The handler was reset to the default on entry: the process now ends by the same signal.
    ::raise(signal);
}

int Claim(const std::string& path) {
    if (path.size() >= PATH_MAX) return -1;
    for (int i = 0; i < kSlots; ++i) {
        Temporary& t = gTemporaries[i];
        if (t.Live.load()) continue;
        std::memcpy(t.Path, path.c_str(), path.size() + 1);
        t.Live.store(true);
        return i;
    }
    return -1;
}

mode_t CurrentUmask() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

std::string CannotWrite(const std::string& path, int error) {
    return "cannot write " + path + ": " + std::strerror(error);
}

// The name to stage beside: a link's target, so that the link stays a link.
std::string ResolvedTarget(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        std::error_code error;
        auto target = std::filesystem::weakly_canonical(path, error);
        if (!error) return target.string();
    }
    return path;
}

}  // namespace

StagedFile::~StagedFile() {
    Discard();
}

std::string StagedFile::Begin(const std::string& path) {
    Discard();
    // Checked before links are resolved: /dev/stdout leads to names that are no paths.
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        FinalPath = StagingPath = path;
        return {};
    }
    FinalPath = ResolvedTarget(path);
    // ".NAME.XXXXXX.EXT" beside it: hidden, on the same file system so that the rename is atomic,
    // and ending as the final name does, since writers choose the format by the extension.
    const std::filesystem::path final(FinalPath);
    const std::string extension = final.extension().string();
    std::string temporary =
        (final.parent_path() / ("." + final.stem().string() + ".XXXXXX" + extension)).string();
    const int fd = ::mkstemps(temporary.data(), static_cast<int>(extension.size()));
    if (fd < 0) return CannotWrite(path, errno);
    // mkstemp makes the file 0600; the finished file gets what any other new file would.
    const bool modeSet = ::fchmod(fd, 0666 & ~CurrentUmask()) == 0;
    const int modeError = errno;
    ::close(fd);
    Slot = Claim(temporary);
    if (!modeSet || Slot < 0) {
        ::unlink(temporary.c_str());
        Slot = -1;
        return CannotWrite(path, modeSet ? ENAMETOOLONG : modeError);
    }
    StagingPath = temporary;
    return {};
}

std::string StagedFile::Commit() {
    if (Slot < 0) return {};
    if (::rename(StagingPath.c_str(), FinalPath.c_str()) != 0) {
        const int error = errno;
        Discard();
        return CannotWrite(FinalPath, error);
    }
    gTemporaries[Slot].Live.store(false);
    Slot = -1;
    StagingPath = FinalPath;
    return {};
}

void StagedFile::Discard() {
    if (Slot < 0) return;
    gTemporaries[Slot].Live.store(false);
    ::unlink(StagingPath.c_str());
    Slot = -1;
}

std::string StagedFile::InFinalNames(std::string text) const {
    if (StagingPath.empty() || StagingPath == FinalPath) return text;
    for (auto at = text.find(StagingPath); at != std::string::npos;
         at = text.find(StagingPath, at + FinalPath.size()))
        text.replace(at, StagingPath.size(), FinalPath);
    return text;
}

void StagedFile::RemoveOnSignals() {
    struct sigaction action {};
    action.sa_handler = &OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND | SA_NODEFER;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

bool SameFile(const std::string& a, const std::string& b) {
    struct stat first {
    }, second{};
    if (::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0)
        return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
    std::error_code errorA, errorB;
    const auto pathA = std::filesystem::weakly_canonical(std::filesystem::absolute(a), errorA);
    const auto pathB = std::filesystem::weakly_canonical(std::filesystem::absolute(b), errorB);
    if (errorA || errorB) return a == b;
    return pathA.lexically_normal() == pathB.lexically_normal();
}
