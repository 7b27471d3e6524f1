// VirtualDrive: the saver's scene on a surface, its frames run by a frame timer on a virtual
// clock as the saver window runs them (stop, draw, re-arm): frame i falls due i * period ms after
// the start, and the banner ends before the first frame due at 5000 ms or later. The recorder and
// the web page both drive the scene this way, so the same settings, course and seed give the same
// pixels in both.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/memory/virtualtimer.h"
#include "platform/random.h"
#include "saver/frametimer.h"

class DrawingSurface;
struct SceneState;
struct SaverSettings;

class VirtualDrive {
  public:
    explicit VirtualDrive(DrawingSurface& surface);
    ~VirtualDrive();
    VirtualDrive(const VirtualDrive&) = delete;
    VirtualDrive& operator=(const VirtualDrive&) = delete;

    // Starts anew on a `width` x `height` view of the surface. `courseSteps` 1..20 fixes the
    // course's warm-up (0: from the random source); `clock` seeds the random source as the
    // saver's time of day; `preview` picks the preview's banner font.
    void Start(std::int32_t width, std::int32_t height, const SaverSettings& settings,
               int courseSteps, Clock& clock, bool preview = false);
    // Runs frame `i` (its timer event at i * period ms), first ending the banner when its time
    // has come. Frames are run in order, each once.
    void RunFrame(long i);

    bool Started() const { return Running; }
    std::int64_t Period() const { return FramePeriod; }
    // How many frames have been drawn since the start.
    long FramesDrawn() const { return Drawn; }

  private:
    static void OnTimer(void* context, FrameTimer& timer);

    DrawingSurface& Surface;
    LcgRandom Random;
    std::unique_ptr<SceneState> Scene;
    VirtualTimerService Timers;
    FrameTimer Timer;
    std::int64_t FramePeriod = 0;
    long Drawn = 0;
    bool BannerOn = true;
    bool Running = false;
};
