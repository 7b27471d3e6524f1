// SceneState: the one record of all scene state.
#pragma once

#include <cstdint>

#include "platform/color.h"
#include "platform/surface.h"

// Road values are 16-bit and wrap; Wrap16 makes each truncation explicit (well-defined modular
// conversion since C++20), so that no step relies on signed overflow.
using i16 = std::int16_t;
using u16 = std::uint16_t;
constexpr i16 Wrap16(std::int32_t v) {
    return static_cast<i16>(v);
}
constexpr u16 U16(std::int32_t v) {
    return static_cast<u16>(v);
}

struct Point32 {
    std::int32_t x = 0, y = 0;
};

inline constexpr int kRows = 229;  // row 0 at the horizon, row 228 at the viewer
inline constexpr int kLastRow = 228;
inline constexpr int kPairs = 25;  // road-edge dot pairs, numbered 1..25
inline constexpr int kStars = 61;
inline constexpr int kTownLights = 251;

struct SceneState {
    // View size.
    i16 ViewWidth = 0, ViewHeight = 0, HalfWidth = 0, HalfHeight = 0;

    // Course random source and segment machines.
    u16 CourseSeed = 0;
    i16 Bend = 0;
    u16 BendCount = 0;
    std::uint8_t HillLevel = 0;
    i16 HillAccel = 0;
    u16 HillCount = 0;
    i16 HillSlope = 0;

    // Row histories. RowHeight runs from row -2; rows -2 and -1 stay 0.
    i16 RowBend[kRows] = {};
    i16 RowHeightData[kRows + 2] = {};
    i16& RowHeight(int row) { return RowHeightData[row + 2]; }
    i16 RowHeight(int row) const { return RowHeightData[row + 2]; }

    // Per-frame projection.
    i16 RowX[kRows] = {};
    i16 RowY[kRows] = {};
    i16 RowClip[kRows] = {};
    i16 RoadTop = 0;

    // Road dots, indexed 1..25 (entry 0 unused).
    i16 DotRow[kPairs + 1] = {};
    i16 LampY[kPairs + 1] = {};
    Point32 PrevDotRight[kPairs + 1] = {}, PrevDotLeft[kPairs + 1] = {};
    Point32 PrevLampRight[kPairs + 1] = {}, PrevLampLeft[kPairs + 1] = {};

    // Stars and town lights.
    i16 StarX[kStars] = {}, StarY[kStars] = {};
    ColorValue StarColor[kStars] = {};
    Point32 PrevStar[kStars] = {};
    i16 TownX[kTownLights] = {}, TownY[kTownLights] = {};
    ColorValue TownColor[kTownLights] = {};
    Point32 PrevTown[kTownLights] = {};
    i16 SkyBaseY = 0;
    std::int32_t SkyFrameCount = 0;
    std::int32_t StarBandHeight = 0;

    // Banner rectangle.
    Rect32 ViewRect;

    // Shooting star.
    std::int32_t CometWait = 0, CometX = 0, CometY = 0, CometDX = 0, CometStartBand = 0;
    ColorValue CometColor = 0;
    std::int32_t PrevCometX = 0, PrevCometY = 0;

    // The settings the frames read, copied at initialisation.
    bool Trans = false, StarScroll = false, Comet = false;
    ColorValue road_Color = 0, porl_Color = 0;
};
