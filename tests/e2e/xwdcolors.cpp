// Reads an xwd screenshot on standard input and prints the colours of an area as 8-bit RGB, one
// "RRGGBB COUNT" line per colour, decoded as the file's visual says: true-colour pixels through
// their masks scaled to 8 bits, colormapped ones through the colormap the file carries.
// Usage: velmora-e2e-xwdcolors X Y WIDTH HEIGHT < FILE.xwd
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace {

// The header's fields, each a big-endian 32-bit word, in file order.
enum Field {
    HeaderSize,
    FileVersion,
    PixmapFormat,
    PixmapDepth,
    PixmapWidth,
    PixmapHeight,
    XOffset,
    ByteOrder,
    BitmapUnit,
    BitmapBitOrder,
    BitmapPad,
    BitsPerPixel,
    BytesPerLine,
    VisualClass,
    RedMask,
    GreenMask,
    BlueMask,
    BitsPerRgb,
    ColormapEntries,
    ColorCount,
    FieldCount
};
constexpr int kTrueColor = 4, kDirectColor = 5;

std::uint32_t Big32(const unsigned char* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           p[3];
}

unsigned To8Bits(std::uint32_t pixel, std::uint32_t mask) {
    if (mask == 0) return 0;
    int shift = 0;
    while (((mask >> shift) & 1) == 0) ++shift;
    const std::uint32_t max = mask >> shift;
    return static_cast<unsigned>(((pixel & mask) >> shift) * 255 / max);
}

[[noreturn]] void Fail(const std::string& why) {
    std::fprintf(stderr, "xwdcolors: %s\n", why.c_str());
    std::exit(1);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) Fail("usage: X Y WIDTH HEIGHT < FILE.xwd");
    const long x0 = std::atol(argv[1]), y0 = std::atol(argv[2]), w = std::atol(argv[3]),
               h = std::atol(argv[4]);
    std::vector<unsigned char> file((std::istreambuf_iterator<char>(std::cin)),
                                    std::istreambuf_iterator<char>());
    if (file.size() < FieldCount * 4) Fail("not an xwd file");
    std::uint32_t f[FieldCount];
    for (int i = 0; i < FieldCount; ++i) f[i] = Big32(&file[static_cast<std::size_t>(i) * 4]);
    if (f[FileVersion] != 7 || f[PixmapFormat] != 2) Fail("not a version 7 ZPixmap xwd file");
    const std::size_t colors = f[HeaderSize];
    const std::size_t image = colors + std::size_t{f[ColorCount]} * 12;
    if (file.size() < image + std::size_t{f[BytesPerLine]} * f[PixmapHeight]) Fail("short file");
    // The colormap: pixel, red, green, blue (16 bits each), flags, pad.
    std::map<std::uint32_t, std::uint32_t> colormap;
    for (std::size_t i = 0; i < f[ColorCount]; ++i) {
        const unsigned char* c = &file[colors + i * 12];
        colormap[Big32(c)] = (std::uint32_t{c[4]} << 16) | (std::uint32_t{c[6]} << 8) | c[8];
    }
    const bool trueColor = f[VisualClass] == kTrueColor || f[VisualClass] == kDirectColor;
    const unsigned bytes = f[BitsPerPixel] / 8;
    if (bytes < 1 || bytes > 4) Fail("unsupported bits per pixel");
    std::map<std::uint32_t, long> counts;
    for (long y = y0; y < y0 + h && y < static_cast<long>(f[PixmapHeight]); ++y)
        for (long x = x0; x < x0 + w && x < static_cast<long>(f[PixmapWidth]); ++x) {
            const unsigned char* p = &file[image + static_cast<std::size_t>(y) * f[BytesPerLine] +
                                           static_cast<std::size_t>(x) * bytes];
            std::uint32_t pixel = 0;
            for (unsigned i = 0; i < bytes; ++i)
                pixel |= std::uint32_t{p[i]} << (8 * (f[ByteOrder] == 0 ? i : bytes - 1 - i));
            std::uint32_t rgb;
            if (trueColor) {
                rgb = (To8Bits(pixel, f[RedMask]) << 16) | (To8Bits(pixel, f[GreenMask]) << 8) |
                      To8Bits(pixel, f[BlueMask]);
            } else {
                const auto it = colormap.find(pixel);
                if (it == colormap.end())
                    Fail("pixel " + std::to_string(pixel) + " not in the colormap");
                rgb = it->second;
            }
            ++counts[rgb];
        }
    std::printf("# depth %u class %u\n", f[PixmapDepth], f[VisualClass]);
    for (const auto& [rgb, count] : counts) std::printf("%06X %ld\n", rgb, count);
    return 0;
}
