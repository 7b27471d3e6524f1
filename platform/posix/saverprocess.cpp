#include "platform/posix/saverprocess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

extern char** environ;

SaverProcess::SaverProcess(std::string program, std::function<void(bool)> ended)
    : Program(std::move(program)), Ended(std::move(ended)) {}

SaverProcess::~SaverProcess() {
    Stop();
}

namespace {

// Every signal's disposition back to the default and none blocked, as a new program starts;
// async-signal-safe.
void DefaultSignals() {
    struct sigaction byDefault {};
    byDefault.sa_handler = SIG_DFL;
    for (int signal = 1; signal < NSIG; ++signal) ::sigaction(signal, &byDefault, nullptr);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
}

// In the child between fork and exec: only async-signal-safe calls. The saver leads a process
// group of its own, so that its helpers can be ended with it, and is sent SIGTERM by the kernel
// when the daemon dies, however it dies. Returns only on failure, with errno set.
void BecomeSaver(const char* program, char* const argv[], pid_t daemon) {
    ::setpgid(0, 0);
    if (::prctl(PR_SET_PDEATHSIG, SIGTERM) != 0) return;
    // The daemon may have died before the request was made: then nothing would ever be sent.
    if (::getppid() != daemon) {
        errno = ESRCH;
        return;
    }
    // The daemon's signal mask and dispositions are not the saver's.
    DefaultSignals();
    if (std::strchr(program, '/') != nullptr)
        ::execve(program, argv, environ);
    else
        ::execvpe(program, argv, environ);
}

// In the sentinel between fork and _exit: only async-signal-safe calls. It joins the saver's
// group and waits for the end of `pipe`, whose other end the daemon alone holds; the daemon's end,
// however it ends, then ends the whole group: the saver's helpers, which the kernel's
// parent-death signal to the saver does not reach, and the sentinel itself.
[[noreturn]] void BecomeSentinel(int pipe, pid_t group) {
    DefaultSignals();
    // Nothing of the daemon's kept open (its bus, its display, its instance lock): the pipe alone.
    if (::dup2(pipe, STDIN_FILENO) < 0 || ::setpgid(0, group) != 0) ::_exit(1);
    ::syscall(SYS_close_range, 3U, ~0U, 0U);
    char byte;
    ssize_t n;
    while ((n = ::read(STDIN_FILENO, &byte, 1)) != 0)
        if (n < 0 && errno != EINTR) break;
    ::kill(0, SIGTERM);
    ::_exit(0);
}

}  // namespace

void SaverProcess::StartSentinel() {
    int pipe[2];
    if (::pipe2(pipe, O_CLOEXEC) != 0) return;
    // No signal handler of the daemon's may run in the sentinel before its own are set.
    sigset_t all, before;
    sigfillset(&all);
    ::sigprocmask(SIG_SETMASK, &all, &before);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(pipe[1]);
        BecomeSentinel(pipe[0], Pid);
    }
    ::sigprocmask(SIG_SETMASK, &before, nullptr);
    ::close(pipe[0]);
    if (pid < 0) {
        ::close(pipe[1]);
        return;
    }
    ::setpgid(pid, Pid);
    SentinelPid = pid;
    SentinelPipe = pipe[1];
}

void SaverProcess::StopSentinel() {
    if (SentinelPid <= 0) return;
    ::kill(SentinelPid, SIGKILL);
    while (::waitpid(SentinelPid, nullptr, 0) < 0 && errno == EINTR) {
    }
    ::close(SentinelPipe);
    SentinelPid = -1;
    SentinelPipe = -1;
}

bool SaverProcess::Start(std::string& problem) {
    if (Running()) return true;
    char mode[] = "/s";
    char* argv[] = {Program.data(), mode, nullptr};
    // The child's failure to start reaches the daemon as its errno through a pipe that a
    // successful exec closes.
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) {
        problem = Program + ": " + std::strerror(errno);
        return false;
    }
    const pid_t daemon = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(report[0]);
        BecomeSaver(Program.c_str(), argv, daemon);
        const int error = errno;
        [[maybe_unused]] const ssize_t n = ::write(report[1], &error, sizeof error);
        ::_exit(127);
    }
    ::close(report[1]);
    if (pid < 0) {
        problem = Program + ": " + std::strerror(errno);
        ::close(report[0]);
        return false;
    }
    // Also here, so that a stop right after the start finds the group made.
    ::setpgid(pid, pid);
    int error = 0;
    ssize_t n;
    do n = ::read(report[0], &error, sizeof error);
    while (n < 0 && errno == EINTR);
    ::close(report[0]);
    if (n == static_cast<ssize_t>(sizeof error)) {
        ::waitpid(pid, nullptr, 0);
        problem = Program + ": " + std::strerror(error);
        return false;
    }
    Pid = pid;
    Pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    if (Pidfd < 0) {
        // Without a pidfd the end could not be seen: better no saver than one never waited for.
        problem = std::string("cannot watch the saver: ") + std::strerror(errno);
        Stop(0);
        return false;
    }
    // Without one (no process to spare), the saver still ends with the daemon; its helpers may not.
    StartSentinel();
    return true;
}

bool SaverProcess::Dispatch(short events) {
    if (Pidfd >= 0 && (events & (POLLIN | POLLHUP | POLLERR)) != 0) Reap(true);
    return true;
}

void SaverProcess::Reap(bool report) {
    // Helpers the saver left behind in its group end with it.
    ::kill(-Pid, SIGTERM);
    int status = 0;
    pid_t done;
    do done = ::waitpid(Pid, &status, 0);
    while (done < 0 && errno == EINTR);
    StopSentinel();
    if (Pidfd >= 0) ::close(Pidfd);
    Pidfd = -1;
    Pid = -1;
    if (report) Ended(done > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

void SaverProcess::Stop(int graceMs) {
    if (!Running()) return;
    ::kill(-Pid, SIGTERM);
    if (Pidfd >= 0) {
        pollfd fd{Pidfd, POLLIN, 0};
        if (::poll(&fd, 1, graceMs) == 0) ::kill(-Pid, SIGKILL);
    } else {
        ::kill(-Pid, SIGKILL);
    }
    Reap(false);
}

std::string SaverProgramBeside(const std::string& selfPath) {
    const auto slash = selfPath.rfind('/');
    if (slash != std::string::npos) {
        const std::string beside = selfPath.substr(0, slash + 1) + "velmora";
        if (::access(beside.c_str(), X_OK) == 0) return beside;
    }
    return "velmora";
}
