// SessionBus: velmora-idle's connection to the desktop session's D-Bus (sd-bus), served from the
// daemon's loop.
#pragma once

#include <memory>
#include <string>

#include "platform/posix/pollclient.h"

struct sd_bus;

class SessionBus final : public PollClient {
  public:
    // Null, with `problem` saying why, when there is no session bus.
    static std::unique_ptr<SessionBus> Open(std::string& problem);
    ~SessionBus() override;

    sd_bus* Bus() const { return bus_; }
    int Fd() const override;
    void BeforePoll() override;
    int TimeoutMs() override;
    bool Dispatch(short events) override;

  private:
    explicit SessionBus(sd_bus* bus) : bus_(bus) {}
    sd_bus* bus_;
};
