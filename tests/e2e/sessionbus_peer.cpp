// The other side of velmora-idle's session bus, for its end-to-end test:
//   sessionbus-peer idle-monitor   serves org.gnome.Mutter.IdleMonitor as GNOME's compositor
//                                  does: idle and user-active watches, WatchFired, GetIdletime,
//                                  and ResetIdletime standing for the user's input
//   sessionbus-peer inhibit        calls org.freedesktop.ScreenSaver.Inhibit and prints the
//                                  cookie; then each line "uninhibit COOKIE" on standard input
//                                  calls UnInhibit; at the end of input it leaves the bus
//   sessionbus-peer input          calls the idle monitor's ResetIdletime: the user's input
//   sessionbus-peer session        serves org.gnome.SessionManager's InhibitedActions, at first
//                                  8 (idle inhibited); each line "flags N" on standard input sets
//                                  it and says so with PropertiesChanged; at the end of input it
//                                  leaves the bus
//   sessionbus-peer shield         serves GNOME's screen shield, org.gnome.ScreenSaver: GetActive,
//                                  at first true (locked); each line "active N" sets it and
//                                  says so with ActiveChanged
//   sessionbus-peer desktop-saver  the same as org.freedesktop.ScreenSaver on /ScreenSaver, as
//                                  KDE's locker serves it
//   sessionbus-peer login-session  serves a login session of logind, org.freedesktop.login1 at
//                                  .../session/auto, whose LockedHint is at first true; each line
//                                  "locked N" sets it and says so with PropertiesChanged (run on
//                                  a bus of its own that stands for the system bus)
//   sessionbus-peer silent-session owns org.gnome.SessionManager but never answers a call, and
//                                  says PropertiesChanged every 200 ms: a peer that hangs; prints
//                                  "asked N" as the Nth call to it comes
//   sessionbus-peer silent-idle-monitor
//                                  owns org.gnome.Mutter.IdleMonitor but never answers a call,
//                                  printing "asked N" as silent-session does
//   sessionbus-peer crowd CLIENTS EACH [BYTES]
//                                  CLIENTS connections to the bus, each calling
//                                  org.freedesktop.ScreenSaver.Inhibit EACH times (application
//                                  and reason BYTES long when given); prints "ready HELD REFUSED
//                                  ERROR", ERROR the first refusal's D-Bus error name or "-"; at
//                                  the end of input all leave the bus at once
//   sessionbus-peer policy-agent   serves KDE's power management policy agent,
//                                  org.kde.Solid.PowerManagement.PolicyAgent: HasInhibition(u)
//                                  says whether the policies held share a bit with those asked
//                                  for, at first 4 (ChangeScreenSettings); each line "held N" sets
//                                  them and says so with InhibitionsChanged; with --times it
//                                  writes "changed US" and "asked US" (monotonic microseconds)
//                                  on standard error as it sends the signal and gets a question
//   sessionbus-peer screensaver-desktop replace|queue|plain
//                                  a desktop's own org.freedesktop.ScreenSaver (KDE's locker,
//                                  GNOME's proxy): asks for the name replacing its owner, queueing
//                                  behind it (as GNOME's does) or neither (as KDE's does), prints
//                                  "ready" once it owns it, else "queued" or "refused"; answers
//                                  Inhibit with cookies from 9000 on, GetActive with false until a
//                                  line "active N" sets it and says so with ActiveChanged; at the
//                                  end of input it leaves
// Each prints "ready" once it is set.
#include <sys/resource.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "standin.h"

namespace {

constexpr const char* kPath = "/org/gnome/Mutter/IdleMonitor/Core";
constexpr const char* kInterface = "org.gnome.Mutter.IdleMonitor";

std::uint64_t NowMs() {
    return standin::ClockUs() / 1000;
}

struct Watch {
    std::uint64_t Interval = 0;  // 0: a user-active watch
    bool Fired = false;          // fired in this idle period
};

struct Monitor {
    sd_bus* Bus = nullptr;
    std::uint64_t LastInput = NowMs();
    std::map<std::uint32_t, Watch> Watches;
    std::uint32_t Next = 1;

    std::uint64_t Idle() const { return NowMs() - LastInput; }
    void Fire(std::uint32_t id) {
        sd_bus_emit_signal(Bus, kPath, kInterface, "WatchFired", "u", id);
    }
    // Idle watches fire when the idle time reaches them, once per idle period.
    void FireDue() {
        for (auto& [id, watch] : Watches)
            if (watch.Interval > 0 && !watch.Fired && Idle() >= watch.Interval) {
                watch.Fired = true;
                Fire(id);
            }
    }
    int MsToNext() const {
        std::int64_t best = -1;
        for (const auto& [id, watch] : Watches)
            if (watch.Interval > 0 && !watch.Fired) {
                const std::int64_t left = std::int64_t(watch.Interval) - std::int64_t(Idle());
                if (best < 0 || left < best) best = left < 0 ? 0 : left;
            }
        return static_cast<int>(best);
    }
};

int GetIdletime(sd_bus_message* m, void* data, sd_bus_error*) {
    return sd_bus_reply_method_return(m, "t", static_cast<Monitor*>(data)->Idle());
}

int AddIdleWatch(sd_bus_message* m, void* data, sd_bus_error*) {
    auto* monitor = static_cast<Monitor*>(data);
    std::uint64_t interval = 0;
    if (sd_bus_message_read(m, "t", &interval) < 0 || interval == 0)
        return sd_bus_reply_method_errorf(m, SD_BUS_ERROR_INVALID_ARGS, "bad interval");
    const std::uint32_t id = monitor->Next++;
    // A watch added after its time has passed waits for the next idle period, as Mutter's do.
    monitor->Watches[id] = {interval, monitor->Idle() >= interval};
    return sd_bus_reply_method_return(m, "u", id);
}

int AddUserActiveWatch(sd_bus_message* m, void* data, sd_bus_error*) {
    auto* monitor = static_cast<Monitor*>(data);
    const std::uint32_t id = monitor->Next++;
    monitor->Watches[id] = {0, false};
    return sd_bus_reply_method_return(m, "u", id);
}

int RemoveWatch(sd_bus_message* m, void* data, sd_bus_error*) {
    std::uint32_t id = 0;
    sd_bus_message_read(m, "u", &id);
    static_cast<Monitor*>(data)->Watches.erase(id);
    return standin::ReplyEmpty(m);
}

int ResetIdletime(sd_bus_message* m, void* data, sd_bus_error*) {
    auto* monitor = static_cast<Monitor*>(data);
    monitor->LastInput = NowMs();
    for (auto it = monitor->Watches.begin(); it != monitor->Watches.end();) {
        it->second.Fired = false;
        if (it->second.Interval == 0) {  // user-active watches fire once and go
            monitor->Fire(it->first);
            it = monitor->Watches.erase(it);
        } else {
            ++it;
        }
    }
    return standin::ReplyEmpty(m);
}

const sd_bus_vtable kMonitorTable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_SIGNAL("WatchFired", "u", 0),
    SD_BUS_METHOD("GetIdletime", "", "t", &GetIdletime, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("AddIdleWatch", "t", "u", &AddIdleWatch, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("AddUserActiveWatch", "", "u", &AddUserActiveWatch, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("RemoveWatch", "u", "", &RemoveWatch, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("ResetIdletime", "", "", &ResetIdletime, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_VTABLE_END,
};

int ServeIdleMonitor(sd_bus* bus) {
    Monitor monitor;
    monitor.Bus = bus;
    if (!standin::Serve(bus, kInterface, kPath, kInterface, kMonitorTable, &monitor)) return 1;
    std::cout << "ready" << std::endl;
    for (;;) {
        while (sd_bus_process(bus, nullptr) > 0) {
        }
        monitor.FireDue();
        sd_bus_flush(bus);
        pollfd fd{sd_bus_get_fd(bus), POLLIN, 0};
        if (poll(&fd, 1, monitor.MsToNext()) < 0) return 1;
        if ((fd.revents & (POLLHUP | POLLERR)) != 0) return 0;
    }
}

int HoldInhibit(sd_bus* bus) {
    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message* reply = nullptr;
    std::uint32_t cookie = 0;
    if (sd_bus_call_method(bus, "org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver",
                           "org.freedesktop.ScreenSaver", "Inhibit", &error, &reply, "ss",
                           "velmora-e2e", "playing a video") < 0 ||
        sd_bus_message_read(reply, "u", &cookie) < 0) {
        std::cerr << "Inhibit failed: " << (error.message ? error.message : "?") << "\n";
        return 1;
    }
    sd_bus_message_unref(reply);
    std::cout << "ready " << cookie << std::endl;
    std::string word;
    std::uint32_t which = 0;
    while (std::cin >> word >> which) {
        if (word != "uninhibit") continue;
        const int r = sd_bus_call_method(
            bus, "org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver",
            "org.freedesktop.ScreenSaver", "UnInhibit", nullptr, nullptr, "u", which);
        std::cout << (r >= 0 ? "done" : "failed") << std::endl;
    }
    return 0;
}

std::uint32_t inhibitedActions = 8;

int GetInhibitedActions(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply,
                        void*, sd_bus_error*) {
    return sd_bus_message_append(reply, "u", inhibitedActions);
}

const sd_bus_vtable kSessionTable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_PROPERTY("InhibitedActions", "u", &GetInhibitedActions, 0,
                    SD_BUS_VTABLE_PROPERTY_EMITS_CHANGE),
    SD_BUS_VTABLE_END,
};

int ServeSession(sd_bus* bus) {
    constexpr const char* name = "org.gnome.SessionManager";
    return standin::ServeState(
        bus, name, "/org/gnome/SessionManager", name, kSessionTable, inhibitedActions, [bus] {
            sd_bus_emit_properties_changed(bus, "/org/gnome/SessionManager", name,
                                           "InhibitedActions", nullptr);
        });
}

// The lock state that the shield, the login session and a desktop's own saver serve.
int lockedFlag = 1;

int GetActive(sd_bus_message* m, void*, sd_bus_error*) {
    return sd_bus_reply_method_return(m, "b", lockedFlag);
}

const sd_bus_vtable kShieldTable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD("GetActive", "", "b", &GetActive, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_SIGNAL("ActiveChanged", "b", 0),
    SD_BUS_VTABLE_END,
};

int GetLockedHint(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*,
                  sd_bus_error*) {
    return sd_bus_message_append(reply, "b", lockedFlag);
}

const sd_bus_vtable kLoginSessionTable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_PROPERTY("LockedHint", "b", &GetLockedHint, 0, SD_BUS_VTABLE_PROPERTY_EMITS_CHANGE),
    SD_BUS_VTABLE_END,
};

// Serves the lock state under `name`; each line "WORD N" on standard input sets it and `tell`s.
int ServeLock(sd_bus* bus, const char* name, const char* path, const char* interface,
              const sd_bus_vtable* table, void (*tell)(sd_bus*)) {
    return standin::ServeState(bus, name, path, interface, table, lockedFlag, [&] { tell(bus); });
}

void TellShield(sd_bus* bus) {
    sd_bus_emit_signal(bus, "/org/gnome/ScreenSaver", "org.gnome.ScreenSaver", "ActiveChanged", "b",
                       lockedFlag);
}

void TellDesktopSaver(sd_bus* bus) {
    sd_bus_emit_signal(bus, "/ScreenSaver", "org.freedesktop.ScreenSaver", "ActiveChanged", "b",
                       lockedFlag);
}

void TellLoginSession(sd_bus* bus) {
    sd_bus_emit_properties_changed(bus, "/org/freedesktop/login1/session/auto",
                                   "org.freedesktop.login1.Session", "LockedHint", nullptr);
}

// Takes each method call to it off the bus without an answer, counting it.
int Swallow(sd_bus_message* m, void* data, sd_bus_error*) {
    if (sd_bus_message_is_method_call(m, nullptr, nullptr) <= 0) return 0;
    std::cout << "asked " << ++*static_cast<int*>(data) << std::endl;
    return 1;
}

// Owns `name` and answers no call; with `path`, says PropertiesChanged of `name` there every
// 200 ms. Ends at the end of standard input.
int ServeSilent(sd_bus* bus, const char* name, const char* path) {
    int asked = 0;
    if (sd_bus_add_filter(bus, nullptr, &Swallow, &asked) < 0 ||
        sd_bus_request_name(bus, name, 0) < 0) {
        std::cerr << "cannot take " << name << "\n";
        return 1;
    }
    std::cout << "ready" << std::endl;
    for (;;) {
        if (path != nullptr)
            sd_bus_emit_signal(bus, path, "org.freedesktop.DBus.Properties", "PropertiesChanged",
                               "sa{sv}as", name, 0, 0);
        while (sd_bus_process(bus, nullptr) > 0) {
        }
        sd_bus_flush(bus);
        pollfd fds[2] = {{STDIN_FILENO, POLLIN, 0}, {sd_bus_get_fd(bus), POLLIN, 0}};
        const std::uint64_t until = standin::ClockUs() + 200'000;
        for (std::uint64_t now = standin::ClockUs(); now < until; now = standin::ClockUs()) {
            if (poll(fds, 2, static_cast<int>((until - now + 999) / 1000)) < 0) return 1;
            if (fds[0].revents != 0) return 0;
            if (fds[1].revents != 0) {
                while (sd_bus_process(bus, nullptr) > 0) {
                }
            }
        }
    }
}

// The answers to one crowd's Inhibits.
struct Tally {
    int Held = 0, Refused = 0, Waiting = 0;
    std::string FirstError = "-";
};

int Counted(sd_bus_message* reply, void* data, sd_bus_error*) {
    auto& tally = *static_cast<Tally*>(data);
    --tally.Waiting;
    if (const sd_bus_error* error = sd_bus_message_get_error(reply); error != nullptr) {
        ++tally.Refused;
        if (tally.FirstError == "-") tally.FirstError = error->name != nullptr ? error->name : "?";
    } else {
        ++tally.Held;
    }
    return 0;
}

// Many clients of the screen saver's name, each on a connection of its own, one after the other;
// each sends all its calls before waiting for the answers.
int Crowd(int clients, int each, std::size_t bytes) {
    const std::string application = bytes > 0 ? std::string(bytes, 'a') : "velmora-e2e";
    const std::string reason = bytes > 0 ? std::string(bytes, 'r') : "playing a video";
    // A connection each: as many descriptors as allowed.
    rlimit files{};
    if (getrlimit(RLIMIT_NOFILE, &files) == 0) {
        files.rlim_cur = files.rlim_max;
        setrlimit(RLIMIT_NOFILE, &files);
    }
    std::vector<sd_bus*> buses;
    Tally tally;
    for (int c = 0; c < clients; ++c) {
        sd_bus* bus = nullptr;
        if (sd_bus_open_user(&bus) < 0) {
            std::cerr << "connection " << c << " failed\n";
            return 1;
        }
        buses.push_back(bus);
        for (int i = 0; i < each; ++i) {
            if (sd_bus_call_method_async(bus, nullptr, "org.freedesktop.ScreenSaver",
                                         "/org/freedesktop/ScreenSaver",
                                         "org.freedesktop.ScreenSaver", "Inhibit", &Counted, &tally,
                                         "ss", application.c_str(), reason.c_str()) < 0) {
                std::cerr << "cannot send Inhibit\n";
                return 1;
            }
            ++tally.Waiting;
        }
        while (tally.Waiting > 0) {
            const int r = sd_bus_process(bus, nullptr);
            if (r < 0 || (r == 0 && sd_bus_wait(bus, UINT64_MAX) < 0)) {
                std::cerr << "connection " << c << " lost\n";
                return 1;
            }
        }
    }
    std::cout << "ready " << tally.Held << " " << tally.Refused << " " << tally.FirstError
              << std::endl;
    std::string line;
    while (std::getline(std::cin, line)) {
    }
    // Leaving by ending: every connection closes at once.
    std::_Exit(0);
}

std::uint32_t heldPolicies = 4;
bool writeTimes = false;

int HasInhibition(sd_bus_message* m, void*, sd_bus_error*) {
    if (writeTimes) std::cerr << "asked " << standin::ClockUs() << std::endl;
    std::uint32_t asked = 0;
    if (sd_bus_message_read(m, "u", &asked) < 0)
        return sd_bus_reply_method_errorf(m, SD_BUS_ERROR_INVALID_ARGS, "bad policies");
    return sd_bus_reply_method_return(m, "b", (heldPolicies & asked) != 0);
}

const sd_bus_vtable kPolicyAgentTable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD("HasInhibition", "u", "b", &HasInhibition, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_SIGNAL("InhibitionsChanged", "a(ss)as", 0),
    SD_BUS_VTABLE_END,
};

// As PowerDevil says it: the applications added and the ones removed, not their policies.
int ServePolicyAgent(sd_bus* bus) {
    constexpr const char* name = "org.kde.Solid.PowerManagement.PolicyAgent";
    constexpr const char* path = "/org/kde/Solid/PowerManagement/PolicyAgent";
    return standin::ServeState(bus, name, path, name, kPolicyAgentTable, heldPolicies, [&] {
        const std::uint64_t sent = standin::ClockUs();
        if (heldPolicies != 0)
            sd_bus_emit_signal(bus, path, name, "InhibitionsChanged", "a(ss)as", 1, "velmora-e2e",
                               "playing a video", 0);
        else
            sd_bus_emit_signal(bus, path, name, "InhibitionsChanged", "a(ss)as", 0, 1,
                               "velmora-e2e");
        sd_bus_flush(bus);
        if (writeTimes) std::cerr << "changed " << sent << std::endl;
    });
}

std::uint32_t nextDesktopCookie = 9000;

int DesktopInhibit(sd_bus_message* m, void*, sd_bus_error*) {
    return sd_bus_reply_method_return(m, "u", nextDesktopCookie++);
}

int DesktopUnInhibit(sd_bus_message* m, void*, sd_bus_error*) {
    return standin::ReplyEmpty(m);
}

const sd_bus_vtable kDesktopTable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD("Inhibit", "ss", "u", &DesktopInhibit, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_SIGNAL("ActiveChanged", "b", 0),
    SD_BUS_METHOD("UnInhibit", "u", "", &DesktopUnInhibit, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("GetActive", "", "b", &GetActive, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_VTABLE_END,
};

int ServeScreenSaverDesktop(sd_bus* bus, const std::string& how) {
    constexpr const char* name = "org.freedesktop.ScreenSaver";
    lockedFlag = 0;  // not active until told
    const std::uint64_t flags = how == "replace" ? SD_BUS_NAME_REPLACE_EXISTING
                                : how == "queue" ? SD_BUS_NAME_QUEUE
                                                 : 0;
    if (!standin::AddObjects(bus, {"/org/freedesktop/ScreenSaver", "/ScreenSaver"}, name,
                             kDesktopTable)) {
        std::cerr << "cannot serve " << name << "\n";
        return 1;
    }
    const int r = sd_bus_request_name(bus, name, flags);
    // The owner now: above 0; queued behind the owner: 0.
    std::cout << (r > 0          ? "ready"
                  : r == 0       ? "queued"
                  : r == -EEXIST ? "refused"
                                 : "failed")
              << std::endl;
    return standin::ServeWhileInput(bus, lockedFlag, [&] {
        sd_bus_emit_signal(bus, "/ScreenSaver", name, "ActiveChanged", "b", lockedFlag);
    });
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    sd_bus* bus = nullptr;
    if (sd_bus_open_user(&bus) < 0) {
        std::cerr << "no session bus\n";
        return 1;
    }
    int status = 2;
    if (mode == "idle-monitor")
        status = ServeIdleMonitor(bus);
    else if (mode == "inhibit")
        status = HoldInhibit(bus);
    else if (mode == "session")
        status = ServeSession(bus);
    else if (mode == "shield")
        status = ServeLock(bus, "org.gnome.ScreenSaver", "/org/gnome/ScreenSaver",
                           "org.gnome.ScreenSaver", kShieldTable, &TellShield);
    else if (mode == "desktop-saver")
        status = ServeLock(bus, "org.freedesktop.ScreenSaver", "/ScreenSaver",
                           "org.freedesktop.ScreenSaver", kShieldTable, &TellDesktopSaver);
    else if (mode == "login-session")
        status = ServeLock(bus, "org.freedesktop.login1", "/org/freedesktop/login1/session/auto",
                           "org.freedesktop.login1.Session", kLoginSessionTable, &TellLoginSession);
    else if (mode == "silent-session")
        status = ServeSilent(bus, "org.gnome.SessionManager", "/org/gnome/SessionManager");
    else if (mode == "silent-idle-monitor")
        status = ServeSilent(bus, "org.gnome.Mutter.IdleMonitor", nullptr);
    else if (mode == "crowd" && argc > 3)
        status = Crowd(std::atoi(argv[2]), std::atoi(argv[3]),
                       argc > 4 ? std::strtoul(argv[4], nullptr, 10) : 0);
    else if (mode == "policy-agent") {
        writeTimes = argc > 2 && std::string(argv[2]) == "--times";
        status = ServePolicyAgent(bus);
    } else if (mode == "screensaver-desktop")
        status = ServeScreenSaverDesktop(bus, argc > 2 ? argv[2] : "");
    else if (mode == "input")
        status = sd_bus_call_method(bus, "org.gnome.Mutter.IdleMonitor", kPath, kInterface,
                                    "ResetIdletime", nullptr, nullptr, "") < 0;
    else
        std::cerr << "usage: sessionbus-peer idle-monitor | inhibit | input | session | shield |"
                     " desktop-saver | login-session | silent-session | silent-idle-monitor |"
                     " policy-agent | screensaver-desktop replace|queue|plain |"
                     " crowd CLIENTS EACH [BYTES]\n";
    sd_bus_flush_close_unref(bus);
    return status;
}
