// MutterPrimaryWatch: GNOME's primary monitor, as mutter tells it on the session bus
// (org.gnome.Mutter.DisplayConfig); GNOME offers Wayland clients no protocol that names it.
// Asks when made, each time mutter says its monitors changed and each time DisplayConfig comes
// onto the bus; never waits for the answer, which comes through the loop that serves the bus.
#pragma once

#include <functional>
#include <string>

struct sd_bus;
struct sd_bus_message;
struct sd_bus_slot;

// The connector name (as wl_output and xdg_output name it, "Meta-0", "DP-1") of the primary
// logical monitor in a GetCurrentState answer (serial, monitors, logical monitors, properties);
// the first of them when it mirrors several. False for an error or an answer of other types;
// true with an empty name when no logical monitor is primary.
bool ReadPrimaryConnector(sd_bus_message* answer, std::string& connector);

class MutterPrimaryWatch {
  public:
    // `told` hears each answer: the primary's connector, empty when mutter is not there, names
    // none or does not answer in time (kBusReplyTimeoutUs), or leaves the bus.
    using PrimaryTold = std::function<void(const std::string& connector)>;

    MutterPrimaryWatch(sd_bus* bus, PrimaryTold told);
    ~MutterPrimaryWatch();
    MutterPrimaryWatch(const MutterPrimaryWatch&) = delete;
    MutterPrimaryWatch& operator=(const MutterPrimaryWatch&) = delete;

    // The first question has been answered (an error counts).
    bool Answered() const { return HasAnswer; }
    const std::string& Primary() const { return Connector; }

  private:
    friend struct MutterPrimaryCalls;
    void Ask();
    void Tell(std::string connector);

    sd_bus* Bus;
    PrimaryTold Told;
    bool HasAnswer = false;
    std::string Connector;
    sd_bus_slot* ChangeMatch = nullptr;
    sd_bus_slot* OwnerMatch = nullptr;
    sd_bus_slot* Question = nullptr;
};
