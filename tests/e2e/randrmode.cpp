// Screen modes and monitors for the display tests: "add W H" gives the first output of a virtual
// display one more mode (Xvfb starts with only its own size); "size" prints the screen size now
// in force, as XRandR reports it; "monitors" prints each monitor as WxH+X+Y, the primary one
// marked with "*"; "primary N" makes the N-th output (from 0) the primary one.
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr || argc < 2) return 1;
    const Window root = DefaultRootWindow(display);
    const std::string command = argv[1];
    if (command == "add" && argc == 4) {
        XRRScreenResources* resources = XRRGetScreenResources(display, root);
        if (resources == nullptr || resources->noutput < 1) return 1;
        XRRModeInfo mode;
        std::memset(&mode, 0, sizeof mode);
        mode.width = static_cast<unsigned>(std::atoi(argv[2]));
        mode.height = static_cast<unsigned>(std::atoi(argv[3]));
        // Plain VGA-like timings: the virtual display only needs them to be consistent.
        mode.dotClock = 25175000;
        mode.hSyncStart = mode.width + 16;
        mode.hSyncEnd = mode.width + 112;
        mode.hTotal = mode.width + 160;
        mode.vSyncStart = mode.height + 10;
        mode.vSyncEnd = mode.height + 12;
        mode.vTotal = mode.height + 45;
        std::string name = std::string(argv[2]) + "x" + argv[3];
        mode.name = name.data();
        mode.nameLength = static_cast<unsigned>(name.size());
        const RRMode id = XRRCreateMode(display, root, &mode);
        XRRAddOutputMode(display, resources->outputs[0], id);
        XRRFreeScreenResources(resources);
        XSync(display, False);
    } else if (command == "size") {
        XRRScreenConfiguration* config = XRRGetScreenInfo(display, root);
        Rotation rotation;
        const SizeID current = XRRConfigCurrentConfiguration(config, &rotation);
        int count = 0;
        XRRScreenSize* sizes = XRRConfigSizes(config, &count);
        std::printf("%dx%d\n", sizes[current].width, sizes[current].height);
        XRRFreeScreenConfigInfo(config);
    } else if (command == "monitors") {
        int count = 0;
        XRRMonitorInfo* monitors = XRRGetMonitors(display, root, True, &count);
        for (int i = 0; i < count; ++i)
            std::printf("%dx%d+%d+%d%s\n", monitors[i].width, monitors[i].height, monitors[i].x,
                        monitors[i].y, monitors[i].primary ? "*" : "");
        if (monitors != nullptr) XRRFreeMonitors(monitors);
    } else if (command == "primary" && argc == 3) {
        XRRScreenResources* resources = XRRGetScreenResources(display, root);
        const int index = std::atoi(argv[2]);
        if (resources == nullptr || index < 0 || index >= resources->noutput) return 1;
        XRRSetOutputPrimary(display, root, resources->outputs[index]);
        XRRFreeScreenResources(resources);
        XSync(display, False);
    } else {
        return 2;
    }
    XCloseDisplay(display);
    return 0;
}
