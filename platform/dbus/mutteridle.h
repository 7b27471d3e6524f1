// MutterIdleSource: idle time from GNOME's compositor, org.gnome.Mutter.IdleMonitor on the session
// bus (GNOME offers no idle protocol to Wayland clients).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "idle/idlewatcher.h"

struct sd_bus;
struct sd_bus_slot;

class MutterIdleSource final : public IdleSource {
  public:
    // Null when no program serves the idle monitor's name on `bus`. Waits for no answer of the
    // monitor's own.
    static std::unique_ptr<MutterIdleSource> Connect(sd_bus* bus, std::function<void()> idle);
    ~MutterIdleSource() override;

    void Arm(std::int64_t timeoutMs) override;
    void Disarm() override;

  private:
    MutterIdleSource(sd_bus* bus, std::function<void()> idle);
    friend struct MutterSignals;
    void WatchFired(std::uint32_t id);
    // Each call is sent without waiting; its answer comes through the loop.
    void AddIdleWatch(std::uint64_t intervalMs);
    void AddActiveWatch();
    void Remove(std::uint32_t& watch);

    sd_bus* Bus;
    std::function<void()> Idle;
    sd_bus_slot* Slot = nullptr;
    std::int64_t TimeoutMs = 0;
    std::uint32_t IdleWatch = 0, ActiveWatch = 0;
    sd_bus_slot* IdleTimeCall = nullptr;
    sd_bus_slot* IdleWatchCall = nullptr;
    sd_bus_slot* ActiveWatchCall = nullptr;
};
