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
    explicit DriveCrtc(Display* display) : display_(display) {
        int eventBase = 0, errorBase = 0;
        if (display_ == nullptr || !XRRQueryExtension(display_, &eventBase, &errorBase)) return;
        const RROutput output = DriveOutput(display_);
        if (output == 0) return;
        resources_ = XRRGetScreenResourcesCurrent(display_, DefaultRootWindow(display_));
        if (resources_ == nullptr) return;
        output_ = XRRGetOutputInfo(display_, resources_, output);
        if (output_ == nullptr || output_->crtc == 0) return;
        crtc_ = XRRGetCrtcInfo(display_, resources_, output_->crtc);
    }
    ~DriveCrtc() {
        if (crtc_ != nullptr) XRRFreeCrtcInfo(crtc_);
        if (output_ != nullptr) XRRFreeOutputInfo(output_);
        if (resources_ != nullptr) XRRFreeScreenResources(resources_);
    }
    DriveCrtc(const DriveCrtc&) = delete;
    DriveCrtc& operator=(const DriveCrtc&) = delete;

    bool Known() const { return crtc_ != nullptr && crtc_->mode != 0; }
    const XRRModeInfo* Mode(RRMode id) const {
        for (int i = 0; i < resources_->nmode; ++i)
            if (resources_->modes[i].id == id) return &resources_->modes[i];
        return nullptr;
    }
    const XRRModeInfo* Current() const { return Mode(crtc_->mode); }
    // The output's mode of that size; of the rate nearest `rate` when one is asked for.
    const XRRModeInfo* Find(std::uint32_t width, std::uint32_t height, std::uint32_t rate) const {
        const XRRModeInfo* best = nullptr;
        for (int i = 0; i < output_->nmode; ++i) {
            const XRRModeInfo* m = Mode(output_->modes[i]);
            if (m == nullptr || m->width != width || m->height != height) continue;
            if (best == nullptr ||
                (rate != 0 && Distance(RateOf(*m), rate) < Distance(RateOf(*best), rate)))
                best = m;
        }
        return best;
    }
    Status Set(RRMode mode) const {
        return XRRSetCrtcConfig(display_, resources_, output_->crtc, CurrentTime, crtc_->x,
                                crtc_->y, mode, crtc_->rotation, crtc_->outputs, crtc_->noutput);
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

    Display* display_;
    XRRScreenResources* resources_ = nullptr;
    XRROutputInfo* output_ = nullptr;
    XRRCrtcInfo* crtc_ = nullptr;
};

}  // namespace

bool XRandRDisplayModes::CurrentMode(DisplayMode& mode) {
    const DriveCrtc drive(display_);
    const XRRModeInfo* current = drive.Known() ? drive.Current() : nullptr;
    if (current == nullptr) return false;
    mode.Width = current->width;
    mode.Height = current->height;
    mode.BitsPerPixel = static_cast<std::uint32_t>(DefaultDepth(display_, DefaultScreen(display_)));
    mode.Frequency = DriveCrtc::RateOf(*current);
    return true;
}

long XRandRDisplayModes::ChangeDisplaySettings(const DisplayModeRequest& mode) {
    if (mode.BitsPerPixel !=
        static_cast<std::uint32_t>(DefaultDepth(display_, DefaultScreen(display_))))
        return kBadMode;
    const DriveCrtc drive(display_);
    if (!drive.Known()) return kChangeFailed;
    const XRRModeInfo* chosen = drive.Find(mode.Width, mode.Height, mode.Frequency.value_or(0));
    if (chosen == nullptr) return kBadMode;
    // Before the monitor leaves the mode in force, someone must be sure to bring it back.
    DisplayMode original;
    if (guarded_ && chosen->id != drive.Current()->id && CurrentMode(original))
        StartDisplayGuard(original);
    Status status;
    {
        // A server may refuse the mode with an error rather than a status.
        XErrorsIgnored quiet(display_);
        status = drive.Set(chosen->id);
    }
    return status == RRSetConfigSuccess ? 0 : kChangeFailed;
}
