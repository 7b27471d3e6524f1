#include "platform/posix/signals.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP, SIGQUIT};
int writeFd = -1;
volatile sig_atomic_t received = 0;

void OnTermination(int signal) {
    const int saved = errno;
    if (received == 0) received = signal;
    const char byte = 1;
    // Only async-signal-safe calls here; a full pipe already says enough.
    [[maybe_unused]] auto n = write(writeFd, &byte, 1);
    errno = saved;
}

}  // namespace

TerminationPipe::TerminationPipe() {
    if (pipe2(Fds, O_CLOEXEC | O_NONBLOCK) != 0) Fds[0] = Fds[1] = -1;
}

TerminationPipe::~TerminationPipe() {
    if (Installed) {
        for (int s : kSignals) signal(s, SIG_DFL);
        writeFd = -1;
    }
    for (int fd : Fds)
        if (fd >= 0) close(fd);
}

void TerminationPipe::Install() {
    if (Installed || Fds[1] < 0) return;
    writeFd = Fds[1];
    struct sigaction action {};
    action.sa_handler = &OnTermination;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int s : kSignals) sigaction(s, &action, nullptr);
    Installed = true;
}

int TerminationPipe::Received() const {
    return Installed ? static_cast<int>(received) : 0;
}

void TerminationPipe::EndByReceivedSignal() {
    const int s = Received();
    if (s == 0) return;
    signal(s, SIG_DFL);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, s);
    sigprocmask(SIG_UNBLOCK, &only, nullptr);
    raise(s);
}

bool SignalWaiting(int readFd) {
    if (readFd < 0) return false;
    pollfd pending{readFd, POLLIN, 0};
    return poll(&pending, 1, 0) > 0;
}
