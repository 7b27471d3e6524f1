// The course random source, the bend and hill machines, the braking rule and the row shift.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/scenefakes.h"

namespace {

SceneState FreshCourse(std::uint8_t hillLevel, int warmUp) {
    SceneFixture f;
    f.Settings.UpDown = hillLevel;
    MemorySurface surface(64, 48, f.Colors);
    f.Init(64, 48, surface, warmUp);
    return f.State;
}

TEST(CourseRandom, FollowsTheKnownSequenceFrom203) {
    SceneState s;
    s.CourseSeed = 203;
    const u16 expected[] = {9834, 13455, 17133, 16107, 13694, 3826};
    for (u16 value : expected) EXPECT_EQ(CourseRandom(s), value);
}

TEST(CourseRandom, RunsThrough17416ValuesBeforeRepeatingAndStaysBelowModulus) {
    SceneState s;
    s.CourseSeed = 203;
    int steps = 0;
    do {
        ASSERT_LT(CourseRandom(s), 17417);
        ++steps;
    } while (s.CourseSeed != 203 && steps <= 20000);
    EXPECT_EQ(steps, 17416);
}

TEST(BendMachine, FirstFortyFramesAreStraightThenTheSeededCurveStartsInFrame41) {
    SceneState s = FreshCourse(0, 1);
    EXPECT_EQ(s.CourseSeed, 9834);
    for (int frame = 1; frame <= 40; ++frame) {
        StepCourse(s);
        ASSERT_EQ(s.Bend, 0) << "frame " << frame;
    }
    StepCourse(s);  // frame 41 draws 13455 and 17133
    EXPECT_EQ(s.BendCount, 185);
    EXPECT_EQ(s.Bend, 2);
}

TEST(BendMachine, CurvesNeverHaveBendZeroAndSegmentsStayInTheirRanges) {
    SceneState s = FreshCourse(0, 7);
    int curves = 0, straights = 0;
    for (int frame = 0; frame < 200000; ++frame) {
        const i16 bendBefore = s.Bend;
        const u16 countBefore = s.BendCount;
        StepCourse(s);
        if (countBefore != 0) continue;
        if (bendBefore == 0) {
            ++curves;
            ASSERT_NE(s.Bend, 0);
            ASSERT_GE(s.Bend, -4);
            ASSERT_LE(s.Bend, 4);
            ASSERT_GE(s.BendCount, 50);
            ASSERT_LE(s.BendCount, 229);
        } else {
            ++straights;
            ASSERT_EQ(s.Bend, 0);
            ASSERT_GE(s.BendCount, 20);
            ASSERT_LE(s.BendCount, 369);
        }
    }
    EXPECT_GT(curves, 100);
    EXPECT_GT(straights, 100);
}

TEST(BendMachine, ABendDrawOfZeroIsDrawnAgain) {
    // Find a seed whose next two draws give a bend of 0, so the pair must be drawn again.
    SceneState probe;
    u16 seed = 0;
    for (std::uint32_t x = 0; x < 17417; ++x) {
        probe.CourseSeed = static_cast<u16>(x);
        CourseRandom(probe);
        if (CourseRandom(probe) % 9 == 4) {
            seed = static_cast<u16>(x);
            break;
        }
    }
    SceneState s;
    s.CourseSeed = seed;
    s.Bend = 0;
    s.BendCount = 0;
    StepCourse(s);
    EXPECT_NE(s.Bend, 0);
    probe.CourseSeed = seed;
    for (int i = 0; i < 4; ++i) CourseRandom(probe);
    EXPECT_EQ(s.CourseSeed, probe.CourseSeed) << "four draws: two rejected, two kept";
}

TEST(HillMachine, FirstDecisionInFrame51DependsOnTheLevel) {
    const std::uint8_t levels[] = {1, 2, 3};
    const u16 counts[] = {17, 17, 37};  // 16107 mod 10, 20, 40, plus 10
    for (int i = 0; i < 3; ++i) {
        SceneState s = FreshCourse(levels[i], 1);
        for (int frame = 1; frame <= 50; ++frame) {
            StepCourse(s);
            StepHeight(s);
            ASSERT_EQ(s.HillAccel, 0);
        }
        StepCourse(s);
        EXPECT_EQ(s.HillCount, counts[i]) << "level " << int(levels[i]);
        EXPECT_EQ(s.HillAccel, 1);
    }
}

TEST(HillMachine, LevelZeroKeepsTheRoadFlatAndLeavesTheHillFieldsAlone) {
    SceneState s = FreshCourse(0, 5);
    for (int frame = 0; frame < 20000; ++frame) {
        StepCourse(s);
        StepHeight(s);
        ShiftRows(s);
        ASSERT_EQ(s.RowHeight(0), 0);
        ASSERT_EQ(s.HillSlope, 0);
    }
    EXPECT_EQ(s.HillCount, 50);
    EXPECT_TRUE(std::all_of(std::begin(s.RowHeightData), std::end(s.RowHeightData),
                            [](i16 h) { return h == 0; }));
}

// Every seed once: the spread of the segment length a decision can choose.
std::pair<int, int> HillCountSpread(std::uint8_t level, i16 accel, i16 height) {
    int lo = 1 << 30, hi = -1;
    for (std::uint32_t seed = 0; seed < 17417; ++seed) {
        SceneState s;
        s.HillLevel = level;
        s.HillCount = 0;
        s.HillAccel = accel;
        s.RowHeight(0) = height;
        s.BendCount = 5;
        s.CourseSeed = static_cast<u16>(seed);
        StepCourse(s);
        lo = std::min<int>(lo, s.HillCount);
        hi = std::max<int>(hi, s.HillCount);
    }
    return {lo, hi};
}

TEST(HillMachine, LevelPhaseIsLongerAtBaseLevel) {
    EXPECT_EQ(HillCountSpread(1, 1, 0), std::make_pair(30, 329));
    EXPECT_EQ(HillCountSpread(1, -1, 0), std::make_pair(30, 329));
    EXPECT_EQ(HillCountSpread(1, 1, 40), std::make_pair(30, 179));
    EXPECT_EQ(HillCountSpread(3, -1, -2), std::make_pair(30, 179));
}

TEST(HillMachine, AccelerationPhaseLengthGrowsWithTheLevel) {
    EXPECT_EQ(HillCountSpread(1, 0, 0), std::make_pair(10, 19));
    EXPECT_EQ(HillCountSpread(2, 0, 0), std::make_pair(10, 29));
    EXPECT_EQ(HillCountSpread(3, 0, 0), std::make_pair(10, 49));
    EXPECT_EQ(HillCountSpread(4, 0, 0), std::make_pair(10, 89));
    EXPECT_EQ(HillCountSpread(14, 0, 0).second, 16384 + 9);
}

TEST(HillMachine, LevelsFromSixteenOnDivideLikeLevelFifteenInsteadOfByZero) {
    const auto fifteen = HillCountSpread(15, 0, 0);
    EXPECT_EQ(fifteen.first, 10);
    EXPECT_LE(fifteen.second, 32768 + 9);
    EXPECT_EQ(HillCountSpread(16, 0, 0), fifteen);
    EXPECT_EQ(HillCountSpread(255, 0, 0), fifteen);
}

TEST(HillMachine, AccelerationPointsBackTowardsBaseLevel) {
    auto accelAfterLevelPhase = [](i16 height) {
        SceneState s;
        s.HillLevel = 2;
        s.HillCount = 0;
        s.HillAccel = 0;
        s.BendCount = 9;
        s.CourseSeed = 1234;
        s.RowHeight(0) = height;
        StepCourse(s);
        return s.HillAccel;
    };
    EXPECT_EQ(accelAfterLevelPhase(0), 1);
    EXPECT_EQ(accelAfterLevelPhase(25), -1);
    EXPECT_EQ(accelAfterLevelPhase(-3), 1);  // a braking overshoot above base level goes down again
}

TEST(StepHeight, IntegratesSlopeIntoHeightAndResetsRoadTop) {
    SceneState s;
    s.ViewHeight = 480;
    s.RoadTop = 12;
    s.HillAccel = 1;
    s.HillSlope = 4;
    s.RowHeight(0) = 100;
    StepHeight(s);
    EXPECT_EQ(s.HillSlope, 5);
    EXPECT_EQ(s.RowHeight(0), 105);
    EXPECT_EQ(s.RoadTop, 480);
}

TEST(StepHeight, BrakingStartsWhenRemainingClimbFitsTriangularNumber) {
    SceneState s;
    s.HillSlope = -3;
    s.HillAccel = 0;
    s.HillCount = 77;
    s.RowHeight(0) = 9;  // 9 - 3 = 6 = 3 * 4 / 2
    StepHeight(s);
    EXPECT_EQ(s.RowHeight(0), 6);
    EXPECT_EQ(s.HillCount, 3);
    EXPECT_EQ(s.HillAccel, 1);

    SceneState t;
    t.HillSlope = -3;
    t.HillCount = 77;
    t.RowHeight(0) = 10;  // 7 still to climb: not yet
    StepHeight(t);
    EXPECT_EQ(t.HillCount, 77);
    EXPECT_EQ(t.HillAccel, 0);
}

TEST(StepHeight, BrakingComparesUnsignedSoAHeightAboveBaseDoesNotBrake) {
    SceneState s;
    s.HillSlope = -1;
    s.HillCount = 40;
    s.RowHeight(0) = -1;  // -2 after the step: 65534 unsigned, far more than t = 1
    StepHeight(s);
    EXPECT_EQ(s.HillCount, 40);
    EXPECT_EQ(s.HillAccel, 0);
}

TEST(StepHeight, ClimbBackLevelsOffWithinTheBrakingSpeedOfBaseLevel) {
    for (i16 depth : {500, 3000, 9000}) {
        SceneState s;
        s.HillLevel = 3;
        s.HillAccel = -1;
        s.HillCount = 20000;
        s.BendCount = 60000;
        s.CourseSeed = 77;
        s.RowHeight(0) = depth;
        int brakingSpeed = 0;
        for (int frame = 0; frame < 5000; ++frame) {
            StepCourse(s);
            StepHeight(s);
            if (brakingSpeed == 0 && s.HillAccel == 1) brakingSpeed = -s.HillSlope;
            if (brakingSpeed != 0 && s.HillAccel == 0) break;  // the level phase after braking
        }
        ASSERT_GT(brakingSpeed, 0) << "depth " << depth;
        EXPECT_EQ(s.HillSlope, 0) << "depth " << depth;
        // Braking fires once the climb left fits in speed * (speed + 1) / 2 and then climbs
        // speed * (speed - 1) / 2: the road levels off within one braking speed of base level.
        EXPECT_LE(s.RowHeight(0), brakingSpeed) << "depth " << depth;
        EXPECT_GT(s.RowHeight(0), -brakingSpeed) << "depth " << depth;
        EXPECT_LT(brakingSpeed, 102) << "depth " << depth;
    }
}

TEST(ShiftRows, CarriesBothHistoriesOneRowNearerAndKeepsRowZero) {
    SceneState s;
    for (int r = 0; r <= kLastRow; ++r) {
        s.RowBend[r] = static_cast<i16>(r == 0 ? 0 : r % 9 - 4);
        s.RowHeight(r) = static_cast<i16>(1000 + r);
    }
    ShiftRows(s);
    EXPECT_EQ(s.RowBend[0], 0);
    EXPECT_EQ(s.RowBend[1], 0);
    EXPECT_EQ(s.RowBend[228], 227 % 9 - 4);
    EXPECT_EQ(s.RowHeight(0), 1000);
    EXPECT_EQ(s.RowHeight(1), 1000);
    EXPECT_EQ(s.RowHeight(228), 1227);
    EXPECT_EQ(s.RowHeight(-1), 0);
    EXPECT_EQ(s.RowHeight(-2), 0);
}

}  // namespace
