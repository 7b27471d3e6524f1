#include "platform/x11/visualpixels.h"

#include <limits>

namespace {

// Larger colormaps are not read whole for a nearest-colour search.
constexpr int kLargestSearchedColormap = 4096;

}  // namespace

ChannelMask ChannelOf(unsigned long mask) {
    ChannelMask channel;
    if (mask == 0) return channel;
    while ((mask & 1) == 0) {
        mask >>= 1;
        ++channel.Shift;
    }
    channel.Max = mask;
    return channel;
}

VisualPixels::VisualPixels(Display* display, Visual* visual, Colormap colormap)
    : Connection(display), ColormapId(colormap) {
    if (visual->c_class == TrueColor) {
        Red = ChannelOf(visual->red_mask);
        Green = ChannelOf(visual->green_mask);
        Blue = ChannelOf(visual->blue_mask);
        return;
    }
    IsTrueColor = false;
    if (visual->map_entries <= 0 || visual->map_entries > kLargestSearchedColormap) {
        UnsupportedReason = "the X visual's colormap has " + std::to_string(visual->map_entries) +
                            " cells; a true-colour visual or a colormap of up to " +
                            std::to_string(kLargestSearchedColormap) + " cells is needed";
        return;
    }
    Cells.resize(static_cast<std::size_t>(visual->map_entries));
    for (std::size_t i = 0; i < Cells.size(); ++i) Cells[i].pixel = i;
}

VisualPixels::~VisualPixels() {
    if (AllocatedCount > 0) XFreeColors(Connection, ColormapId, AllocatedPixels, AllocatedCount, 0);
}

unsigned long VisualPixels::For(std::uint32_t bgr) {
    const unsigned r = bgr & 0xFF, g = (bgr >> 8) & 0xFF, b = (bgr >> 16) & 0xFF;
    if (IsTrueColor)
        return ScaleToChannel(r, Red) | ScaleToChannel(g, Green) | ScaleToChannel(b, Blue);
    for (int i = 0; i < RememberedCount; ++i)
        if (RememberedColors[i].Bgr == bgr) return RememberedColors[i].Pixel;
    if (Cells.empty()) return 0;
    // A new colour: a cell of its own while the table has room, else the nearest there is.
    if (RememberedCount == kRemembered) return Nearest(bgr, false);
    const unsigned long pixel = Allocated(bgr);
    RememberedColors[RememberedCount++] = Remembered{bgr, pixel};
    return pixel;
}

unsigned long VisualPixels::Allocated(std::uint32_t bgr) {
    XColor color{};
    color.red = static_cast<unsigned short>((bgr & 0xFF) * 0x101);
    color.green = static_cast<unsigned short>(((bgr >> 8) & 0xFF) * 0x101);
    color.blue = static_cast<unsigned short>(((bgr >> 16) & 0xFF) * 0x101);
    color.flags = DoRed | DoGreen | DoBlue;
    // Read-only visuals answer with their closest cell; a full colormap refuses.
    if (XAllocColor(Connection, ColormapId, &color) != 0) {
        AllocatedPixels[AllocatedCount++] = color.pixel;
        return color.pixel;
    }
    return Nearest(bgr, true);
}

unsigned long VisualPixels::Nearest(std::uint32_t bgr, bool reread) {
    // Other clients change a shared colormap's cells: read again for a colour that is remembered
    // afterwards, not for each pixel once the table is full.
    if (reread || !CellsRead)
        XQueryColors(Connection, ColormapId, Cells.data(), static_cast<int>(Cells.size()));
    CellsRead = true;
    const long r = static_cast<long>(bgr & 0xFF), g = static_cast<long>((bgr >> 8) & 0xFF),
               b = static_cast<long>((bgr >> 16) & 0xFF);
    unsigned long best = 0;
    long bestDistance = std::numeric_limits<long>::max();
    for (const XColor& cell : Cells) {
        const long dr = (cell.red >> 8) - r, dg = (cell.green >> 8) - g, db = (cell.blue >> 8) - b;
        const long distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = cell.pixel;
        }
    }
    return best;
}
