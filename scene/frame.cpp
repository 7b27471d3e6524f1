// Scene initialisation, one frame in its fixed order, and the title banner.
#include "scene/scene.h"
#include "settings/settings.h"

// "\" Velmora\"  version 1.02"
const std::string_view kBannerLine1 = "\" Velmora\"  version 1.02";
// " ヴェルモラへ････" (the dots are half-width, one byte each)
const std::string_view kBannerLine2 =
    " \x83\x94\x83"
    "F\x83\x8B\x83\x82\x83\x89\x82\xD6\xA5\xA5\xA5\xA5";

void InitScene(SceneState& s, const SaverSettings& settings, std::int32_t& width,
               std::int32_t& height, DrawingSurface& surface, RandomSource& random, Clock& clock,
               int courseSteps) {
    // Road half.
    s.HillLevel = static_cast<std::uint8_t>(settings.UpDown & 0xFF);
    s.CourseSeed = 203;
    s.HillSlope = 0;
    s.Bend = 0;
    s.HillAccel = 0;
    s.BendCount = 40;
    s.HillCount = 50;
    s.ViewWidth = Wrap16(width);
    width = s.ViewWidth;
    s.ViewHeight = Wrap16(height);
    height = s.ViewHeight;
    s.HalfHeight = Wrap16(s.ViewHeight / 2);
    s.HalfWidth = Wrap16(s.ViewWidth / 2);
    s.RoadTop = s.HalfHeight;
    random.Reseed(clock.MillisecondsSinceMidnight());
    const std::uint32_t drawn = random.Below(20);
    const int steps =
        (courseSteps >= 1 && courseSteps <= 20) ? courseSteps : static_cast<int>(drawn) + 1;
    for (int i = 0; i < steps; ++i) CourseRandom(s);
    for (int n = 1; n <= kPairs; ++n) s.DotRow[n] = Wrap16(9 * n - 9);

    s.Trans = settings.Trans;
    s.StarScroll = settings.StarScroll;
    s.Comet = settings.Comet;
    s.road_Color = settings.road_Color;
    s.porl_Color = settings.porl_Color;

    // Sky half.
    InitSky(s, random, settings);
    s.ViewRect = Rect32{0, 0, s.ViewWidth, s.ViewHeight};
    surface.SetBrushColor(clBlack);
    s.SkyBaseY = s.HalfHeight;
    s.SkyFrameCount = 0;
    s.CometStartBand = s.ViewHeight / 10;
    s.StarBandHeight = s.ViewHeight / 3;
    random.Reseed(clock.MillisecondsSinceMidnight());
    ResetComet(s, random);
}

void RunFrame(SceneState& s, DrawingSurface& surface, RandomSource& random, bool bannerOn) {
    StepCourse(s);
    ProjectCurve(s);
    StepHeight(s);
    ProjectHeight(s);
    if (bannerOn) {
        surface.TextOut(0, 5, kBannerLine1);
        const std::int32_t h = surface.TextHeight(kBannerLine1);
        surface.TextOut(0, 5 + h, kBannerLine2);
    }
    // Drawn after the banner, so road and sky dots show on its black boxes until the next frame.
    DrawRoad(s, surface);
    StepSky(s, surface);
    ShiftRows(s);
    // The shooting star reads the bend under the viewer after the shift.
    if (s.Comet) {
        if (s.CometWait != 0)
            --s.CometWait;
        else
            StepComet(s, surface, random);
    }
}

void EndBanner(const SceneState& s, DrawingSurface& surface) {
    surface.FillRect(s.ViewRect);
}

int BannerFontPoints(bool preview, std::uint32_t width) {
    if (preview) return 5;
    if (width <= 800) return 10;
    if (width <= 1024) return 12;
    if (width <= 1280) return 14;
    if (width <= 3000) return 18;
    return 0;
}

void ApplyBannerFont(DrawingSurface& surface, bool preview, std::uint32_t width) {
    if (const int points = BannerFontPoints(preview, width)) surface.SetFontSize(points);
    surface.PrepareText(kBannerLine1);
    surface.PrepareText(kBannerLine2);
}
