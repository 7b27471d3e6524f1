#include "platform/dbus/sessionbus.h"

#include <systemd/sd-bus.h>
#include <time.h>

#include <cstdarg>
#include <cstring>
#include <string>

std::unique_ptr<SessionBus> SessionBus::Open(std::string& problem) {
    return OpenWith(sd_bus_open_user, "session", problem);
}

std::unique_ptr<SessionBus> SessionBus::OpenSystem(std::string& problem) {
    return OpenWith(sd_bus_open_system, "system", problem);
}

std::unique_ptr<SessionBus> SessionBus::OpenWith(int (*open)(sd_bus**), const char* which,
                                                 std::string& problem) {
    sd_bus* bus = nullptr;
    const int r = open(&bus);
    if (r < 0) {
        problem = std::string("no ") + which + " bus: " + std::strerror(-r);
        return nullptr;
    }
    return std::unique_ptr<SessionBus>(new SessionBus(bus));
}

SessionBus::~SessionBus() {
    sd_bus_flush_close_unref(Connection);
}

int SessionBus::Fd() const {
    return sd_bus_get_fd(Connection);
}

void SessionBus::BeforePoll() {
    sd_bus_flush(Connection);
}

int SessionBus::TimeoutMs() {
    // Work already queued (replies read along with others) is done before any wait.
    std::uint64_t until = 0;
    if (sd_bus_get_timeout(Connection, &until) < 0 || until == UINT64_MAX) return -1;
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const std::uint64_t nowUs =
        std::uint64_t(now.tv_sec) * 1'000'000 + std::uint64_t(now.tv_nsec) / 1000;
    return until <= nowUs ? 0 : static_cast<int>((until - nowUs + 999) / 1000);
}

bool SessionBus::Dispatch(short) {
    // A bounded batch: the loop's other sources (a termination signal first) are looked at
    // between batches, however many messages wait; TimeoutMs() is 0 while more are queued.
    constexpr int kBatch = 64;
    int r = 0;
    for (int i = 0; i < kBatch && (r = sd_bus_process(Connection, nullptr)) > 0; ++i) {
    }
    // The session's bus has gone: so has the session.
    return r >= 0;
}

bool ReadOwnerChange(sd_bus_message* message, const char*& name, bool& owned) {
    const char* before = nullptr;
    const char* after = nullptr;
    if (sd_bus_message_read(message, "sss", &name, &before, &after) < 0) return false;
    owned = after != nullptr && after[0] != '\0';
    return true;
}

int WatchNameOwner(sd_bus* bus, sd_bus_slot** slot, const char* name, BusReplyHandler handler,
                   void* data) {
    const std::string rule = std::string("type='signal',sender='org.freedesktop.DBus',") +
                             "interface='org.freedesktop.DBus',member='NameOwnerChanged',arg0='" +
                             name + "'";
    return sd_bus_add_match_async(bus, slot, rule.c_str(), handler, nullptr, data);
}

int CallAsync(sd_bus* bus, sd_bus_slot** slot, const char* destination, const char* path,
              const char* interface, const char* member, BusReplyHandler handler, void* data,
              const char* types, ...) {
    sd_bus_message* call = nullptr;
    int r = sd_bus_message_new_method_call(bus, &call, destination, path, interface, member);
    if (r < 0) return r;
    // On the session bus a question starts nobody: a program that is not running (GNOME's screen
    // shield outside GNOME, which the bus could start from its service file) says nothing, and is
    // asked when it comes onto the bus by itself. The system bus's may be started on demand
    // (elogind is, where there is no systemd).
    const char* scope = nullptr;
    if (sd_bus_get_scope(bus, &scope) >= 0 && std::strcmp(scope, "user") == 0)
        r = sd_bus_message_set_auto_start(call, 0);
    if (r >= 0 && types != nullptr && types[0] != '\0') {
        va_list arguments;
        va_start(arguments, types);
        r = sd_bus_message_appendv(call, types, arguments);
        va_end(arguments);
    }
    if (r >= 0) r = sd_bus_call_async(bus, slot, call, handler, data, kBusReplyTimeoutUs);
    sd_bus_message_unref(call);
    return r;
}
