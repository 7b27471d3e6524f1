// velmora-idle: starts "velmora /s" once the desktop has been idle for the configured time. Wires
// the idle source the desktop offers (Wayland's idle protocols, GNOME's idle monitor, X11's
// MIT-SCREEN-SAVER), the session bus's inhibitors, the settings file's watch and the saver's
// child process to the platform-free IdleWatcher, around one poll loop.
#include <unistd.h>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "idle/idlecommandline.h"
#include "idle/idlewatcher.h"
#include "idle/inhibitorbook.h"
#include "idle/sessiondesktop.h"
#include "platform/dbus/mutteridle.h"
#include "platform/dbus/policyagent.h"
#include "platform/dbus/screensaverservice.h"
#include "platform/dbus/sessionbus.h"
#include "platform/dbus/sessionlock.h"
#include "platform/posix/codepage.h"
#include "platform/posix/instance.h"
#include "platform/posix/lockerscan.h"
#include "platform/posix/pollclient.h"
#include "platform/posix/registry.h"
#include "platform/posix/saverprocess.h"
#include "platform/posix/settingswatch.h"
#include "platform/posix/signals.h"
#include "platform/posix/versionnotice.h"
#include "platform/wayland/idlenotify.h"
#include "platform/x11/xssidle.h"
#include "settings/settings.h"
#include "settings/settingsstore.h"

namespace {

// Lines may quote the settings file: its Shift-JIS texts go out in the terminal's encoding and
// its control characters escaped.
void Report(const std::string& line) {
    // One write, so that a reader of the log (the journal) never sees half a line.
    std::cerr << ("velmora-idle: " + SjisForTerminal(line) + "\n");
}

std::string SelfPath() {
    char buffer[4096];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
}

// The termination signals' pipe as one more thing the loop waits for.
class SignalClient final : public PollClient {
  public:
    explicit SignalClient(const TerminationPipe& pipe) : Pipe(pipe) {}
    int Fd() const override { return Pipe.ReadFd(); }
    bool Dispatch(short) override { return Pipe.Received() == 0; }

  private:
    const TerminationPipe& Pipe;
};

// One daemon per user and desktop session: the session is its Wayland or X display.
std::string SessionScope() {
    if (const char* wayland = std::getenv("WAYLAND_DISPLAY"); wayland != nullptr && *wayland)
        return "wayland-" + DisplayScope(wayland);
    const char* x = std::getenv("DISPLAY");
    return DisplayScope(x != nullptr ? x : "");
}

}  // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_CTYPE, "");
    const std::vector<std::string_view> given(argv + std::min(argc, 1), argv + argc);
    const IdleCommandLine line = ParseIdleCommandLine(given);
    switch (line.What) {
        case IdleCommandLine::Action::Help:
            std::fputs(IdleUsageText().c_str(), stdout);
            return 0;
        case IdleCommandLine::Action::Version:
            std::fputs(VersionNotice("velmora-idle").c_str(), stdout);
            return 0;
        case IdleCommandLine::Action::Error:
            std::fprintf(stderr, "velmora-idle: %s\n\n%s", line.Problem.c_str(),
                         IdleUsageText().c_str());
            return 2;
        case IdleCommandLine::Action::Run:
            break;
    }

    TerminationPipe signals;
    signals.Install();
    // Taking the lock is the check, in one step: a look first and a lock after would let two
    // daemons that start together both run.
    FileLockInstanceMarker marker({}, SessionScope());
    if (marker.Add("velmora-idle") == 0) {
        if (marker.Find("velmora-idle") != 0) {
            Report("already runs for this session");
            return 0;
        }
        Report("cannot lock " + marker.PathFor("velmora-idle") +
               ": another velmora-idle is starting for this session, or the file cannot be made");
        return 1;
    }

    // The watcher and the parts that call it are made in this order; their callbacks reach it
    // through this pointer once it exists.
    IdleWatcher* watcher = nullptr;
    const auto idle = [&watcher] {
        if (watcher == nullptr) return;
        // A locker that tells no bus is looked for when it matters: at the idle time.
        watcher->SetLocked(LockTeller::Locker, SessionLockerRunning());
        watcher->OnIdle();
    };

    std::string problem;
    std::unique_ptr<SessionBus> bus = SessionBus::Open(problem);
    if (!bus) Report(problem + "; video players cannot hold the saver off");

    std::unique_ptr<WaylandIdleSource> wayland;
    std::unique_ptr<MutterIdleSource> mutter;
    std::unique_ptr<XssIdleSource> x11;
    IdleSource* source = nullptr;
    std::string which;
    if (std::getenv("WAYLAND_DISPLAY") != nullptr) {
        wayland = WaylandIdleSource::Connect(idle, which);
        source = wayland.get();
    }
    if (source == nullptr && bus) {
        mutter = MutterIdleSource::Connect(bus->Bus(), idle);
        if (mutter) which = "GNOME's idle monitor";
        source = mutter.get();
    }
    if (source == nullptr && std::getenv("DISPLAY") != nullptr) {
        x11 = XssIdleSource::Connect(
            idle,
            [](bool aside) {
                Report(aside ? "an XScreenSaver daemon runs on this display: leaving it the saver"
                             : "the XScreenSaver daemon has gone: watching again");
            },
            problem);
        if (x11) which = "MIT-SCREEN-SAVER";
        source = x11.get();
    }
    if (source == nullptr) {
        Report(
            "no idle time to watch: no Wayland compositor with an idle protocol, no GNOME "
            "idle monitor and no X display");
        return 1;
    }

    SaverProcess saver(SaverProgramBeside(SelfPath()), [&watcher](bool succeeded) {
        if (watcher != nullptr) watcher->OnSaverEnded(succeeded);
    });
    IdleWatcher idleWatcher(*source, saver, &Report);
    watcher = &idleWatcher;

    // Players' inhibits: served here as org.freedesktop.ScreenSaver, except where the desktop
    // serves that name itself; there they are followed where the desktop keeps them (GNOME's
    // session flags, Plasma's policy agent), as they are when a desktop takes the name later.
    const char* currentDesktop = std::getenv("XDG_CURRENT_DESKTOP");
    const SessionDesktop desktop =
        DesktopOfSession(currentDesktop != nullptr ? currentDesktop : "");
    InhibitorBook inhibitors;
    std::unique_ptr<ScreenSaverService> service;
    std::unique_ptr<PolicyAgentWatch> policyAgent;
    SessionLockWatch* lockWatcher = nullptr;
    if (bus) {
        service = std::make_unique<ScreenSaverService>(
            bus->Bus(), inhibitors, !DesktopServesScreenSaverName(desktop),
            [&] { idleWatcher.SetInhibited(InhibitTeller::Players, inhibitors.Inhibited()); },
            [&saver] { return saver.Running(); },
            [&lockWatcher](std::size_t lifted) {
                Report(
                    "another program has taken org.freedesktop.ScreenSaver: it answers the "
                    "players' inhibits from now on" +
                    (lifted > 0 ? "; " + std::to_string(lifted) + " held here lifted"
                                : std::string()));
                // Its answer is now the desktop's own (KDE's locker), no longer the saver's.
                if (lockWatcher != nullptr) lockWatcher->AskDesktopSaver();
            });
        idleWatcher.SetInhibited(InhibitTeller::Players, inhibitors.Inhibited());
        policyAgent =
            std::make_unique<PolicyAgentWatch>(bus->Bus(), [&idleWatcher](bool inhibited) {
                idleWatcher.SetInhibited(InhibitTeller::PolicyAgent, inhibited);
            });
    }

    // A locked session gets no saver: it would run unseen under the lock.
    std::unique_ptr<SessionBus> systemBus = SessionBus::OpenSystem(problem);
    SessionLockWatch lockWatch(
        systemBus ? systemBus->Bus() : nullptr, bus ? bus->Bus() : nullptr,
        !(service && service->Serving()),
        [&idleWatcher](LockTeller teller, bool locked) { idleWatcher.SetLocked(teller, locked); });
    lockWatcher = &lockWatch;

    const std::string settingsPath = DefaultRegistryPath();
    FileRegistry registry(settingsPath, &std::cerr);
    const auto configure = [&] {
        IdleConfig config;
        {
            SettingsStore store(registry, kSettingsBaseKey);
            config = ReadIdleConfig(store);
        }
        if (line.Timeout) {
            config.TimeoutText = line.Timeout;
            config.TimeoutOrigin = "--timeout";
        }
        idleWatcher.Configure(config);
    };
    SettingsWatch settingsWatch(settingsPath, configure);
    if (!settingsWatch.Watching())
        Report("cannot watch " + settingsPath + ": a change to it takes effect at the next start");
    configure();
    Report("watching the idle time through " + which + ": the saver starts after " +
           std::to_string(idleWatcher.TimeoutSeconds()) + " s" +
           (service && service->Serving() ? "; serving org.freedesktop.ScreenSaver"
            : service && DesktopServesScreenSaverName(desktop)
                ? "; leaving org.freedesktop.ScreenSaver to " + std::string(DesktopName(desktop))
                : std::string()));

    SignalClient signalClient(signals);
    std::vector<PollClient*> clients = {&signalClient, &settingsWatch, &saver};
    if (bus) clients.push_back(bus.get());
    if (systemBus) clients.push_back(systemBus.get());
    if (wayland) clients.push_back(wayland.get());
    if (x11) clients.push_back(x11.get());
    while (PollOnce(clients.data(), static_cast<int>(clients.size()))) {
    }
    // Without a termination signal, the compositor, X server or session bus went away. That may
    // be the end of the session, or a compositor restarted within it: a failure either way, so
    // that a service manager (systemd's Restart=on-failure) starts the daemon again, while the
    // end of the session stops the service itself.
    const bool lost = signals.Received() == 0;
    if (lost) Report("the desktop's display or session bus has gone");

    saver.Stop();
    watcher = nullptr;
    signals.EndByReceivedSignal();
    return lost ? 1 : 0;
}
