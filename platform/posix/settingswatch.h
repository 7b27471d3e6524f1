// SettingsWatch: notices when the settings file is written, replaced or removed, through inotify
// on its directory (an editor or the settings dialog replaces the file by renaming a new one over
// it, which a watch on the file itself would lose).
#pragma once

#include <functional>
#include <string>

#include "platform/posix/pollclient.h"

// The directory may go and come back (a user clearing ~/.config/velmora): its parent is watched
// too, and the directory watched again once it is there. A file that is a link is followed: its
// target's directory is watched as well, and the link read again at each change.
class SettingsWatch final : public PollClient {
  public:
    // Makes the file's directory and those above it (mode 0700) when they are missing, so that a
    // first file is seen.
    SettingsWatch(const std::string& file, std::function<void()> changed);
    ~SettingsWatch() override;
    SettingsWatch(const SettingsWatch&) = delete;
    SettingsWatch& operator=(const SettingsWatch&) = delete;

    bool Watching() const { return Descriptor >= 0 && (Folder.Id >= 0 || Parent.Id >= 0); }
    int Fd() const override { return Descriptor; }
    bool Dispatch(short events) override;

  private:
    // A watched directory and the name in it that matters.
    struct Watch {
        int Id = -1;
        std::string Directory, Name;
    };
    void WatchFolder();
    void FollowLink();
    void Drop(Watch& watch);

    std::string WatchedFile;
    std::function<void()> Changed;
    int Descriptor = -1;
    Watch Folder;  // the file's directory, for the file's name
    Watch Parent;  // the directory above, for the directory's name
    Watch Target;  // a link's target's directory, for the target's name
};
