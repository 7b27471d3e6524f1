#include "platform/x11/displayguard.h"

#include <X11/Xlib.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/x11/displaymodes.h"

extern char** environ;

namespace {

// The write end stays open, unused, for the life of the process: the kernel closes it when the
// process ends, and the watcher reads end of file.
int guardPipe = -1;

}  // namespace

bool StartDisplayGuard(const DisplayMode& original) {
    if (guardPipe >= 0) return true;
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return false;
    char self[4096];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) {
        close(fds[0]);
        close(fds[1]);
        return false;
    }
    self[n] = '\0';

    char modeText[96];
    std::snprintf(modeText, sizeof modeText, "%s=%u %u %u %u", kDisplayGuardVariable,
                  original.Width, original.Height, original.BitsPerPixel, original.Frequency);
    std::vector<char*> env;
    for (char** e = environ; *e != nullptr; ++e) env.push_back(*e);
    env.push_back(modeText);
    env.push_back(nullptr);
    char* args[] = {self, nullptr};

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[0], STDIN_FILENO);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // A session of its own: a terminal's Ctrl-C or a kill of the saver's group leaves it alone.
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK);
    pid_t pid = 0;
    const bool started = posix_spawn(&pid, self, &actions, &attributes, args, env.data()) == 0;
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[0]);
    if (!started) {
        close(fds[1]);
        return false;
    }
    guardPipe = fds[1];
    return true;
}

int RunDisplayGuard(const char* modeText) {
    DisplayMode original;
    if (std::sscanf(modeText, "%u %u %u %u", &original.Width, &original.Height,
                    &original.BitsPerPixel, &original.Frequency) != 4)
        return 1;
    // The saver holds the other end: end of file means it has ended.
    char byte;
    while (read(STDIN_FILENO, &byte, 1) > 0) {
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return 0;
    XRandRDisplayModes modes(display, /*guarded=*/false);
    DisplayMode current;
    if (modes.CurrentMode(current) &&
        (current.Width != original.Width || current.Height != original.Height))
        modes.ChangeDisplaySettings(DisplayModeRequest{original.Width, original.Height,
                                                       original.BitsPerPixel, original.Frequency});
    XCloseDisplay(display);
    return 0;
}
