// Takes every free cell of the default colormap (an 8-bit PseudoColor screen's), gives them a
// spread of colours, says "full N" on standard output and holds them until standard input ends:
// another program then finds no cell of its own and must make do with the nearest colour there is.
// Usage: velmora-e2e-fillcolormap
#include <X11/Xlib.h>

#include <cstdio>
#include <vector>

int main() {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return 1;
    const int screen = DefaultScreen(display);
    const Colormap map = DefaultColormap(display, screen);
    std::vector<unsigned long> cells;
    unsigned long pixel = 0;
    while (XAllocColorCells(display, map, False, nullptr, 0, &pixel, 1) != 0)
        cells.push_back(pixel);
    // A cube of 6 levels a channel, then greys: colours near any asked for, none exactly it.
    std::vector<XColor> colours(cells.size());
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const auto level = [](unsigned step) {
            return static_cast<unsigned short>(step * 0xFFFF / 5);
        };
        XColor& c = colours[i];
        c.pixel = cells[i];
        c.flags = DoRed | DoGreen | DoBlue;
        if (i < 216) {
            c.red = level(static_cast<unsigned>(i / 36));
            c.green = level(static_cast<unsigned>(i / 6 % 6));
            c.blue = level(static_cast<unsigned>(i % 6));
        } else {
            c.red = c.green = c.blue = static_cast<unsigned short>((i - 216) * 0xFFFF / 40);
        }
    }
    if (!colours.empty())
        XStoreColors(display, map, colours.data(), static_cast<int>(colours.size()));
    XSync(display, False);
    std::printf("full %zu\n", cells.size());
    std::fflush(stdout);
    while (std::getchar() != EOF) {
    }
    XCloseDisplay(display);
    return 0;
}
