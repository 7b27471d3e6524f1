// SessionBus: velmora-idle's connection to the desktop session's D-Bus (sd-bus), served from the
// daemon's loop.
#pragma once

#include <systemd/sd-bus.h>

#include <memory>
#include <string>

#include "platform/posix/pollclient.h"

// How long a call to another program on the bus may take: the daemon never waits for one, but a
// call left unanswered (a peer that hangs) ends as a failed call this soon.
constexpr unsigned long long kBusReplyTimeoutUs = 2'000'000;

using BusReplyHandler = sd_bus_message_handler_t;
// Sends a method call and returns at once; `handler` gets the reply or the error (a timeout
// too) from the loop. On the session bus the call starts no program that is not running (no
// bus activation).
// `slot` (may be null: nobody waits for the answer) keeps the call; dropping it cancels the call.
// Returns a negative errno when the call could not be sent.
int CallAsync(sd_bus* bus, sd_bus_slot** slot, const char* destination, const char* path,
              const char* interface, const char* member, BusReplyHandler handler, void* data,
              const char* types, ...);

// Reads an answer's or a signal's values as sd_bus_message_read does; false for an error (a
// timeout too) or values of other types.
template <typename... Out>
bool ReadAnswer(sd_bus_message* message, const char* types, Out... out) {
    return sd_bus_message_is_method_error(message, nullptr) == 0 &&
           sd_bus_message_read(message, types, out...) >= 0;
}

// A NameOwnerChanged signal: `name` and whether it has an owner now; false when unreadable.
bool ReadOwnerChange(sd_bus_message* message, const char*& name, bool& owned);

// Subscribes to NameOwnerChanged of `name` alone, without waiting; `slot` keeps the
// subscription. Returns a negative errno when it could not be asked for.
int WatchNameOwner(sd_bus* bus, sd_bus_slot** slot, const char* name, BusReplyHandler handler,
                   void* data);

class SessionBus final : public PollClient {
  public:
    // Null, with `problem` saying why, when there is no session bus.
    static std::unique_ptr<SessionBus> Open(std::string& problem);
    // The system bus (DBUS_SYSTEM_BUS_ADDRESS, else the system's), served the same way.
    static std::unique_ptr<SessionBus> OpenSystem(std::string& problem);
    ~SessionBus() override;

    sd_bus* Bus() const { return Connection; }
    int Fd() const override;
    void BeforePoll() override;
    int TimeoutMs() override;
    bool Dispatch(short events) override;

  private:
    explicit SessionBus(sd_bus* bus) : Connection(bus) {}
    // The bus `open` connects to (sd_bus_open_user or _system), `which` naming it in `problem`.
    static std::unique_ptr<SessionBus> OpenWith(int (*open)(sd_bus**), const char* which,
                                                std::string& problem);
    sd_bus* Connection;
};
