#include "platform/web/drive.h"

#include "scene/scene.h"
#include "settings/settings.h"

PageDrive::PageDrive(const SystemColorSource& colors, TextEngine* text)
    : surface_(colors, text), scene_(std::make_unique<SceneState>()), timer_(timers_) {}

PageDrive::~PageDrive() {
    timer_.Stop();
}

void PageDrive::Start(std::int32_t width, std::int32_t height, const SaverSettings& settings,
                      int courseSteps, Clock& clock) {
    timer_.Stop();
    *scene_ = SceneState{};
    surface_.Resize(width, height);
    InitScene(*scene_, settings, width, height, surface_, random_, clock, courseSteps);
    ApplyBannerFont(surface_, false, static_cast<std::uint32_t>(width));
    timer_.SetEventType(TimerKind::Periodic);
    timer_.SetDelay(settings.Speed);
    timer_.SetResolution(1);
    period_ = timer_.Delay();
    timer_.SetOnTimer(&PageDrive::OnTimer, this);
    // Frame i runs at i * period ms.
    timers_.SetNow(-period_);
    next_ = 0;
    bannerOn_ = true;
    started_ = true;
    timer_.Start();
}

void PageDrive::RunNext() {
    if (!started_) return;
    const std::int64_t now = static_cast<std::int64_t>(next_) * period_;
    if (bannerOn_ && now >= 5000) {
        bannerOn_ = false;
        EndBanner(*scene_, surface_);
    }
    timers_.AdvanceTo(now);
    ++next_;
}

int PageDrive::RunDue(double elapsedMs) {
    int ran = 0;
    while (started_ && static_cast<double>(next_) * period_ <= elapsedMs) {
        RunNext();
        ++ran;
    }
    return ran;
}

void PageDrive::OnTimer(void* context, FrameTimer&) {
    auto& d = *static_cast<PageDrive*>(context);
    d.timer_.Stop();
    RunFrame(*d.scene_, d.surface_, d.random_, d.bannerOn_);
    d.timer_.Start();
}
