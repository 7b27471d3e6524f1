// The shooting star: waits, falls three rows a frame while drifting with the sky, and vanishes.
#include "scene/scene.h"

namespace {

constexpr std::int32_t kDrift[5] = {-2, -4, -6, 2, 4};
constexpr ColorValue kCometColors[5] = {0x00FFFF00 /* aqua */, 0x00FFFFFF /* white */,
                                        0x00C0C0C0 /* silver */, 0x00800000 /* navy */,
                                        0x0000FFFF /* yellow */};

std::uint32_t Range(std::int32_t n) {
    return n > 0 ? static_cast<std::uint32_t>(n) : 0u;
}

}  // namespace

void ResetComet(SceneState& s, RandomSource& random) {
    s.CometWait = static_cast<std::int32_t>(random.Below(3000));
    s.CometX = static_cast<std::int32_t>(random.Below(Range(s.ViewWidth)));
    s.CometY = static_cast<std::int32_t>(random.Below(Range(s.CometStartBand)));
    s.CometDX = kDrift[random.Below(5)];
    s.CometColor = kCometColors[random.Below(5)];
}

void StepComet(SceneState& s, DrawingSurface& surface, RandomSource& random) {
    surface.SetPixel(s.PrevCometX, s.PrevCometY, clBlack);
    s.CometX = s.CometX - s.RowBend[kLastRow] + s.CometDX;
    s.CometY += 3;
    // Remembered before the tests, so that it is erased next time even if nothing is drawn.
    s.PrevCometX = s.CometX;
    s.PrevCometY = s.CometY;
    if (s.CometX < 0 || s.CometX > s.ViewWidth || s.CometY > s.RoadTop - 25) {
        ResetComet(s, random);
        return;
    }
    if (random.Below(1000) < 5) {
        ResetComet(s, random);
        return;
    }
    surface.SetPixel(s.CometX, s.CometY, s.CometColor);
}
