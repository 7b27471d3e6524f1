#include "platform/posix/settingswatch.h"

#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

SettingsWatch::SettingsWatch(const std::string& file, std::function<void()> changed)
    : changed_(std::move(changed)) {
    const auto slash = file.rfind('/');
    const std::string directory = slash == std::string::npos ? "." : file.substr(0, slash);
    name_ = slash == std::string::npos ? file : file.substr(slash + 1);
    // Each missing folder on the way (a fresh home has no ~/.config either), private as the
    // settings dialog makes them.
    for (auto at = directory.find('/', 1); at != std::string::npos; at = directory.find('/', at + 1))
        ::mkdir(directory.substr(0, at).c_str(), 0700);
    ::mkdir(directory.c_str(), 0700);
    fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ >= 0)
        watch_ = ::inotify_add_watch(
            fd_, directory.c_str(),
            IN_CLOSE_WRITE | IN_MOVED_TO | IN_MOVED_FROM | IN_CREATE | IN_DELETE | IN_ONLYDIR);
}

SettingsWatch::~SettingsWatch() {
    if (fd_ >= 0) ::close(fd_);
}

bool SettingsWatch::Dispatch(short events) {
    if (events == 0 || fd_ < 0) return true;
    alignas(inotify_event) char buffer[4096];
    bool ours = false;
    ssize_t n;
    while ((n = ::read(fd_, buffer, sizeof buffer)) > 0) {
        for (char* at = buffer; at < buffer + n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(at);
            // The lock file and a save's temporary files come and go beside it: not ours.
            if ((event->mask & IN_Q_OVERFLOW) != 0 ||
                (event->len > 0 && name_ == event->name))
                ours = true;
            at += sizeof(inotify_event) + event->len;
        }
    }
    if (ours) changed_();
    return true;
}
