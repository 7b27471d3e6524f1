// SaverProcess: the saver "velmora /s" as velmora-idle's child, watched through a pidfd so that
// the loop never blocks on it.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>

#include "idle/idlewatcher.h"
#include "platform/posix/pollclient.h"

class SaverProcess final : public SaverStarter, public PollClient {
  public:
    // `program`: the saver's executable (a path, or a name looked up in PATH). `ended` hears
    // whether the saver ended well: exit code 0.
    SaverProcess(std::string program, std::function<void(bool succeeded)> ended);
    ~SaverProcess() override;

    bool Start(std::string& problem) override;
    bool Running() const { return Pid > 0; }
    // Ends a running saver: SIGTERM, then SIGKILL when it has not gone within `graceMs`.
    void Stop(int graceMs = 3000);

    int Fd() const override { return Pidfd; }
    bool Dispatch(short events) override;

  private:
    void Reap(bool report);
    // A small child of the daemon in the saver's process group that ends the group when the
    // daemon ends, even by SIGKILL.
    void StartSentinel();
    void StopSentinel();

    std::string Program;
    std::function<void(bool)> Ended;
    pid_t Pid = -1;
    int Pidfd = -1;
    pid_t SentinelPid = -1;
    int SentinelPipe = -1;  // the daemon's end: the sentinel reads its end of file
};

// The saver beside `selfPath` (velmora-idle's own executable) when there is one, else "velmora"
// to be looked up in PATH.
std::string SaverProgramBeside(const std::string& selfPath);
