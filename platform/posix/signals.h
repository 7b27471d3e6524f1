// TerminationPipe: turns the termination signals (SIGTERM, SIGINT, SIGHUP, SIGQUIT) into a byte
// on a pipe that every loop of the program watches (the saver window's, and Qt's while a box or
// the dialog is up), so they end the program by its ordinary close wherever it is.
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
    int ReadFd() const { return Fds[0]; }
    // The first termination signal that arrived since Install, 0 when none has.
    int Received() const;
    // When a signal has arrived: ends the process by it with its default action, so that the
    // parent sees the status it expects of a terminated program. Returns when none has.
    void EndByReceivedSignal();

  private:
    int Fds[2] = {-1, -1};
    bool Installed = false;
};

// True when a termination signal waits on `readFd` (a pipe's ReadFd()); false for -1. Reads
// nothing, so the window's loop still sees it.
bool SignalWaiting(int readFd);
