#include "platform/memory/virtualdrive.h"

#include "scene/scene.h"
#include "scene/state.h"
#include "settings/settings.h"

VirtualDrive::VirtualDrive(DrawingSurface& surface)
    : Surface(surface), Scene(std::make_unique<SceneState>()), Timer(Timers) {}

VirtualDrive::~VirtualDrive() {
    Timer.Stop();
}

void VirtualDrive::Start(std::int32_t width, std::int32_t height, const SaverSettings& settings,
                         int courseSteps, Clock& clock, bool preview) {
    Timer.Stop();
    *Scene = SceneState{};
    InitScene(*Scene, settings, width, height, Surface, Random, clock, courseSteps);
    ApplyBannerFont(Surface, preview, static_cast<std::uint32_t>(width));
    Timer.SetEventType(TimerKind::Periodic);
    Timer.SetDelay(settings.Speed);
    Timer.SetResolution(1);
    FramePeriod = Timer.Delay();
    Timer.SetOnTimer(&VirtualDrive::OnTimer, this);
    // Frame i runs at i * period ms.
    Timers.SetNow(-FramePeriod);
    Drawn = 0;
    BannerOn = true;
    Running = true;
    Timer.Start();
}

void VirtualDrive::RunFrame(long i) {
    if (!Running) return;
    const std::int64_t now = i * FramePeriod;
    if (BannerOn && now >= 5000) {
        BannerOn = false;
        EndBanner(*Scene, Surface);
    }
    Timers.AdvanceTo(now);
}

void VirtualDrive::OnTimer(void* context, FrameTimer&) {
    auto& d = *static_cast<VirtualDrive*>(context);
    d.Timer.Stop();
    ::RunFrame(*d.Scene, d.Surface, d.Random, d.BannerOn);
    ++d.Drawn;
    d.Timer.Start();
}
