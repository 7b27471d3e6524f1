// LogindLocker: SessionLocker through logind (org.freedesktop.login1) on the system bus: Lock on
// this process's session, and that session's LockedHint. The bus is opened at the first request
// and served from the saver window's loop, as one more thing the loop polls; no call waits for
// its answer.
#pragma once

#include <systemd/sd-bus.h>

#include <memory>
#include <string>

#include "platform/dbus/sessionbus.h"
#include "platform/posix/pollclient.h"
#include "platform/sessionlocker.h"

class LogindLocker final : public SessionLocker, public PollClient {
  public:
    // `programName` begins the line that tells the user the saver ended unlocked.
    explicit LogindLocker(std::string programName);
    ~LogindLocker() override;
    LogindLocker(const LogindLocker&) = delete;
    LogindLocker& operator=(const LogindLocker&) = delete;

    // SessionLocker
    std::uint64_t NowMs() override;
    void RequestLock(SessionLockEvents& events) override;
    void WakeAt(std::uint64_t atMs) override { WakeTime = atMs; }
    void EndedUnlocked(UnlockedEnd why) override;

    // PollClient: -1 (nothing to wait for) until a lock has been asked for.
    int Fd() const override;
    void BeforePoll() override;
    int TimeoutMs() override;
    bool Dispatch(short events) override;

  private:
    friend struct LogindCalls;
    // The session is known: watch its hint and ask it to lock.
    void LockSession(const char* path);
    void AskLockedHint();
    // The request cannot go on; said from the loop, never from inside RequestLock.
    void Fail(std::string problem);
    void DropCalls();

    std::string Program;
    std::unique_ptr<SessionBus> Bus;
    SessionLockEvents* Events = nullptr;
    std::string SessionPath;
    std::string Problem;
    bool FailurePending = false;
    std::uint64_t WakeTime = 0;
    sd_bus_slot* LookupCall = nullptr;
    sd_bus_slot* LockCall = nullptr;
    sd_bus_slot* HintCall = nullptr;
    sd_bus_slot* HintMatch = nullptr;
};
