#include "platform/dbus/logindlocker.h"

#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr const char* kLogin = "org.freedesktop.login1";
constexpr const char* kManagerPath = "/org/freedesktop/login1";
constexpr const char* kManager = "org.freedesktop.login1.Manager";
constexpr const char* kSession = "org.freedesktop.login1.Session";
constexpr const char* kProperties = "org.freedesktop.DBus.Properties";

// The error of a failed call, as one short text.
std::string ErrorText(sd_bus_message* reply) {
    const sd_bus_error* error = sd_bus_message_get_error(reply);
    if (error == nullptr) return "no answer";
    return error->message != nullptr ? error->message
           : error->name != nullptr  ? error->name
                                     : "no answer";
}

}  // namespace

struct LogindCalls {
    static LogindLocker& Of(void* data) { return *static_cast<LogindLocker*>(data); }

    // The session by this process, else logind's own choice for the caller.
    static int ByPid(sd_bus_message* reply, void* data, sd_bus_error*) {
        auto& self = Of(data);
        self.LookupCall = sd_bus_slot_unref(self.LookupCall);
        const char* path = nullptr;
        if (ReadAnswer(reply, "o", &path)) {
            self.LockSession(path);
            return 0;
        }
        const int r = CallAsync(self.Bus->Bus(), &self.LookupCall, kLogin, kManagerPath, kManager,
                                "GetSession", &LogindCalls::Auto, &self, "s", "auto");
        if (r < 0) self.Fail(std::string("cannot ask logind: ") + std::strerror(-r));
        return 0;
    }
    static int Auto(sd_bus_message* reply, void* data, sd_bus_error*) {
        auto& self = Of(data);
        self.LookupCall = sd_bus_slot_unref(self.LookupCall);
        const char* path = nullptr;
        if (!ReadAnswer(reply, "o", &path)) {
            self.Fail("logind knows no session of this process: " + ErrorText(reply));
            return 0;
        }
        self.LockSession(path);
        return 0;
    }
    static int Locked(sd_bus_message* reply, void* data, sd_bus_error*) {
        auto& self = Of(data);
        self.LockCall = sd_bus_slot_unref(self.LockCall);
        if (sd_bus_message_is_method_error(reply, nullptr)) {
            self.Fail("logind refused to lock the session: " + ErrorText(reply));
            return 0;
        }
        if (self.Events != nullptr) self.Events->OnLockRequestAnswered(true);
        // The locker may have set the hint already, before its change could be watched.
        if (self.Events != nullptr) self.AskLockedHint();
        return 0;
    }
    static int Hint(sd_bus_message* reply, void* data, sd_bus_error*) {
        auto& self = Of(data);
        self.HintCall = sd_bus_slot_unref(self.HintCall);
        int flag = 0;
        if (!ReadAnswer(reply, "v", "b", &flag)) return 0;
        if (self.Events != nullptr) self.Events->OnSessionLocked(flag != 0);
        return 0;
    }
    // Whatever changed on the session, the hint is asked afresh: logind may only say it changed.
    static int Changed(sd_bus_message*, void* data, sd_bus_error*) {
        auto& self = Of(data);
        if (self.Events != nullptr) self.AskLockedHint();
        return 0;
    }
};

LogindLocker::LogindLocker(std::string programName) : Program(std::move(programName)) {}

LogindLocker::~LogindLocker() {
    DropCalls();
}

void LogindLocker::DropCalls() {
    for (sd_bus_slot** slot : {&LookupCall, &LockCall, &HintCall, &HintMatch})
        *slot = sd_bus_slot_unref(*slot);
}

std::uint64_t LogindLocker::NowMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return std::uint64_t(now.tv_sec) * 1000 + std::uint64_t(now.tv_nsec) / 1'000'000;
}

void LogindLocker::RequestLock(SessionLockEvents& events) {
    Events = &events;
    if (Bus == nullptr) {
        std::string problem;
        Bus = SessionBus::OpenSystem(problem);
        if (Bus == nullptr) {
            Fail(problem);
            return;
        }
    }
    // The login sets the session's id; without it, logind finds the session by this process.
    const char* id = std::getenv("XDG_SESSION_ID");
    if (id != nullptr && *id != '\0') {
        char* path = nullptr;
        if (sd_bus_path_encode("/org/freedesktop/login1/session", id, &path) < 0) {
            Fail("no session path for XDG_SESSION_ID");
            return;
        }
        LockSession(path);
        std::free(path);
        return;
    }
    const int r =
        CallAsync(Bus->Bus(), &LookupCall, kLogin, kManagerPath, kManager, "GetSessionByPID",
                  &LogindCalls::ByPid, this, "u", static_cast<std::uint32_t>(getpid()));
    if (r < 0) Fail(std::string("cannot ask logind: ") + std::strerror(-r));
}

void LogindLocker::LockSession(const char* path) {
    SessionPath = path;
    sd_bus_match_signal_async(Bus->Bus(), &HintMatch, kLogin, SessionPath.c_str(), kProperties,
                              "PropertiesChanged", &LogindCalls::Changed, nullptr, this);
    const int r = CallAsync(Bus->Bus(), &LockCall, kLogin, SessionPath.c_str(), kSession, "Lock",
                            &LogindCalls::Locked, this, "");
    if (r < 0) Fail(std::string("cannot ask logind: ") + std::strerror(-r));
}

void LogindLocker::AskLockedHint() {
    HintCall = sd_bus_slot_unref(HintCall);
    CallAsync(Bus->Bus(), &HintCall, kLogin, SessionPath.c_str(), kProperties, "Get",
              &LogindCalls::Hint, this, "ss", kSession, "LockedHint");
}

void LogindLocker::Fail(std::string problem) {
    Problem = std::move(problem);
    FailurePending = true;
}

void LogindLocker::EndedUnlocked(UnlockedEnd why) {
    Events = nullptr;
    WakeTime = 0;
    DropCalls();
    if (why == UnlockedEnd::NotInTime)
        std::fprintf(stderr,
                     "%s: the session was not locked within 5 seconds of the lock "
                     "request; ending the saver unlocked\n",
                     Program.c_str());
    else if (why == UnlockedEnd::Unheld)
        std::fprintf(stderr,
                     "%s: the session is said to be locked, but no locker took the keyboard "
                     "within 5 seconds of the lock request; ending the saver\n",
                     Program.c_str());
    else
        std::fprintf(stderr, "%s: cannot have the session locked (%s); ending the saver unlocked\n",
                     Program.c_str(), Problem.empty() ? "no answer" : Problem.c_str());
}

int LogindLocker::Fd() const {
    return Bus != nullptr ? Bus->Fd() : -1;
}

void LogindLocker::BeforePoll() {
    if (Bus != nullptr) Bus->BeforePoll();
}

int LogindLocker::TimeoutMs() {
    if (FailurePending) return 0;
    int timeout = Bus != nullptr ? Bus->TimeoutMs() : -1;
    if (WakeTime != 0) {
        const std::uint64_t now = NowMs();
        const int wake = WakeTime <= now ? 0 : static_cast<int>(WakeTime - now);
        if (timeout < 0 || wake < timeout) timeout = wake;
    }
    return timeout;
}

bool LogindLocker::Dispatch(short events) {
    if (Bus != nullptr && !Bus->Dispatch(events)) {
        // The system bus went away: no answer can come now.
        DropCalls();
        Bus.reset();
        Fail("the system bus went away");
    }
    // Each is cleared whether or not anyone still listens: a due one left standing would have
    // the loop spin on a zero timeout.
    if (FailurePending) {
        FailurePending = false;
        if (Events != nullptr) Events->OnLockRequestAnswered(false);
    }
    if (WakeTime != 0 && NowMs() >= WakeTime) {
        WakeTime = 0;
        if (Events != nullptr) Events->OnLockWake();
    }
    return true;
}
