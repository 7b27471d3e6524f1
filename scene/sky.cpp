// Stars and town lights: they slide with the turn under the viewer and rise and sink with the
// far end of the road.
#include "scene/scene.h"
#include "settings/settings.h"

namespace {

std::uint32_t Range(std::int32_t n) {
    return n > 0 ? static_cast<std::uint32_t>(n) : 0u;
}

}  // namespace

void InitSky(SceneState& s, RandomSource& random, const SaverSettings& settings) {
    for (int i = 0; i < kStars; ++i) {
        s.StarX[i] = Wrap16(static_cast<std::int32_t>(random.Below(Range(s.ViewWidth))));
        s.StarY[i] = Wrap16(static_cast<std::int32_t>(random.Below(Range(s.ViewHeight / 3))));
        s.StarColor[i] = i <= 45   ? settings.star1_Color
                         : i <= 55 ? settings.star2_Color
                                   : settings.star3_Color;
        s.PrevStar[i] = Point32{s.StarX[i], s.StarY[i]};
    }
    for (int i = 0; i < kTownLights; ++i) {
        s.TownX[i] = Wrap16(static_cast<std::int32_t>(random.Below(Range(s.ViewWidth))));
        const std::uint32_t rise = random.Below(i <= 160 ? 5u : 10u);
        s.TownY[i] = Wrap16(s.HalfHeight - static_cast<std::int32_t>(rise));
        s.TownColor[i] = i <= 215   ? settings.town1_Color
                         : i <= 240 ? settings.town2_Color
                                    : settings.town3_Color;
        s.PrevTown[i] = Point32{s.TownX[i], s.TownY[i]};
    }
}

void StepSky(SceneState& s, DrawingSurface& surface) {
    const i16 turn = s.RowBend[kLastRow];
    const i16 farY = s.RowY[0];
    const i16 dy = Wrap16(farY - s.SkyBaseY - 8);
    s.SkyBaseY = Wrap16(farY - 8);
    ++s.SkyFrameCount;
    const bool climb = s.StarScroll && s.SkyFrameCount >= 50;

    for (int i = kStars - 1; i >= 0; --i) {
        surface.SetPixel(s.PrevStar[i].x, s.PrevStar[i].y, clBlack);
        // A star pushed past the left edge reappears at the right edge; the overshoot is lost.
        i16 x = Wrap16(s.StarX[i] - turn);
        if (x <= 0) x = s.ViewWidth;
        if (x > s.ViewWidth) x = Wrap16(x - s.ViewWidth);
        i16 y = Wrap16(s.StarY[i] + dy);
        if (y <= 0) y = Wrap16(s.StarBandHeight);
        if (y > s.StarBandHeight) y = Wrap16(y - s.StarBandHeight);
        if (climb) {
            y = Wrap16(y - 1);
            if (y < 0) y = Wrap16(s.StarBandHeight);
        }
        s.StarX[i] = x;
        s.StarY[i] = y;
        surface.SetPixel(x, y, s.StarColor[i]);
        s.PrevStar[i] = Point32{x, y};
    }

    for (int i = kTownLights - 1; i >= 0; --i) {
        surface.SetPixel(s.PrevTown[i].x, s.PrevTown[i].y, clBlack);
        // Town lights carry the overshoot over the edge.
        i16 x = Wrap16(s.TownX[i] - turn);
        if (x <= 0) x = Wrap16(x + s.ViewWidth);
        if (x > s.ViewWidth) x = Wrap16(x - s.ViewWidth);
        const i16 y = Wrap16(s.TownY[i] + dy);
        s.TownX[i] = x;
        s.TownY[i] = y;
        surface.SetPixel(x, y, s.TownColor[i]);
        s.PrevTown[i] = Point32{x, y};
    }

    if (s.SkyFrameCount >= 50) s.SkyFrameCount = 0;
}
