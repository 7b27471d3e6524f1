// SettingsWatch: notices when the settings file is written, replaced or removed, through inotify
// on its directory (an editor or the settings dialog replaces the file by renaming a new one over
// it, which a watch on the file itself would lose).
#pragma once

#include <functional>
#include <string>

#include "platform/posix/pollclient.h"

class SettingsWatch final : public PollClient {
  public:
    // Makes the file's directory and those above it (mode 0700) when they are missing, so that a
    // first file is seen.
    SettingsWatch(const std::string& file, std::function<void()> changed);
    ~SettingsWatch() override;
    SettingsWatch(const SettingsWatch&) = delete;
    SettingsWatch& operator=(const SettingsWatch&) = delete;

    bool Watching() const { return watch_ >= 0; }
    int Fd() const override { return fd_; }
    bool Dispatch(short events) override;

  private:
    std::string name_;
    std::function<void()> changed_;
    int fd_ = -1;
    int watch_ = -1;
};
