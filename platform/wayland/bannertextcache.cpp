#include "platform/wayland/bannertextcache.h"

#include <algorithm>

bool BannerTextCache::Holds(const Look& look, std::string_view sjis) const {
    for (const Line& line : Lines)
        if (line.Held && line.As.X == look.X && line.As.Y == look.Y &&
            line.As.Brush == look.Brush && line.As.Points == look.Points &&
            std::string_view(line.Bytes, line.Length) == sjis)
            return true;
    return false;
}

void BannerTextCache::Remember(const Look& look, std::string_view sjis, const Rect32& box) {
    if (sjis.size() > sizeof Lines[0].Bytes) return;
    Line* place = &Lines[0];
    for (Line& line : Lines)
        if (!line.Held) {
            place = &line;
            break;
        }
    if (!place->Held) ++HeldCount;
    place->Held = true;
    place->Box = box;
    place->As = look;
    place->Length = static_cast<std::uint8_t>(sjis.size());
    std::copy(sjis.begin(), sjis.end(), place->Bytes);
}

void BannerTextCache::Forget(const Rect32& rect) {
    for (Line& line : Lines)
        if (line.Held && rect.Left < line.Box.Right && line.Box.Left < rect.Right &&
            rect.Top < line.Box.Bottom && line.Box.Top < rect.Bottom) {
            line.Held = false;
            --HeldCount;
        }
}

void BannerTextCache::Clear() {
    for (Line& line : Lines) line.Held = false;
    HeldCount = 0;
}

bool BannerTextCache::Covers(std::int32_t x, std::int32_t y) const {
    return std::any_of(std::begin(Lines), std::end(Lines), [x, y](const Line& line) {
        return line.Held && x >= line.Box.Left && x < line.Box.Right && y >= line.Box.Top &&
               y < line.Box.Bottom;
    });
}
