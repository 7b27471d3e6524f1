// FileLockInstanceMarker: the single-instance marker as a lock on a file in the runtime
// directory, released by the kernel when its process ends, however it ends.
#pragma once

#include <string>

#include "platform/instance.h"

class FileLockInstanceMarker final : public InstanceMarker {
  public:
    // `directory` empty: $XDG_RUNTIME_DIR, or the temporary directory when that is unset.
    // `scope`, when given, keeps a separate set of markers: XScreenSaver runs one hack per
    // screen, each in a window of its own, and each must be able to run.
    explicit FileLockInstanceMarker(std::string directory = {}, std::string scope = {});
    ~FileLockInstanceMarker() override;

    MarkerId Find(std::string_view name) override;
    MarkerId Add(std::string_view name) override;
    // Releases this process's own marker; one found for another process is left alone, as
    // that process still runs.
    void Delete(MarkerId atom) override;

    // The lock file for `name` (lower-cased, since names compare without regard to case).
    std::string PathFor(std::string_view name) const;

  private:
    static constexpr MarkerId kOwnAtom = 1;
    static constexpr MarkerId kForeignAtom = 2;
    std::string directory_;
    std::string scope_;
    int fd_ = -1;
};
