// PageDrive: the saver's scene on the page's surface, run on a virtual clock as the recorder runs
// it (platform/memory/virtualdrive.h), paced by the page's animation frames: a frame runs only once
// its time has come, so a late page catches up every frame and an early one runs none ahead.
#pragma once

#include <cstdint>

#include "platform/memory/virtualdrive.h"
#include "platform/web/surface.h"

struct SaverSettings;

class PageDrive {
  public:
    PageDrive(const SystemColorSource& colors, TextEngine* text);

    // Starts anew on a `width` x `height` view. `courseSteps` 1..20 fixes the course's warm-up
    // (0: from the random source), `clock` seeds the random source as the saver's time of day.
    void Start(std::int32_t width, std::int32_t height, const SaverSettings& settings,
               int courseSteps, Clock& clock);
    // Runs, in order, every frame due by `elapsedMs` after the start; returns how many ran.
    int RunDue(double elapsedMs);
    // Runs the next frame whenever it is due (for a page that renders a given frame).
    void RunNext();

    std::int32_t Period() const { return static_cast<std::int32_t>(Drive.Period()); }
    long FramesRun() const { return Next; }
    PageSurface& Surface() { return Canvas; }

  private:
    PageSurface Canvas;
    VirtualDrive Drive;
    long Next = 0;
};
