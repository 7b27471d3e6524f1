#include "platform/dbus/mutteridle.h"

#include <systemd/sd-bus.h>

namespace {

constexpr const char* kService = "org.gnome.Mutter.IdleMonitor";
constexpr const char* kPath = "/org/gnome/Mutter/IdleMonitor/Core";
constexpr const char* kInterface = "org.gnome.Mutter.IdleMonitor";

}  // namespace

struct MutterSignals {
    static int WatchFired(sd_bus_message* message, void* data, sd_bus_error*) {
        std::uint32_t id = 0;
        if (sd_bus_message_read(message, "u", &id) >= 0 && id != 0)
            static_cast<MutterIdleSource*>(data)->WatchFired(id);
        return 0;
    }
};

std::unique_ptr<MutterIdleSource> MutterIdleSource::Connect(sd_bus* bus, std::function<void()> idle) {
    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message* reply = nullptr;
    const int r = sd_bus_call_method(bus, kService, kPath, kInterface, "GetIdletime", &error, &reply, "");
    sd_bus_error_free(&error);
    sd_bus_message_unref(reply);
    if (r < 0) return nullptr;
    return std::unique_ptr<MutterIdleSource>(new MutterIdleSource(bus, std::move(idle)));
}

MutterIdleSource::MutterIdleSource(sd_bus* bus, std::function<void()> idle)
    : bus_(bus), idle_(std::move(idle)) {
    sd_bus_match_signal(bus_, &slot_, kService, kPath, kInterface, "WatchFired", &MutterSignals::WatchFired, this);
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
    std::uint64_t idleNow = 0;
    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message* reply = nullptr;
    if (sd_bus_call_method(bus_, kService, kPath, kInterface, "GetIdletime", &error, &reply, "") >= 0)
        sd_bus_message_read(reply, "t", &idleNow);
    sd_bus_error_free(&error);
    sd_bus_message_unref(reply);
    idleWatch_ = AddIdleWatch(idleNow + static_cast<std::uint64_t>(timeoutMs));
    if (idleNow > 0) activeWatch_ = AddActiveWatch();
}

void MutterIdleSource::Disarm() {
    Remove(idleWatch_);
    Remove(activeWatch_);
}

void MutterIdleSource::WatchFired(std::uint32_t id) {
    if (id == activeWatch_) {
        // Active watches fire once. From now on a plain idle watch of the delay serves.
        activeWatch_ = 0;
        Remove(idleWatch_);
        idleWatch_ = AddIdleWatch(static_cast<std::uint64_t>(timeoutMs_));
    } else if (id == idleWatch_) {
        idle_();
    }
}

std::uint32_t MutterIdleSource::AddIdleWatch(std::uint64_t intervalMs) {
    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message* reply = nullptr;
    std::uint32_t id = 0;
    if (sd_bus_call_method(bus_, kService, kPath, kInterface, "AddIdleWatch", &error, &reply, "t",
                           intervalMs) >= 0)
        sd_bus_message_read(reply, "u", &id);
    sd_bus_error_free(&error);
    sd_bus_message_unref(reply);
    return id;
}

std::uint32_t MutterIdleSource::AddActiveWatch() {
    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message* reply = nullptr;
    std::uint32_t id = 0;
    if (sd_bus_call_method(bus_, kService, kPath, kInterface, "AddUserActiveWatch", &error, &reply,
                           "") >= 0)
        sd_bus_message_read(reply, "u", &id);
    sd_bus_error_free(&error);
    sd_bus_message_unref(reply);
    return id;
}

void MutterIdleSource::Remove(std::uint32_t& watch) {
    if (watch == 0) return;
    sd_bus_call_method(bus_, kService, kPath, kInterface, "RemoveWatch", nullptr, nullptr, "u", watch);
    watch = 0;
}
