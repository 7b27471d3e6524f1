// PolicyAgentWatch: KDE's power management policy agent (PowerDevil) on the session bus, where
// Plasma keeps the inhibits that video players and browsers send to its
// org.freedesktop.ScreenSaver. Asks whether any holds the screen's settings (what keeps the screen
// from dimming and blanking) when velmora-idle starts, each time the agent comes onto the bus and
// each time it says its inhibitions changed; an agent that leaves, or does not answer in time,
// holds nothing off. Never waits for an answer: each comes through the daemon's loop.
#pragma once

#include <functional>

#include "idle/inhibitionasker.h"

struct sd_bus;
struct sd_bus_slot;

class PolicyAgentWatch {
  public:
    using InhibitChanged = std::function<void(bool inhibited)>;

    // `changed` hears the agent's answer each time one comes (also when it is the same).
    PolicyAgentWatch(sd_bus* bus, InhibitChanged changed);
    ~PolicyAgentWatch();
    PolicyAgentWatch(const PolicyAgentWatch&) = delete;
    PolicyAgentWatch& operator=(const PolicyAgentWatch&) = delete;

    bool Inhibited() const { return Asker.Inhibited(); }

  private:
    friend struct PolicyAgentCalls;
    void Follow(InhibitionAsker::Next next);

    sd_bus* Bus;
    InhibitChanged Changed;
    InhibitionAsker Asker;
    sd_bus_slot* SignalMatch = nullptr;
    sd_bus_slot* OwnerMatch = nullptr;
    sd_bus_slot* Question = nullptr;  // the HasInhibition call under way
};
