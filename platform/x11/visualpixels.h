// VisualPixels: the server pixel value of a colour on the window's visual, whatever its depth.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <string>
#include <vector>

// One channel of a true-colour visual: where its bits sit and how many there are.
struct ChannelMask {
    int Shift = 0;
    unsigned long Max = 0;  // the channel's largest value: 31 for 5 bits, 1023 for 10
};
ChannelMask ChannelOf(unsigned long mask);
// An 8-bit channel value scaled to the channel's width (rounded) and shifted into place.
inline unsigned long ScaleToChannel(unsigned value8, ChannelMask channel) {
    return ((value8 * channel.Max + 127) / 255) << channel.Shift;
}

// True-colour visuals (15, 16, 24, 30 bits) compute the pixel from the masks. Colormapped ones
// (8-bit PseudoColor, StaticColor, grey scales, DirectColor) get a colormap cell per colour, the
// nearest existing one when the colormap is full; the few colours a scene uses are remembered in
// a fixed table, so frames neither allocate nor wait for the server once each colour was seen.
class VisualPixels {
  public:
    VisualPixels(Display* display, Visual* visual, Colormap colormap);
    ~VisualPixels();
    VisualPixels(const VisualPixels&) = delete;
    VisualPixels& operator=(const VisualPixels&) = delete;

    // Empty when colours can be shown on this visual; else why not, for the user.
    const std::string& Unsupported() const { return UnsupportedReason; }

    // The pixel for a 0x00BBGGRR colour.
    unsigned long For(std::uint32_t bgr);

  private:
    unsigned long Allocated(std::uint32_t bgr);
    unsigned long Nearest(std::uint32_t bgr, bool reread);

    static constexpr int kRemembered = 64;
    struct Remembered {
        std::uint32_t Bgr;
        unsigned long Pixel;
    };

    Display* Connection;
    Colormap ColormapId;
    bool IsTrueColor = true;
    ChannelMask Red{16, 255}, Green{8, 255}, Blue{0, 255};
    Remembered RememberedColors[kRemembered];
    int RememberedCount = 0;
    // The cells this object allocated, freed with it.
    unsigned long AllocatedPixels[kRemembered];
    int AllocatedCount = 0;
    // The colormap's cells, read once, for the nearest colour when no cell is left.
    std::vector<XColor> Cells;
    bool CellsRead = false;
    std::string UnsupportedReason;
};
