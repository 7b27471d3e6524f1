// The course: its random source, the bend and hill machines, the height integrator and the row
// histories' shift.
#include <cstring>

#include "scene/scene.h"

u16 CourseRandom(SceneState& s) {
    // Product and sum need up to 28 bits; the remainder is below 17417 and fits 16 bits again.
    s.CourseSeed = U16((static_cast<std::uint32_t>(s.CourseSeed) * 10001u + 3u) % 17417u);
    return s.CourseSeed;
}

namespace {

// The phase-length divisor of a hill level: 10 shifted left by level - 1, kept to 16 bits
// (10, 20, 40 for the levels the dialog offers). From level 16 on those 16 bits are all zero;
// such levels use level 15's divisor, the steepest one that still divides.
u16 HillDivisor(std::uint8_t level) {
    const int shift = (level > 15 ? 15 : level) - 1;
    return U16(static_cast<std::int32_t>(10u << shift));
}

}  // namespace

void StepCourse(SceneState& s) {
    const i16 h = s.RowHeight(0);

    if (s.BendCount != 0) {
        s.BendCount = U16(s.BendCount - 1);
    } else if (s.Bend != 0) {
        s.BendCount = U16(CourseRandom(s) % 350u + 20u);
        s.Bend = 0;
    } else {
        // A curve never has bend 0: draw count and bend again until it differs.
        do {
            s.BendCount = U16(CourseRandom(s) % 180u + 50u);
            s.Bend = Wrap16(static_cast<std::int32_t>(CourseRandom(s) % 9u) - 4);
        } while (s.Bend == 0);
    }

    if (s.HillLevel == 0) return;
    if (s.HillCount != 0) {
        s.HillCount = U16(s.HillCount - 1);
    } else if (s.HillAccel != 0) {
        const u16 m = h == 0 ? 300 : 150;
        s.HillCount = U16(CourseRandom(s) % m + 30u);
        s.HillAccel = 0;
    } else {
        s.HillCount = U16(CourseRandom(s) % HillDivisor(s.HillLevel) + 10u);
        s.HillAccel = h > 0 ? -1 : 1;
    }
}

void StepHeight(SceneState& s) {
    i16 h = s.RowHeight(0);
    s.HillSlope = Wrap16(s.HillSlope + s.HillAccel);
    h = Wrap16(h + s.HillSlope);
    // Braking: once the height still to climb fits in the triangular number of the climbing
    // speed, decelerate for as many frames as the speed, so the road lands on its base level.
    if (s.HillSlope < 0) {
        const u16 speed = U16(-s.HillSlope);
        const u16 t = U16((static_cast<std::uint32_t>(speed) * (speed + 1u)) & 0xFFFFu) >> 1;
        if (t >= U16(h)) {
            s.HillCount = speed;
            s.HillAccel = 1;
        }
    }
    s.RoadTop = s.ViewHeight;
    s.RowHeight(0) = h;
}

void ShiftRows(SceneState& s) {
    // Rows 0..227 move to 1..228; row 0 keeps its value.
    std::memmove(&s.RowBend[1], &s.RowBend[0], sizeof(i16) * kLastRow);
    std::memmove(&s.RowHeight(1), &s.RowHeight(0), sizeof(i16) * kLastRow);
}
