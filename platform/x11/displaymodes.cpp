#include "platform/x11/displaymodes.h"

#include <X11/extensions/Xrandr.h>

#include "platform/x11/displayguard.h"

namespace {

bool HasRandR(Display* display) {
    int eventBase = 0, errorBase = 0;
    return display != nullptr && XRRQueryExtension(display, &eventBase, &errorBase);
}

}  // namespace

bool XRandRDisplayModes::CurrentMode(DisplayMode& mode) {
    if (!HasRandR(display_)) return false;
    const ::Window root = DefaultRootWindow(display_);
    XRRScreenConfiguration* config = XRRGetScreenInfo(display_, root);
    if (config == nullptr) return false;
    Rotation rotation = 0;
    const SizeID current = XRRConfigCurrentConfiguration(config, &rotation);
    int count = 0;
    XRRScreenSize* sizes = XRRConfigSizes(config, &count);
    const bool known = sizes != nullptr && current < count;
    if (known) {
        mode.Width = static_cast<std::uint32_t>(sizes[current].width);
        mode.Height = static_cast<std::uint32_t>(sizes[current].height);
        mode.BitsPerPixel =
            static_cast<std::uint32_t>(DefaultDepth(display_, DefaultScreen(display_)));
        mode.Frequency = static_cast<std::uint32_t>(XRRConfigCurrentRate(config));
    }
    XRRFreeScreenConfigInfo(config);
    return known;
}

long XRandRDisplayModes::ChangeDisplaySettings(const DisplayModeRequest& mode) {
    if (!HasRandR(display_)) return kChangeFailed;
    if (mode.BitsPerPixel !=
        static_cast<std::uint32_t>(DefaultDepth(display_, DefaultScreen(display_))))
        return kBadMode;
    // Before the screen leaves the mode in force, someone must be sure to bring it back.
    DisplayMode original;
    const bool leaving = guarded_ && CurrentMode(original) &&
                         (original.Width != mode.Width || original.Height != mode.Height);

    const ::Window root = DefaultRootWindow(display_);
    XRRScreenConfiguration* config = XRRGetScreenInfo(display_, root);
    if (config == nullptr) return kChangeFailed;
    Rotation rotation = 0;
    XRRConfigCurrentConfiguration(config, &rotation);
    int count = 0;
    XRRScreenSize* sizes = XRRConfigSizes(config, &count);
    int chosen = -1;
    for (int i = 0; i < count; ++i)
        if (static_cast<std::uint32_t>(sizes[i].width) == mode.Width &&
            static_cast<std::uint32_t>(sizes[i].height) == mode.Height)
            chosen = i;
    long result = kBadMode;
    if (chosen >= 0) {
        if (leaving) StartDisplayGuard(original);
        Status status;
        // A rate of 0 (or none given) leaves the choice of rate to the server.
        if (mode.Frequency.value_or(0) != 0)
            status = XRRSetScreenConfigAndRate(display_, config, root, chosen, rotation,
                                               static_cast<short>(*mode.Frequency), CurrentTime);
        else
            status = XRRSetScreenConfig(display_, config, root, chosen, rotation, CurrentTime);
        result = status == Success ? 0 : kChangeFailed;
    }
    XRRFreeScreenConfigInfo(config);
    XSync(display_, False);
    return result;
}
