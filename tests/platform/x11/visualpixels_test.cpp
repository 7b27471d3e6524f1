// Colours on true-colour visuals of every common depth: each 8-bit channel scaled to its mask's
// width, not just shifted into it, so that a grey stays grey on 15, 16 and 30 bits.
#include <gtest/gtest.h>

#include <cmath>

// Xlib last: its macros (None) would rename identifiers of the headers above.
#include "platform/x11/visualpixels.h"

namespace {

struct Masks {
    const char* Name;
    unsigned long Red, Green, Blue;
};
constexpr Masks kDepths[] = {
    {"15-bit 5-5-5", 0x7C00, 0x03E0, 0x001F},
    {"16-bit 5-6-5", 0xF800, 0x07E0, 0x001F},
    {"24-bit 8-8-8", 0xFF0000, 0x00FF00, 0x0000FF},
    {"30-bit 10-10-10", 0x3FF00000, 0x000FFC00, 0x000003FF},
    {"BGR 8-8-8", 0x0000FF, 0x00FF00, 0xFF0000},
};

// A channel back to 8 bits, as a screenshot tool reads it.
double Decoded(unsigned long pixel, unsigned long mask) {
    const ChannelMask channel = ChannelOf(mask);
    return static_cast<double>((pixel & mask) >> channel.Shift) * 255.0 /
           static_cast<double>(channel.Max);
}

TEST(VisualPixels, MasksGiveTheChannelsPlaceAndWidth) {
    EXPECT_EQ(ChannelOf(0xF800).Shift, 11);
    EXPECT_EQ(ChannelOf(0xF800).Max, 31u);
    EXPECT_EQ(ChannelOf(0x07E0).Shift, 5);
    EXPECT_EQ(ChannelOf(0x07E0).Max, 63u);
    EXPECT_EQ(ChannelOf(0x3FF00000).Shift, 20);
    EXPECT_EQ(ChannelOf(0x3FF00000).Max, 1023u);
}

TEST(VisualPixels, EveryChannelValueComesBackWithinHalfAStepAtEveryDepth) {
    for (const Masks& m : kDepths) {
        SCOPED_TRACE(m.Name);
        for (const unsigned long mask : {m.Red, m.Green, m.Blue}) {
            const ChannelMask channel = ChannelOf(mask);
            const double halfStep = 255.0 / static_cast<double>(channel.Max) / 2 + 1e-9;
            for (unsigned v = 0; v <= 255; ++v) {
                const unsigned long pixel = ScaleToChannel(v, channel);
                ASSERT_EQ(pixel & ~mask, 0u) << v << " spills out of its channel";
                ASSERT_LE(std::abs(Decoded(pixel, mask) - v), halfStep) << v;
            }
            EXPECT_EQ(ScaleToChannel(255, channel), mask) << "full intensity fills the channel";
        }
    }
}

TEST(VisualPixels, TheScenesGreyAndTealKeepTheirHueOnEveryTrueColourVisual) {
    for (const Masks& m : kDepths) {
        SCOPED_TRACE(m.Name);
        Visual visual{};
        visual.c_class = TrueColor;
        visual.red_mask = m.Red;
        visual.green_mask = m.Green;
        visual.blue_mask = m.Blue;
        VisualPixels pixels(nullptr, &visual, 0);
        EXPECT_TRUE(pixels.Unsupported().empty());
        // Colours as the scene gives them: 0x00BBGGRR.
        const unsigned long grey = pixels.For(0xC0C0C0), teal = pixels.For(0x808000);
        for (const unsigned long mask : {m.Red, m.Green, m.Blue})
            EXPECT_NEAR(Decoded(grey, mask), 192, 5) << "grey";
        EXPECT_NEAR(Decoded(teal, m.Red), 0, 5) << "teal's red";
        EXPECT_NEAR(Decoded(teal, m.Green), 128, 5) << "teal's green";
        EXPECT_NEAR(Decoded(teal, m.Blue), 128, 5) << "teal's blue";
    }
}

}  // namespace
