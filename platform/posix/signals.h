// TerminationPipe: turns the termination signals (SIGTERM, SIGINT, SIGHUP, SIGQUIT) into a byte
// on a pipe that the window's loop watches, so they end the saver by its ordinary close.
#pragma once

class TerminationPipe {
  public:
    TerminationPipe();
    ~TerminationPipe();
    TerminationPipe(const TerminationPipe&) = delete;
    TerminationPipe& operator=(const TerminationPipe&) = delete;

    // Installs the handlers (until then the signals keep their default action).
    void Install();
    // Readable once a termination signal has arrived; -1 when the pipe could not be made.
    int ReadFd() const { return fds_[0]; }

  private:
    int fds_[2] = {-1, -1};
    bool installed_ = false;
};
