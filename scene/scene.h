// The scene renderer's operations: initialisation, one frame, the banner and its end.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/random.h"
#include "platform/surface.h"
#include "scene/state.h"

struct SaverSettings;

// The banner's two lines, Shift-JIS.
extern const std::string_view kBannerLine1;
extern const std::string_view kBannerLine2;

// Course random source: one step of the LCG (x * 10001 + 3) mod 17417.
u16 CourseRandom(SceneState& s);

// Road course: StepCourse and StepHeight advance the bend and the hill at the horizon; ShiftRows
// moves the row histories one row toward the viewer once the frame has drawn.
void StepCourse(SceneState& s);
void StepHeight(SceneState& s);
void ShiftRows(SceneState& s);

// Road projection and drawing: each projection follows its course step, and the road is drawn
// after the banner, before the sky.
void ProjectCurve(SceneState& s);
void ProjectHeight(SceneState& s);
void DrawRoad(SceneState& s, DrawingSurface& surface);

// Sky: the stars and town lights, set up once and moved every frame after the road.
void InitSky(SceneState& s, RandomSource& random, const SaverSettings& settings);
void StepSky(SceneState& s, DrawingSurface& surface);

// Shooting star.
void ResetComet(SceneState& s, RandomSource& random);
void StepComet(SceneState& s, DrawingSurface& surface, RandomSource& random);

// Scene initialisation for a window of `width` x `height`; both are replaced by their 16-bit
// values. `courseSteps` of 1..20 forces the number of warm-up steps of the course random source;
// 0 takes it from the clock-seeded random source as the saver does.
void InitScene(SceneState& s, const SaverSettings& settings, std::int32_t& width,
               std::int32_t& height, DrawingSurface& surface, RandomSource& random, Clock& clock,
               int courseSteps = 0);

// One frame between the timer's stop and start: the course, projection, banner (while
// `bannerOn`), road, sky, row shift and shooting star, in that order.
void RunFrame(SceneState& s, DrawingSurface& surface, RandomSource& random, bool bannerOn);

// The banner end's fill of the whole view (the banner timer's own flag is the caller's).
void EndBanner(const SceneState& s, DrawingSurface& surface);

// Banner font size in points for a window `width` pixels wide; 0 leaves the font as it is.
int BannerFontPoints(bool preview, std::uint32_t width);
// Applies that size to the surface and warms it for the banner's text.
void ApplyBannerFont(DrawingSurface& surface, bool preview, std::uint32_t width);
