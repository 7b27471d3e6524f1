// WaylandIdleSource: idle time from the compositor, through ext-idle-notify-v1 where it is
// offered (sway 1.8 and later, Hyprland, KDE 6, niri, COSMIC), else KDE's older org_kde_kwin_idle
// (sway 1.7). The compositor applies idle inhibitors (a video player's) to these itself.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "idle/idlewatcher.h"
#include "platform/posix/pollclient.h"

struct wl_display;

class WaylandIdleSource final : public IdleSource, public PollClient {
  public:
    // Null when there is no Wayland display or it offers neither protocol; `which` names the
    // protocol in use, or why there is none.
    static std::unique_ptr<WaylandIdleSource> Connect(std::function<void()> idle,
                                                      std::string& which);
    ~WaylandIdleSource() override;

    void Arm(std::int64_t timeoutMs) override;
    void Disarm() override;

    int Fd() const override;
    void BeforePoll() override;
    bool Dispatch(short events) override;

    struct Globals;  // the bound protocol objects (opaque here)

  private:
    WaylandIdleSource(wl_display* display, std::unique_ptr<Globals> globals,
                      std::function<void()> idle);

    wl_display* WlDisplay;
    std::unique_ptr<Globals> Bound;
    std::function<void()> OnIdle;
    bool Reading = false;
};
