#include "platform/dbus/mutteridle.h"

#include <systemd/sd-bus.h>

#include "platform/dbus/sessionbus.h"

namespace {

constexpr const char* kService = "org.gnome.Mutter.IdleMonitor";
constexpr const char* kPath = "/org/gnome/Mutter/IdleMonitor/Core";
constexpr const char* kInterface = "org.gnome.Mutter.IdleMonitor";

}  // namespace

// The bus's calls into the source, kept out of its header.
struct MutterSignals {
    static int WatchFired(sd_bus_message* message, void* data, sd_bus_error*) {
        std::uint32_t id = 0;
        if (sd_bus_message_read(message, "u", &id) >= 0 && id != 0)
            static_cast<MutterIdleSource*>(data)->WatchFired(id);
        return 0;
    }
    static int IdleTime(sd_bus_message* reply, void* data, sd_bus_error*) {
        auto& self = *static_cast<MutterIdleSource*>(data);
        self.IdleTimeCall = sd_bus_slot_unref(self.IdleTimeCall);
        // Unknown (no answer in time): counted from zero, a watch fires late rather than never.
        std::uint64_t idleNow = 0;
        ReadAnswer(reply, "t", &idleNow);
        self.AddIdleWatch(idleNow + static_cast<std::uint64_t>(self.TimeoutMs));
        if (idleNow > 0) self.AddActiveWatch();
        return 0;
    }
    static int IdleWatchAdded(sd_bus_message* reply, void* data, sd_bus_error*) {
        auto& self = *static_cast<MutterIdleSource*>(data);
        self.IdleWatchCall = sd_bus_slot_unref(self.IdleWatchCall);
        ReadAnswer(reply, "u", &self.IdleWatch);
        return 0;
    }
    static int ActiveWatchAdded(sd_bus_message* reply, void* data, sd_bus_error*) {
        auto& self = *static_cast<MutterIdleSource*>(data);
        self.ActiveWatchCall = sd_bus_slot_unref(self.ActiveWatchCall);
        ReadAnswer(reply, "u", &self.ActiveWatch);
        return 0;
    }
};

std::unique_ptr<MutterIdleSource> MutterIdleSource::Connect(sd_bus* bus,
                                                            std::function<void()> idle) {
    // Once, at the start, before the loop runs: whether there is a monitor at all decides which
    // idle source to use. The bus itself says whether the monitor's name has an owner (it answers
    // at once, as it does the request for a name); the monitor is asked nothing here, so one that
    // never answers holds nothing up: its first read (Arm) then fails after the short timeout.
    sd_bus_message* call = nullptr;
    sd_bus_message* reply = nullptr;
    int owned = 0;
    int r =
        sd_bus_message_new_method_call(bus, &call, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                       "org.freedesktop.DBus", "NameHasOwner");
    if (r >= 0) r = sd_bus_message_append(call, "s", kService);
    if (r >= 0) r = sd_bus_call(bus, call, kBusReplyTimeoutUs, nullptr, &reply);
    if (r >= 0) r = sd_bus_message_read(reply, "b", &owned);
    sd_bus_message_unref(call);
    sd_bus_message_unref(reply);
    if (r < 0 || !owned) return nullptr;
    return std::unique_ptr<MutterIdleSource>(new MutterIdleSource(bus, std::move(idle)));
}

MutterIdleSource::MutterIdleSource(sd_bus* bus, std::function<void()> idle)
    : Bus(bus), Idle(std::move(idle)) {
    sd_bus_match_signal(Bus, &Slot, kService, kPath, kInterface, "WatchFired",
                        &MutterSignals::WatchFired, this);
}

MutterIdleSource::~MutterIdleSource() {
    Disarm();
    sd_bus_slot_unref(Slot);
}

void MutterIdleSource::Arm(std::int64_t timeoutMs) {
    Disarm();
    TimeoutMs = timeoutMs;
    // An idle watch fires when the idle time reaches its interval: counted from now, the period
    // starts at the idle time already run up. Input then restarts it from zero.
    if (CallAsync(Bus, &IdleTimeCall, kService, kPath, kInterface, "GetIdletime",
                  &MutterSignals::IdleTime, this, "") < 0)
        IdleTimeCall = nullptr;
}

void MutterIdleSource::Disarm() {
    // Calls still under way are cancelled: their answers would arm what is disarmed.
    IdleTimeCall = sd_bus_slot_unref(IdleTimeCall);
    IdleWatchCall = sd_bus_slot_unref(IdleWatchCall);
    ActiveWatchCall = sd_bus_slot_unref(ActiveWatchCall);
    Remove(IdleWatch);
    Remove(ActiveWatch);
}

void MutterIdleSource::WatchFired(std::uint32_t id) {
    if (id == ActiveWatch) {
        // Active watches fire once. From now on a plain idle watch of the delay serves.
        ActiveWatch = 0;
        IdleWatchCall = sd_bus_slot_unref(IdleWatchCall);
        Remove(IdleWatch);
        AddIdleWatch(static_cast<std::uint64_t>(TimeoutMs));
    } else if (id == IdleWatch) {
        Idle();
    }
}

void MutterIdleSource::AddIdleWatch(std::uint64_t intervalMs) {
    if (CallAsync(Bus, &IdleWatchCall, kService, kPath, kInterface, "AddIdleWatch",
                  &MutterSignals::IdleWatchAdded, this, "t", intervalMs) < 0)
        IdleWatchCall = nullptr;
}

void MutterIdleSource::AddActiveWatch() {
    if (CallAsync(Bus, &ActiveWatchCall, kService, kPath, kInterface, "AddUserActiveWatch",
                  &MutterSignals::ActiveWatchAdded, this, "") < 0)
        ActiveWatchCall = nullptr;
}

void MutterIdleSource::Remove(std::uint32_t& watch) {
    if (watch == 0) return;
    // Nobody waits for the answer.
    CallAsync(Bus, nullptr, kService, kPath, kInterface, "RemoveWatch", nullptr, nullptr, "u",
              watch);
    watch = 0;
}
