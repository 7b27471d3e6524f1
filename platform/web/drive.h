// PageDrive: the saver's scene on the page's surface, its frames run by a frame timer on a
// virtual clock as the recorder runs them: frame i falls due i * period ms after the start, the
// banner ends before the first frame due at 5000 ms or later, and a frame runs only once its time
// has come, so a late page catches up every frame and an early one runs none ahead.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/memory/virtualtimer.h"
#include "platform/random.h"
#include "platform/web/surface.h"
#include "saver/frametimer.h"
#include "scene/state.h"

struct SaverSettings;

class PageDrive {
  public:
    PageDrive(const SystemColorSource& colors, TextEngine* text);
    ~PageDrive();
    PageDrive(const PageDrive&) = delete;
    PageDrive& operator=(const PageDrive&) = delete;

    // Starts anew on a `width` x `height` view. `courseSteps` 1..20 fixes the course's warm-up
    // (0: from the random source), `clock` seeds the random source as the saver's time of day.
    void Start(std::int32_t width, std::int32_t height, const SaverSettings& settings,
               int courseSteps, Clock& clock);
    // Runs, in order, every frame due by `elapsedMs` after the start; returns how many ran.
    int RunDue(double elapsedMs);
    // Runs the next frame whenever it is due (for a page that renders a given frame).
    void RunNext();

    std::int32_t Period() const { return period_; }
    long FramesRun() const { return next_; }
    PageSurface& Surface() { return surface_; }

  private:
    static void OnTimer(void* context, FrameTimer& timer);

    PageSurface surface_;
    LcgRandom random_;
    std::unique_ptr<SceneState> scene_;
    VirtualTimerService timers_;
    FrameTimer timer_;
    std::int32_t period_ = 0;
    long next_ = 0;
    bool bannerOn_ = true;
    bool started_ = false;
};
