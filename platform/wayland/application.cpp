#include "platform/wayland/application.h"

#include <poll.h>

#include <chrono>
#include <cstdio>

#include "platform/dbus/logindlocker.h"
#include "platform/dbus/mutterprimary.h"
#include "platform/dbus/sessionbus.h"
#include "platform/posix/signals.h"
#include "platform/wayland/connection.h"
#include "platform/wayland/displaymodes.h"
#include "platform/wayland/window.h"
#include "saver/savercontroller.h"

namespace {

// How long the saver waits for GNOME to name its primary monitor before it shows. Mutter
// answers in a few milliseconds, and outside GNOME the bus says at once that nobody has the
// name; only a mutter that hangs costs the wait, after which the drive starts on the first
// output and moves if the answer still comes. Waiting is worth it: a drive that moves once shown
// starts afresh on the other monitor, which the user sees.
constexpr int kPrimaryWaitMs = 250;

void AwaitFirstAnswer(SessionBus& bus, const MutterPrimaryWatch& watch) {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kPrimaryWaitMs);
    while (!watch.Answered()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0) return;
        bus.BeforePoll();
        int timeout = bus.TimeoutMs();
        if (timeout < 0 || timeout > left) timeout = static_cast<int>(left);
        pollfd fd{bus.Fd(), POLLIN, 0};
        const int ready = poll(&fd, 1, timeout);
        if (!bus.Dispatch(ready > 0 ? fd.revents : 0)) return;
    }
}

}  // namespace

WaylandApplication::WaylandApplication(wl_display* display, DesktopWiring wiring)
    : DesktopApplication(std::move(wiring)), WlDisplay(display) {}

WaylandApplication::~WaylandApplication() = default;

void WaylandApplication::ShowWindow(WindowHandle window, WindowVisibility visibility) {
    (void)window;
    (void)visibility;
}

void WaylandApplication::CreateSaverWindow(WindowHandle host) {
    Connection = std::make_unique<WaylandConnection>(WlDisplay);
    if (!Connection->Start()) {
        std::fprintf(stderr, "velmora: the Wayland compositor offers no %s\n",
                     Connection->Missing().c_str());
        HasFailed = true;
        return;
    }
    std::string problem;
    // Without a session bus the compositor's own names (or the first output) place the drive.
    if (host == 0 && (DesktopBus = SessionBus::Open(problem)) != nullptr) {
        PrimaryWatch = std::make_unique<MutterPrimaryWatch>(
            DesktopBus->Bus(), [this](const std::string& connector) {
                if (Saver.SaverWindow != nullptr)
                    Saver.SaverWindow->FollowDesktopPrimary(connector);
            });
        AwaitFirstAnswer(*DesktopBus, *PrimaryWatch);
    }
    Saver.SaverWindow =
        std::make_unique<WaylandSaverWindow>(*Connection, Wiring.Colors, Wiring.Signals.ReadFd());
    if (PrimaryWatch != nullptr) {
        Saver.SaverWindow->FollowDesktopPrimary(PrimaryWatch->Primary());
        Saver.SaverWindow->AddLoopSource(*DesktopBus);
    }
    Saver.DisplayModes = std::make_unique<WaylandDisplayModes>(*Saver.SaverWindow);
    if (!Saver.Create(Wiring, host)) HasFailed = true;
}
