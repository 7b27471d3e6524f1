// BannerTextCache: the lines of text drawn lately that nothing has drawn over since. The banner
// draws its lines again every frame; one drawn again where it stands, in the same brush and
// size, is on the picture already and need not be drawn or counted as changed. Up to four lines
// of up to 128 bytes are kept; a longer line is drawn every time.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/color.h"
#include "platform/surface.h"

class BannerTextCache {
  public:
    // How a line was drawn: where, with which brush and at which size.
    struct Look {
        std::int32_t X = 0, Y = 0;
        ColorValue Brush = 0;
        int Points = 0;
    };

    // Whether `sjis`, drawn as `look`, stands on the picture untouched.
    bool Holds(const Look& look, std::string_view sjis) const;
    // `sjis` was drawn as `look` over `box`. It takes a free place, else the first line's.
    void Remember(const Look& look, std::string_view sjis, const Rect32& box);
    // Something was drawn over `rect`: the lines it crosses are no longer as drawn.
    void Touch(const Rect32& rect) {
        // Dots are drawn by the thousand a frame and the banner shows only at the start.
        if (HeldCount != 0) Forget(rect);
    }
    // A new picture: nothing stands on it.
    void Clear();
    // Whether the pixel (x, y) lies in a held line's box.
    bool Covers(std::int32_t x, std::int32_t y) const;
    // Calls `f(const Rect32&)` for each held line's box.
    template <typename F>
    void ForEachBox(F&& f) const {
        for (const Line& line : Lines)
            if (line.Held) f(line.Box);
    }

  private:
    struct Line {
        bool Held = false;
        Rect32 Box;
        Look As;
        std::uint8_t Length = 0;
        char Bytes[128] = {};
    };
    void Forget(const Rect32& rect);

    Line Lines[4];
    int HeldCount = 0;
};
