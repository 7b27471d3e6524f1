// The sd-bus plumbing of the end-to-end tests' stand-ins for desktop services (sessionbus-peer,
// logind-standin): the clock, serving objects under a name, the empty reply, and the loop that
// serves the bus while standard input changes what is served.
#pragma once

#include <poll.h>
#include <systemd/sd-bus.h>
#include <time.h>
#include <unistd.h>

#include <cstdint>
#include <initializer_list>
#include <iostream>
#include <string>

namespace standin {

// Microseconds on `clock`.
inline std::uint64_t ClockUs(clockid_t clock = CLOCK_MONOTONIC) {
    timespec now{};
    clock_gettime(clock, &now);
    return std::uint64_t(now.tv_sec) * 1'000'000 + std::uint64_t(now.tv_nsec) / 1000;
}

// Serves `table` under `interface` at each of `paths`, with `data` for its handlers.
inline bool AddObjects(sd_bus* bus, std::initializer_list<const char*> paths, const char* interface,
                       const sd_bus_vtable* table, void* data = nullptr) {
    for (const char* path : paths)
        if (sd_bus_add_object_vtable(bus, nullptr, path, interface, table, data) < 0) return false;
    return true;
}

// Serves `table` at `path` and owns `name`; says on standard error what it cannot serve.
inline bool Serve(sd_bus* bus, const char* name, const char* path, const char* interface,
                  const sd_bus_vtable* table, void* data = nullptr) {
    if (AddObjects(bus, {path}, interface, table, data) && sd_bus_request_name(bus, name, 0) >= 0)
        return true;
    std::cerr << "cannot serve " << name << "\n";
    return false;
}

// The answer to a call that returns nothing.
inline int ReplyEmpty(sd_bus_message* call) {
    return sd_bus_reply_method_return(call, "");
}

// Serves the bus until standard input ends (0) or polling fails (1). Each line "WORD N" on
// standard input puts N into `value`; `changed` then tells the bus, and the line is answered
// "done" once that has been sent.
template <typename Value, typename Changed>
int ServeWhileInput(sd_bus* bus, Value& value, Changed changed) {
    for (;;) {
        while (sd_bus_process(bus, nullptr) > 0) {
        }
        sd_bus_flush(bus);
        pollfd fds[2] = {{sd_bus_get_fd(bus), POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) return 1;
        if (fds[1].revents == 0) continue;
        std::string word;
        if (!(std::cin >> word >> value)) return 0;
        changed();
        sd_bus_flush(bus);
        std::cout << "done" << std::endl;
    }
}

// Serves `table` at `path` under `name`, says "ready", then serves while standard input changes
// `value` (ServeWhileInput).
template <typename Value, typename Changed>
int ServeState(sd_bus* bus, const char* name, const char* path, const char* interface,
               const sd_bus_vtable* table, Value& value, Changed changed) {
    if (!Serve(bus, name, path, interface, table)) return 1;
    std::cout << "ready" << std::endl;
    return ServeWhileInput(bus, value, changed);
}

}  // namespace standin
