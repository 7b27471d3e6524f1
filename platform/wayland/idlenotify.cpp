#include "platform/wayland/idlenotify.h"

#include <poll.h>
#include <wayland-client.h>

#include <cstring>

#include "ext-idle-notify-v1-client-protocol.h"
#include "idle-client-protocol.h"

struct WaylandIdleSource::Globals {
    wl_registry* Registry = nullptr;
    wl_seat* Seat = nullptr;
    ext_idle_notifier_v1* Notifier = nullptr;
    org_kde_kwin_idle* KdeIdle = nullptr;
    ext_idle_notification_v1* Notification = nullptr;
    org_kde_kwin_idle_timeout* KdeTimeout = nullptr;
    std::function<void()>* Idle = nullptr;
};

namespace {

void OnGlobal(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
              std::uint32_t) {
    auto* g = static_cast<WaylandIdleSource::Globals*>(data);
    // The first seat: a desktop session has one.
    if (std::strcmp(interface, wl_seat_interface.name) == 0 && g->Seat == nullptr)
        g->Seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    else if (std::strcmp(interface, ext_idle_notifier_v1_interface.name) == 0)
        g->Notifier = static_cast<ext_idle_notifier_v1*>(
            wl_registry_bind(registry, name, &ext_idle_notifier_v1_interface, 1));
    else if (std::strcmp(interface, org_kde_kwin_idle_interface.name) == 0)
        g->KdeIdle = static_cast<org_kde_kwin_idle*>(
            wl_registry_bind(registry, name, &org_kde_kwin_idle_interface, 1));
}

void OnGlobalRemove(void*, wl_registry*, std::uint32_t) {}

const wl_registry_listener kRegistryListener = {
    .global = OnGlobal,
    .global_remove = OnGlobalRemove,
};

void OnIdled(void* data, ext_idle_notification_v1*) {
    (*static_cast<std::function<void()>*>(data))();
}

void OnResumed(void*, ext_idle_notification_v1*) {}

const ext_idle_notification_v1_listener kNotificationListener = {
    .idled = OnIdled,
    .resumed = OnResumed,
};

void OnKdeIdle(void* data, org_kde_kwin_idle_timeout*) {
    (*static_cast<std::function<void()>*>(data))();
}

void OnKdeResumed(void*, org_kde_kwin_idle_timeout*) {}

const org_kde_kwin_idle_timeout_listener kKdeTimeoutListener = {
    .idle = OnKdeIdle,
    .resumed = OnKdeResumed,
};

void Release(WaylandIdleSource::Globals& g) {
    if (g.Notification != nullptr) ext_idle_notification_v1_destroy(g.Notification);
    if (g.KdeTimeout != nullptr) org_kde_kwin_idle_timeout_release(g.KdeTimeout);
    g.Notification = nullptr;
    g.KdeTimeout = nullptr;
}

}  // namespace

std::unique_ptr<WaylandIdleSource> WaylandIdleSource::Connect(std::function<void()> idle,
                                                              std::string& which) {
    wl_display* display = wl_display_connect(nullptr);
    if (display == nullptr) {
        which = "no Wayland display";
        return nullptr;
    }
    auto globals = std::make_unique<Globals>();
    globals->Registry = wl_display_get_registry(display);
    wl_registry_add_listener(globals->Registry, &kRegistryListener, globals.get());
    wl_display_roundtrip(display);
    if (globals->Seat == nullptr || (globals->Notifier == nullptr && globals->KdeIdle == nullptr)) {
        which = globals->Seat == nullptr ? "the Wayland display has no seat"
                                         : "the Wayland compositor offers no idle notification";
        if (globals->Notifier != nullptr) ext_idle_notifier_v1_destroy(globals->Notifier);
        if (globals->KdeIdle != nullptr) org_kde_kwin_idle_destroy(globals->KdeIdle);
        if (globals->Seat != nullptr) wl_seat_destroy(globals->Seat);
        wl_registry_destroy(globals->Registry);
        wl_display_disconnect(display);
        return nullptr;
    }
    which = globals->Notifier != nullptr ? "ext-idle-notify-v1" : "org_kde_kwin_idle";
    return std::unique_ptr<WaylandIdleSource>(
        new WaylandIdleSource(display, std::move(globals), std::move(idle)));
}

WaylandIdleSource::WaylandIdleSource(wl_display* display, std::unique_ptr<Globals> globals,
                                     std::function<void()> idle)
    : WlDisplay(display), Bound(std::move(globals)), OnIdle(std::move(idle)) {
    Bound->Idle = &OnIdle;
}

WaylandIdleSource::~WaylandIdleSource() {
    if (Reading) wl_display_cancel_read(WlDisplay);
    Release(*Bound);
    if (Bound->Notifier != nullptr) ext_idle_notifier_v1_destroy(Bound->Notifier);
    if (Bound->KdeIdle != nullptr) org_kde_kwin_idle_destroy(Bound->KdeIdle);
    wl_seat_destroy(Bound->Seat);
    wl_registry_destroy(Bound->Registry);
    wl_display_disconnect(WlDisplay);
}

void WaylandIdleSource::Arm(std::int64_t timeoutMs) {
    // A new notification counts its period from its creation.
    Release(*Bound);
    const auto ms = static_cast<std::uint32_t>(timeoutMs);
    if (Bound->Notifier != nullptr) {
        Bound->Notification =
            ext_idle_notifier_v1_get_idle_notification(Bound->Notifier, ms, Bound->Seat);
        ext_idle_notification_v1_add_listener(Bound->Notification, &kNotificationListener, &OnIdle);
    } else {
        Bound->KdeTimeout = org_kde_kwin_idle_get_idle_timeout(Bound->KdeIdle, Bound->Seat, ms);
        org_kde_kwin_idle_timeout_add_listener(Bound->KdeTimeout, &kKdeTimeoutListener, &OnIdle);
    }
    wl_display_flush(WlDisplay);
}

void WaylandIdleSource::Disarm() {
    Release(*Bound);
    wl_display_flush(WlDisplay);
}

int WaylandIdleSource::Fd() const {
    return wl_display_get_fd(WlDisplay);
}

void WaylandIdleSource::BeforePoll() {
    while (wl_display_prepare_read(WlDisplay) != 0) wl_display_dispatch_pending(WlDisplay);
    Reading = true;
    wl_display_flush(WlDisplay);
}

bool WaylandIdleSource::Dispatch(short events) {
    if (Reading) {
        Reading = false;
        if ((events & (POLLIN | POLLHUP | POLLERR)) != 0) {
            if (wl_display_read_events(WlDisplay) < 0) return false;
        } else {
            wl_display_cancel_read(WlDisplay);
        }
    }
    // The compositor has gone: the session with it.
    return wl_display_dispatch_pending(WlDisplay) >= 0;
}
