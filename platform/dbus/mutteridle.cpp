#include "platform/dbus/mutteridle.h"

#include <systemd/sd-bus.h>

#include "platform/dbus/sessionbus.h"

namespace {

constexpr const char* kService = "org.gnome.Mutter.IdleMonitor";
constexpr const char* kPath = "/org/gnome/Mutter/IdleMonitor/Core";
constexpr const char* kInterface = "org.gnome.Mutter.IdleMonitor";

// The value of a reply; nothing for an error or a timeout.
template <typename T>
bool ReadReply(sd_bus_message* reply, const char* type, T& value) {
    return !sd_bus_message_is_method_error(reply, nullptr) &&
           sd_bus_message_read(reply, type, &value) >= 0;
}

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
        self.idleTimeCall_ = sd_bus_slot_unref(self.idleTimeCall_);
        // Unknown (no answer in time): counted from zero, a watch fires late rather than never.
        std::uint64_t idleNow = 0;
        ReadReply(reply, "t", idleNow);
        self.AddIdleWatch(idleNow + static_cast<std::uint64_t>(self.timeoutMs_));
        if (idleNow > 0) self.AddActiveWatch();
        return 0;
    }
    static int IdleWatchAdded(sd_bus_message* reply, void* data, sd_bus_error*) {
        auto& self = *static_cast<MutterIdleSource*>(data);
        self.idleWatchCall_ = sd_bus_slot_unref(self.idleWatchCall_);
        ReadReply(reply, "u", self.idleWatch_);
        return 0;
    }
    static int ActiveWatchAdded(sd_bus_message* reply, void* data, sd_bus_error*) {
        auto& self = *static_cast<MutterIdleSource*>(data);
        self.activeWatchCall_ = sd_bus_slot_unref(self.activeWatchCall_);
        ReadReply(reply, "u", self.activeWatch_);
        return 0;
    }
};

std::unique_ptr<MutterIdleSource> MutterIdleSource::Connect(sd_bus* bus,
                                                            std::function<void()> idle) {
    // Once, at the start, before the loop runs: whether there is a monitor at all decides which
    // idle source to use. Bounded by the short timeout, not the bus's default 25 s.
    sd_bus_message* call = nullptr;
    sd_bus_message* reply = nullptr;
    int r = sd_bus_message_new_method_call(bus, &call, kService, kPath, kInterface, "GetIdletime");
    if (r >= 0) r = sd_bus_call(bus, call, kBusReplyTimeoutUs, nullptr, &reply);
    sd_bus_message_unref(call);
    sd_bus_message_unref(reply);
    if (r < 0) return nullptr;
    return std::unique_ptr<MutterIdleSource>(new MutterIdleSource(bus, std::move(idle)));
}

MutterIdleSource::MutterIdleSource(sd_bus* bus, std::function<void()> idle)
    : bus_(bus), idle_(std::move(idle)) {
    sd_bus_match_signal(bus_, &slot_, kService, kPath, kInterface, "WatchFired",
                        &MutterSignals::WatchFired, this);
}

MutterIdleSource::~MutterIdleSource() {
    Disarm();
    sd_bus_slot_unref(slot_);
}

void MutterIdleSource::Arm(std::int64_t timeoutMs) {
    Disarm();
    timeoutMs_ = timeoutMs;
    // An idle watch fires when the idle time reaches its interval: counted from now, the period
    // starts at the idle time already run up. Input then restarts it from zero.
    if (CallAsync(bus_, &idleTimeCall_, kService, kPath, kInterface, "GetIdletime",
                  &MutterSignals::IdleTime, this, "") < 0)
        idleTimeCall_ = nullptr;
}

void MutterIdleSource::Disarm() {
    // Calls still under way are cancelled: their answers would arm what is disarmed.
    idleTimeCall_ = sd_bus_slot_unref(idleTimeCall_);
    idleWatchCall_ = sd_bus_slot_unref(idleWatchCall_);
    activeWatchCall_ = sd_bus_slot_unref(activeWatchCall_);
    Remove(idleWatch_);
    Remove(activeWatch_);
}

void MutterIdleSource::WatchFired(std::uint32_t id) {
    if (id == activeWatch_) {
        // Active watches fire once. From now on a plain idle watch of the delay serves.
        activeWatch_ = 0;
        idleWatchCall_ = sd_bus_slot_unref(idleWatchCall_);
        Remove(idleWatch_);
        AddIdleWatch(static_cast<std::uint64_t>(timeoutMs_));
    } else if (id == idleWatch_) {
        idle_();
    }
}

void MutterIdleSource::AddIdleWatch(std::uint64_t intervalMs) {
    if (CallAsync(bus_, &idleWatchCall_, kService, kPath, kInterface, "AddIdleWatch",
                  &MutterSignals::IdleWatchAdded, this, "t", intervalMs) < 0)
        idleWatchCall_ = nullptr;
}

void MutterIdleSource::AddActiveWatch() {
    if (CallAsync(bus_, &activeWatchCall_, kService, kPath, kInterface, "AddUserActiveWatch",
                  &MutterSignals::ActiveWatchAdded, this, "") < 0)
        activeWatchCall_ = nullptr;
}

void MutterIdleSource::Remove(std::uint32_t& watch) {
    if (watch == 0) return;
    // Nobody waits for the answer.
    CallAsync(bus_, nullptr, kService, kPath, kInterface, "RemoveWatch", nullptr, nullptr, "u",
              watch);
    watch = 0;
}
