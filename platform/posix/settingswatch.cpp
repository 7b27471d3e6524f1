#include "platform/posix/settingswatch.h"

#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>

namespace {

constexpr std::uint32_t kEntryEvents =
    IN_CLOSE_WRITE | IN_MOVED_TO | IN_MOVED_FROM | IN_CREATE | IN_DELETE | IN_ONLYDIR;

// "dir/name" split at the last slash.
void Split(const std::string& path, std::string& directory, std::string& name) {
    const auto slash = path.rfind('/');
    directory = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    name = slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

SettingsWatch::SettingsWatch(const std::string& file, std::function<void()> changed)
    : WatchedFile(file), Changed(std::move(changed)) {
    Split(file, Folder.Directory, Folder.Name);
    Split(Folder.Directory, Parent.Directory, Parent.Name);
    // Each missing folder on the way (a fresh home has no ~/.config either), private as the
    // settings dialog makes them.
    const std::string& directory = Folder.Directory;
    for (auto at = directory.find('/', 1); at != std::string::npos;
         at = directory.find('/', at + 1))
        ::mkdir(directory.substr(0, at).c_str(), 0700);
    ::mkdir(directory.c_str(), 0700);
    Descriptor = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (Descriptor < 0) return;
    Parent.Id = ::inotify_add_watch(Descriptor, Parent.Directory.c_str(),
                                    IN_CREATE | IN_MOVED_TO | IN_ONLYDIR);
    WatchFolder();
    FollowLink();
}

SettingsWatch::~SettingsWatch() {
    if (Descriptor >= 0) ::close(Descriptor);
}

void SettingsWatch::WatchFolder() {
    Drop(Folder);
    Folder.Id = ::inotify_add_watch(Descriptor, Folder.Directory.c_str(),
                                    kEntryEvents | IN_DELETE_SELF | IN_MOVE_SELF);
}

void SettingsWatch::FollowLink() {
    char target[PATH_MAX];
    std::string directory, name;
    // A file that is not a link (or no file) has no target to watch.
    struct stat st {};
    if (::lstat(WatchedFile.c_str(), &st) == 0 && S_ISLNK(st.st_mode) &&
        ::realpath(WatchedFile.c_str(), target) != nullptr)
        Split(target, directory, name);
    if (Target.Id >= 0 && directory == Target.Directory && name == Target.Name) return;
    Drop(Target);
    Target.Directory = directory;
    Target.Name = name;
    if (directory.empty() || directory == Folder.Directory) return;
    // Added to, not replacing, what a watch of the same directory (the parent) asks for.
    Target.Id = ::inotify_add_watch(Descriptor, directory.c_str(), kEntryEvents | IN_MASK_ADD);
}

void SettingsWatch::Drop(Watch& watch) {
    // A directory watched for two reasons has one watch: it stays while the other needs it.
    const auto sharedWith = [&](const Watch& other) {
        return &other != &watch && other.Id == watch.Id;
    };
    if (watch.Id >= 0 && !sharedWith(Folder) && !sharedWith(Parent) && !sharedWith(Target))
        ::inotify_rm_watch(Descriptor, watch.Id);
    watch.Id = -1;
}

bool SettingsWatch::Dispatch(short events) {
    if (events == 0 || Descriptor < 0) return true;
    alignas(inotify_event) char buffer[4096];
    bool ours = false, folderBack = false;
    ssize_t n;
    while ((n = ::read(Descriptor, buffer, sizeof buffer)) > 0) {
        for (char* at = buffer; at < buffer + n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(at);
            at += sizeof(inotify_event) + event->len;
            const char* name = event->len > 0 ? event->name : "";
            if ((event->mask & IN_Q_OVERFLOW) != 0) {
                ours = folderBack = true;
                continue;
            }
            if (event->wd == Folder.Id) {
                // The folder itself gone: its watch has ended; the parent's says when it is back.
                if ((event->mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED)) != 0) {
                    if ((event->mask & IN_IGNORED) != 0) Folder.Id = -1;
                    ours = true;
                }
                // The lock file and a save's temporary files come and go beside it: not ours.
                if (Folder.Name == name) ours = true;
            }
            if (event->wd == Parent.Id && Parent.Name == name) ours = folderBack = true;
            if (event->wd == Target.Id && Target.Name == name) ours = true;
        }
    }
    if (folderBack || Folder.Id < 0) WatchFolder();
    if (ours) {
        FollowLink();
        Changed();
    }
    return true;
}
