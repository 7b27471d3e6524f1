#include "platform/x11/monitors.h"

namespace {

bool HasRandR(Display* display, int minor) {
    int eventBase = 0, errorBase = 0, major = 0, got = 0;
    return XRRQueryExtension(display, &eventBase, &errorBase) &&
           XRRQueryVersion(display, &major, &got) && (major > 1 || (major == 1 && got >= minor));
}

Rect32 RectOf(int x, int y, unsigned width, unsigned height) {
    return {x, y, x + static_cast<std::int32_t>(width), y + static_cast<std::int32_t>(height)};
}

// Servers before XRandR 1.5: one monitor per output that shows something.
std::vector<XMonitor> OutputsAsMonitors(Display* display, ::Window root) {
    std::vector<XMonitor> monitors;
    XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display, root);
    if (resources == nullptr) return monitors;
    const RROutput primary = XRRGetOutputPrimary(display, root);
    for (int i = 0; i < resources->noutput; ++i) {
        XRROutputInfo* output = XRRGetOutputInfo(display, resources, resources->outputs[i]);
        if (output == nullptr) continue;
        if (output->connection == RR_Connected && output->crtc != 0) {
            if (XRRCrtcInfo* crtc = XRRGetCrtcInfo(display, resources, output->crtc)) {
                monitors.push_back({{RectOf(crtc->x, crtc->y, crtc->width, crtc->height),
                                     resources->outputs[i] == primary},
                                    resources->outputs[i]});
                XRRFreeCrtcInfo(crtc);
            }
        }
        XRRFreeOutputInfo(output);
    }
    XRRFreeScreenResources(resources);
    return monitors;
}

}  // namespace

std::vector<XMonitor> QueryMonitors(Display* display) {
    const ::Window root = DefaultRootWindow(display);
    if (!HasRandR(display, 2)) return {};
    if (!HasRandR(display, 5)) return OutputsAsMonitors(display, root);
    std::vector<XMonitor> monitors;
    int count = 0;
    XRRMonitorInfo* info = XRRGetMonitors(display, root, True, &count);
    for (int i = 0; i < count; ++i) {
        monitors.push_back({{RectOf(info[i].x, info[i].y, static_cast<unsigned>(info[i].width),
                                    static_cast<unsigned>(info[i].height)),
                             info[i].primary != 0},
                            info[i].noutput > 0 ? info[i].outputs[0] : 0});
    }
    if (info != nullptr) XRRFreeMonitors(info);
    return monitors;
}

MonitorLayout PlaceSaver(Display* display, const std::vector<XMonitor>& monitors) {
    std::vector<Monitor> places;
    for (const XMonitor& m : monitors) places.push_back(m.Place);
    MonitorLayout layout = LayOutMonitors(places, 0, 0);
    // The drive's monitor whole: the saver window sizes itself inside it.
    const int screen = DefaultScreen(display);
    layout.Drive = places.empty()
                       ? RectOf(0, 0, static_cast<unsigned>(DisplayWidth(display, screen)),
                                static_cast<unsigned>(DisplayHeight(display, screen)))
                       : places[layout.DriveMonitor].Bounds;
    return layout;
}

RROutput DriveOutput(Display* display) {
    const std::vector<XMonitor> monitors = QueryMonitors(display);
    if (monitors.empty()) return 0;
    return monitors[PlaceSaver(display, monitors).DriveMonitor].Output;
}
