// XssIdleSource: idle time on X11 from the MIT-SCREEN-SAVER extension. While an XScreenSaver
// daemon runs on the display (its version property on the root window) it steps aside: that
// daemon starts the hacks there.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "idle/idlewatcher.h"
#include "platform/posix/pollclient.h"

struct _XDisplay;

class XssIdleSource final : public IdleSource, public PollClient {
  public:
    // Null, with `problem` saying why, when the display cannot be opened or lacks the extension.
    // `stepAside` hears when an XScreenSaver daemon appears (true) or leaves (false).
    static std::unique_ptr<XssIdleSource> Connect(std::function<void()> idle,
                                                  std::function<void(bool)> stepAside,
                                                  std::string& problem);
    ~XssIdleSource() override;

    void Arm(std::int64_t timeoutMs) override;
    void Disarm() override;

    int Fd() const override;
    int TimeoutMs() override;
    bool Dispatch(short events) override;

  private:
    XssIdleSource(_XDisplay* display, std::function<void()> idle,
                  std::function<void(bool)> stepAside);
    bool XScreenSaverRuns(std::int64_t now);
    bool HasVersion(unsigned long window);
    void Check();

    _XDisplay* Connection;
    std::function<void()> Idle;
    std::function<void(bool)> StepAside;
    bool Armed = false;
    bool Fired = false;  // reported for this idle period
    bool Aside = false;  // an XScreenSaver daemon runs
    std::int64_t IdleTimeoutMs = 0;
    std::int64_t ArmedAt = 0;        // monotonic ms
    std::int64_t LastIdle = 0;       // the server's idle time at the last check
    std::int64_t NextCheck = 0;      // monotonic ms
    unsigned long Version = 0;       // the _SCREENSAVER_VERSION atom
    unsigned long DaemonWindow = 0;  // XScreenSaver's window, once found
    std::int64_t NextWalk = 0;       // monotonic ms
};
