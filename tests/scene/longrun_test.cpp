// A million frames for each hill level, including levels the dialog never offers: the course
// must stay within its known ranges and the arithmetic must stay defined (run this binary in the
// sanitizer build). VELMORA_LONGRUN_FRAMES overrides the frame count.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "platform/memory/virtualtimer.h"
#include "platform/random.h"
#include "scene/scene.h"
#include "settings/settings.h"

namespace {

// Counts pixels instead of keeping them: the run is about the arithmetic.
class CountingSurface final : public DrawingSurface {
  public:
    long Pixels = 0, Visible = 0;
    void SetPixel(std::int32_t x, std::int32_t y, ColorValue) override {
        ++Pixels;
        if (static_cast<std::uint32_t>(x) < 1920u && static_cast<std::uint32_t>(y) < 1080u)
            ++Visible;
    }
    void TextOut(std::int32_t, std::int32_t, std::string_view) override {}
    std::int32_t TextHeight(std::string_view) override { return 16; }
    void FillRect(const Rect32&) override {}
    void SetBrushColor(ColorValue) override {}
    void SetFontSize(int) override {}
};

long Frames() {
    if (const char* text = std::getenv("VELMORA_LONGRUN_FRAMES"))
        return std::max(1L, std::atol(text));
    return 1000000;
}

struct Ranges {
    int HeightLo = 0, HeightHi = 0, SlopeLo = 0, SlopeHi = 0;
};

Ranges Drive(int upDown, int course) {
    SaverSettings settings;
    settings.UpDown = upDown;
    settings.Comet = true;
    settings.StarScroll = true;
    settings.Trans = (course % 2) == 0;
    CountingSurface surface;
    LcgRandom random;
    FixedClock clock(static_cast<std::uint32_t>(course * 7919));
    auto s = std::make_unique<SceneState>();
    std::int32_t width = 1920, height = 1080;
    InitScene(*s, settings, width, height, surface, random, clock, course);
    Ranges r;
    const long frames = Frames();
    for (long i = 0; i < frames; ++i) {
        RunFrame(*s, surface, random, i < 160);
        r.HeightLo = std::min<int>(r.HeightLo, s->RowHeight(0));
        r.HeightHi = std::max<int>(r.HeightHi, s->RowHeight(0));
        r.SlopeLo = std::min<int>(r.SlopeLo, s->HillSlope);
        r.SlopeHi = std::max<int>(r.SlopeHi, s->HillSlope);
    }
    EXPECT_GT(surface.Visible, frames * 300) << "the sky and road keep drawing";
    return r;
}

TEST(LongRun, LevelZeroStaysFlat) {
    const Ranges r = Drive(0, 3);
    EXPECT_EQ(r.HeightLo, 0);
    EXPECT_EQ(r.HeightHi, 0);
    EXPECT_EQ(r.SlopeLo, 0);
    EXPECT_EQ(r.SlopeHi, 0);
}

TEST(LongRun, LevelsOneToThreeStayWithinTheirKnownRanges) {
    // Heights and slopes seen over the first million frames of every course.
    const Ranges known[] = {{-42, 5447, -48, 20}, {-60, 9149, -64, 30}, {-84, 18228, -102, 50}};
    for (int level = 1; level <= 3; ++level) {
        const Ranges r = Drive(level, 5 + level);
        const Ranges& k = known[level - 1];
        EXPECT_GE(r.HeightLo, k.HeightLo) << "level " << level;
        EXPECT_LE(r.HeightHi, k.HeightHi) << "level " << level;
        EXPECT_GE(r.SlopeLo, k.SlopeLo) << "level " << level;
        EXPECT_LE(r.SlopeHi, k.SlopeHi) << "level " << level;
        EXPECT_GT(r.HeightHi, 0) << "level " << level << " has hills";
    }
}

TEST(LongRun, LevelsTheDialogNeverOffersRunWithoutFault) {
    for (int upDown : {16, 255}) {
        const Ranges r = Drive(upDown, 11);
        EXPECT_GT(r.HeightHi, 0) << "UpDown " << upDown;
    }
}

}  // namespace
