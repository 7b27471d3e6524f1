#include "saver/savercontroller.h"

#include <exception>
#include <string>

#include "saver/monitorlayout.h"
#include "scene/scene.h"
#include "settings/errors.h"
#include "settings/settingsstore.h"

namespace {

constexpr std::uint32_t kBannerMs = 5000;

void FrameTrampoline(void* context, FrameTimer& sender) {
    static_cast<SaverController*>(context)->OnFrame(sender);
}

}  // namespace

SaverController::SaverController(NativeWindow& window, const SaverPlatform& platform,
                                 WindowHandle hostWindow, std::span<const SettingOverride> overrides)
    : Window_(window),
      P_(platform),
      HostWindow_(hostWindow),
      Overrides_(overrides),
      FrameTimer_(platform.Timer),
      DisplaySwitch_(platform.Display, platform.SaverHooks),
      Legacy9x_(platform.SaverHooks, platform.Reg, platform.Cursor) {
    // The form's own values for its components.
    FrameTimer_.SetOnTimer(&FrameTrampoline, this);
    FrameTimer_.SetEventType(TimerKind::Periodic);
    FrameTimer_.SetDelay(25);
    FrameTimer_.SetResolution(1);
    // The banner timer runs from the form's creation, not from the first frame.
    Window_.SetBannerTimer(true, kBannerMs);
}

SaverController::~SaverController() {
    // Whatever path led here, no frame may run on a window that is going away.
    StopFrames();
}

void SaverController::StopFrames() {
    {
        // Waits for a frame in progress; every frame after this sees the hold and neither draws
        // nor re-arms the timer.
        std::lock_guard lock(FrameLock_);
        FramesHeld_ = true;
    }
    FrameTimer_.Stop();
}

void SaverController::StartFrames() {
    {
        std::lock_guard lock(FrameLock_);
        FramesHeld_ = false;
    }
    FrameTimer_.Start();
}

void SaverController::OnCreateParams(WindowCreateParams& params) {
    if (!Preview()) {
        params.TopMost = true;
        return;
    }
    // Inside the host, shown with it, deaf to input, drawing through the host's context; none
    // of the framework's choices for a top-level window remain.
    params = WindowCreateParams{};
    params.Parent = HostWindow_;
    params.Child = true;
    params.Visible = true;
    params.Disabled = true;
    params.DrawsOnParent = true;
}

void SaverController::OnCreate() {
    try {
        CreateSteps();
    } catch (const std::exception& error) {
        // The standard report; the scene is not initialised, so the saver ends here rather
        // than run frames on it.
        ReportError(P_.Box, error);
        Window_.Close();
    }
}

void SaverController::CreateSteps() {
    {
        SettingsStore store(P_.Reg, kSettingsBaseKey);
        ReadSettings(store, Settings_);
    }
    ApplyOverrides(Settings_, Overrides_);
    FrameTimer_.SetDelay(Settings_.Speed);
    DispMode_ = Settings_.DispMode;

    FirstX_ = -1;
    FirstY_ = -1;

    if (Preview()) {
        Rect32 host;
        if (!Window_.GetWindowRect(HostWindow_, host)) {
            // Not a window: there is nothing to draw in.
            Window_.Close();
            return;
        }
        Width_ = host.Right - host.Left;
        Height_ = host.Bottom - host.Top;
        Window_.SetBounds(0, 0, Width_, Height_);
    } else {
        if (DispMode_ != 0) {
            Width_ = 640;
            Height_ = 480;
        } else {
            Window_.PrimaryScreenSize(Width_, Height_);
        }
        // On the primary monitor; every other one gets a black cover.
        const MonitorLayout layout = LayOutMonitors(Window_.Monitors(), Width_, Height_);
        Window_.SetBounds(layout.Drive.Left, layout.Drive.Top, Width_, Height_);
        Window_.CoverAreas(layout.Covers);
        P_.Cursor.ShowCursor(false);
        PlatformFamily family = PlatformFamily::Unknown;
        if (!P_.SaverHooks.GetPlatformFamily(family)) {
            Window_.Close();
            return;
        }
        Family_ = family;
        if (Family_ == PlatformFamily::Windows9x) Legacy9x_.SetScreenSaverRunning(true);
    }
    Window_.DisableIme();

    std::int32_t viewWidth = Width_, viewHeight = Height_;
    InitScene(Scene_, Settings_, viewWidth, viewHeight, Window_.Surface(), P_.Random, P_.TimeOfDay);
    SceneReady_ = true;
}

void SaverController::OnShow() {
    Window_.HideApplicationWindow();
    // After a failed creation there is no scene to show: the window is closing.
    if (!SceneReady_) return;
    ApplyBannerFont(Window_.Surface(), Preview(), static_cast<std::uint32_t>(Width_));
    if (DispMode_ == 1 && !Preview()) {
        DisplaySwitch_.SwitchTo640x480();
        // The other monitors may have moved with the primary's new size.
        Window_.CoverAreas(LayOutMonitors(Window_.Monitors(), Width_, Height_).Covers);
    }
    StartFrames();
}

void SaverController::OnKeyDown() {
    if (Preview()) return;
    StopFrames();
    Window_.Close();
}

void SaverController::OnMouseDown() {
    if (Preview()) return;
    StopFrames();
    Window_.Close();
}

void SaverController::OnMouseMove(std::int32_t x, std::int32_t y) {
    if (Preview()) return;
    if (FirstX_ == -1 && FirstY_ == -1) {
        FirstX_ = x;
        FirstY_ = y;
        return;
    }
    if (x != FirstX_ || y != FirstY_) {
        StopFrames();
        Window_.Close();
    }
}

void SaverController::OnCloseQuery(bool& canClose) {
    StopFrames();
    // A preview has nothing to guard, and the NT family checks the password itself.
    if (Preview() || Family_ == PlatformFamily::NT) {
        canClose = true;
        return;
    }
    canClose = Legacy9x_.PasswordAllowsClose(Window_.Handle());
    if (!canClose) {
        // The saver goes on: the next movement only records a new first position.
        FirstX_ = -1;
        FirstY_ = -1;
        StartFrames();
    }
}

void SaverController::OnClose() {
    if (Family_ == PlatformFamily::Windows9x) Legacy9x_.SetScreenSaverRunning(false);
    if (DispMode_ == 1 && !Preview()) DisplaySwitch_.RestoreDisplay();
    P_.Cursor.ShowCursor(true);
}

bool SaverController::OnSystemCommand(SystemCommand command, std::intptr_t& result) {
    // No other screen saver starts while this one runs, in either mode.
    if (command != SystemCommand::ScreenSave) return false;
    result = 1;
    return true;
}

void SaverController::OnBannerEnd() {
    Window_.SetBannerTimer(false, 0);
    // Under the frame lock: a frame in progress finishes its banner first, and the fill then
    // erases it; every later frame sees the banner off.
    std::lock_guard lock(FrameLock_);
    BannerOn_ = false;
    if (!SceneReady_) return;
    EndBanner(Scene_, Window_.Surface());
    Window_.FlushDrawing();
}

void SaverController::OnHostGone() {
    // The window went with its host: stop drawing before anything else, then end.
    StopFrames();
    Window_.Close();
}

void SaverController::OnFrame(FrameTimer& sender) {
    (void)sender;
    FrameTimer_.Stop();
    std::lock_guard lock(FrameLock_);
    if (FramesHeld_ || !SceneReady_) return;
    RunFrame(Scene_, Window_.Surface(), P_.Random, BannerOn_);
    Window_.FlushDrawing();
    // Re-armed under the lock, so a window thread that has taken the hold never sees a new
    // event appear after its own stop.
    FrameTimer_.Start();
}
