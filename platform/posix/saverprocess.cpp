#include "platform/posix/saverprocess.h"

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

extern char** environ;

SaverProcess::SaverProcess(std::string program, std::function<void(bool)> ended)
    : program_(std::move(program)), ended_(std::move(ended)) {}

SaverProcess::~SaverProcess() {
    Stop();
}

bool SaverProcess::Start(std::string& problem) {
    if (Running()) return true;
    char mode[] = "/s";
    char* argv[] = {program_.data(), mode, nullptr};
    // The child keeps the daemon's signal mask and dispositions unless told otherwise.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t pid = -1;
    const int error = program_.find('/') != std::string::npos
                          ? posix_spawn(&pid, program_.c_str(), nullptr, &attributes, argv, environ)
                          : posix_spawnp(&pid, program_.c_str(), nullptr, &attributes, argv, environ);
    posix_spawnattr_destroy(&attributes);
    if (error != 0) {
        problem = program_ + ": " + std::strerror(error);
        return false;
    }
    pid_ = pid;
    pidfd_ = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    if (pidfd_ < 0) {
        // Without a pidfd the end could not be seen: better no saver than one never waited for.
        problem = std::string("cannot watch the saver: ") + std::strerror(errno);
        Stop(0);
        return false;
    }
    return true;
}

bool SaverProcess::Dispatch(short events) {
    if (pidfd_ >= 0 && (events & (POLLIN | POLLHUP | POLLERR)) != 0) Reap(true);
    return true;
}

void SaverProcess::Reap(bool report) {
    int status = 0;
    pid_t done;
    do done = ::waitpid(pid_, &status, 0);
    while (done < 0 && errno == EINTR);
    if (pidfd_ >= 0) ::close(pidfd_);
    pidfd_ = -1;
    pid_ = -1;
    if (report) ended_(done > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

void SaverProcess::Stop(int graceMs) {
    if (!Running()) return;
    ::kill(pid_, SIGTERM);
    if (pidfd_ >= 0) {
        pollfd fd{pidfd_, POLLIN, 0};
        if (::poll(&fd, 1, graceMs) == 0) ::kill(pid_, SIGKILL);
    } else {
        ::kill(pid_, SIGKILL);
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
