#include "platform/x11/displaymodes.h"

#include <X11/extensions/Xrandr.h>

#include "platform/x11/displayguard.h"
#include "platform/x11/monitors.h"
#include "platform/x11/xerrors.h"

namespace {

// The crtc that shows the drive's monitor: only that one is switched, the other monitors keep
// their modes.
class DriveCrtc {
  public:
    explicit DriveCrtc(Display* display) : Connection(display) {
        int eventBase = 0, errorBase = 0;
        if (Connection == nullptr || !XRRQueryExtension(Connection, &eventBase, &errorBase)) return;
        const RROutput output = DriveOutput(Connection);
        if (output == 0) return;
        Resources = XRRGetScreenResourcesCurrent(Connection, DefaultRootWindow(Connection));
        if (Resources == nullptr) return;
        Output = XRRGetOutputInfo(Connection, Resources, output);
        if (Output == nullptr || Output->crtc == 0) return;
        Crtc = XRRGetCrtcInfo(Connection, Resources, Output->crtc);
    }
    ~DriveCrtc() {
        if (Crtc != nullptr) XRRFreeCrtcInfo(Crtc);
        if (Output != nullptr) XRRFreeOutputInfo(Output);
        if (Resources != nullptr) XRRFreeScreenResources(Resources);
    }
    DriveCrtc(const DriveCrtc&) = delete;
    DriveCrtc& operator=(const DriveCrtc&) = delete;

    bool Known() const { return Crtc != nullptr && Crtc->mode != 0; }
    const XRRModeInfo* Mode(RRMode id) const {
        for (int i = 0; i < Resources->nmode; ++i)
            if (Resources->modes[i].id == id) return &Resources->modes[i];
        return nullptr;
    }
    const XRRModeInfo* Current() const { return Mode(Crtc->mode); }
    // The output's mode of that size; of the rate nearest `rate` when one is asked for.
    const XRRModeInfo* Find(std::uint32_t width, std::uint32_t height, std::uint32_t rate) const {
        const XRRModeInfo* best = nullptr;
        for (int i = 0; i < Output->nmode; ++i) {
            const XRRModeInfo* m = Mode(Output->modes[i]);
            if (m == nullptr || m->width != width || m->height != height) continue;
            if (best == nullptr ||
                (rate != 0 && Distance(RateOf(*m), rate) < Distance(RateOf(*best), rate)))
                best = m;
        }
        return best;
    }
    Status Set(RRMode mode) const {
        return XRRSetCrtcConfig(Connection, Resources, Output->crtc, CurrentTime, Crtc->x, Crtc->y,
                                mode, Crtc->rotation, Crtc->outputs, Crtc->noutput);
    }

    // The refresh rate in Hz, rounded; 0 when the mode does not say.
    static std::uint32_t RateOf(const XRRModeInfo& m) {
        const double dots = static_cast<double>(m.hTotal) * static_cast<double>(m.vTotal);
        return dots > 0 ? static_cast<std::uint32_t>(static_cast<double>(m.dotClock) / dots + 0.5)
                        : 0;
    }

  private:
    static std::uint32_t Distance(std::uint32_t a, std::uint32_t b) {
        return a > b ? a - b : b - a;
    }

    Display* Connection;
    XRRScreenResources* Resources = nullptr;
    XRROutputInfo* Output = nullptr;
    XRRCrtcInfo* Crtc = nullptr;
};

}  // namespace

bool XRandRDisplayModes::CurrentMode(DisplayMode& mode) {
    const DriveCrtc drive(Connection);
    const XRRModeInfo* current = drive.Known() ? drive.Current() : nullptr;
    if (current == nullptr) return false;
    mode.Width = current->width;
    mode.Height = current->height;
    mode.BitsPerPixel =
        static_cast<std::uint32_t>(DefaultDepth(Connection, DefaultScreen(Connection)));
    mode.Frequency = DriveCrtc::RateOf(*current);
    return true;
}

long XRandRDisplayModes::ChangeDisplaySettings(const DisplayModeRequest& mode) {
    if (mode.BitsPerPixel !=
        static_cast<std::uint32_t>(DefaultDepth(Connection, DefaultScreen(Connection))))
        return kBadMode;
    const DriveCrtc drive(Connection);
    if (!drive.Known()) return kChangeFailed;
    const XRRModeInfo* chosen = drive.Find(mode.Width, mode.Height, mode.Frequency.value_or(0));
    if (chosen == nullptr) return kBadMode;
    // Before the monitor leaves the mode in force, someone must be sure to bring it back.
    DisplayMode original;
    if (Guarded && chosen->id != drive.Current()->id && CurrentMode(original))
        StartDisplayGuard(original);
    Status status;
    {
        // A server may refuse the mode with an error rather than a status.
        XErrorsIgnored quiet(Connection);
        status = drive.Set(chosen->id);
    }
    return status == RRSetConfigSuccess ? 0 : kChangeFailed;
}
