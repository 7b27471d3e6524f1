#include "saver/savercontroller.h"

#include <exception>
#include <string>

#include "settings/returnlockoptions.h"

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
                                 WindowHandle hostWindow,
                                 std::span<const SettingOverride> overrides)
    : Window(window),
      Platform(platform),
      Host(hostWindow),
      Overrides(overrides),
      Frames(platform.Timer),
      Switch(platform.Display, platform.SaverHooks),
      Legacy(platform.SaverHooks, platform.Reg, platform.Cursor) {
    // The form's own values for its components.
    Frames.SetOnTimer(&FrameTrampoline, this);
    Frames.SetEventType(TimerKind::Periodic);
    Frames.SetDelay(25);
    Frames.SetResolution(1);
    // The banner timer runs from the form's creation, not from the first frame.
    Window.SetBannerTimer(true, kBannerMs);
}

SaverController::~SaverController() {
    // Whatever path led here, no frame may run on a window that is going away (and which may
    // be gone already: it is not told).
    HoldFrames();
}

void SaverController::HoldFrames() {
    {
        // Waits for a frame in progress; every frame after this sees the hold and neither draws
        // nor re-arms the timer.
        std::lock_guard lock(FrameLock);
        FramesHeld = true;
    }
    Frames.Stop();
}

void SaverController::StopFrames() {
    HoldFrames();
    Window.FramesRunning(false);
}

void SaverController::StartFrames() {
    {
        std::lock_guard lock(FrameLock);
        FramesHeld = false;
    }
    Window.FramesRunning(true);
    Frames.Start();
}

void SaverController::ResumeFrames() {
    if (!Unseen) StartFrames();
}

void SaverController::OnCreateParams(WindowCreateParams& params) {
    if (!Preview()) {
        params.TopMost = true;
        return;
    }
    // Inside the host, shown with it, deaf to input, drawing through the host's context; none
    // of the framework's choices for a top-level window remain.
    params = WindowCreateParams{};
    params.Parent = Host;
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
        ReportError(Platform.Box, error);
        Window.Close();
    }
}

void SaverController::CreateSteps() {
    {
        SettingsStore store(Platform.Reg, kSettingsBaseKey);
        ReadSettings(store, Config);
    }
    ApplyOverrides(Config, Overrides);
    Frames.SetDelay(Config.Speed);
    DispModeSetting = Config.DispMode;

    FirstMouseX = -1;
    FirstMouseY = -1;

    if (Preview()) {
        Rect32 host;
        if (!Window.GetWindowRect(Host, host)) {
            // Not a window: there is nothing to draw in.
            Window.Close();
            return;
        }
        ViewWidth = host.Right - host.Left;
        ViewHeight = host.Bottom - host.Top;
        Window.SetBounds(0, 0, ViewWidth, ViewHeight);
    } else {
        if (DispModeSetting != 0) {
            ViewWidth = 640;
            ViewHeight = 480;
        } else {
            Window.PrimaryScreenSize(ViewWidth, ViewHeight);
        }
        // On the primary monitor; every other one gets a black cover.
        const MonitorLayout layout = LayOutMonitors(Window.Monitors(), ViewWidth, ViewHeight);
        Window.SetBounds(layout.Drive.Left, layout.Drive.Top, ViewWidth, ViewHeight);
        Window.CoverAreas(layout.Covers);
        Platform.Cursor.ShowCursor(false);
        PlatformFamily family = PlatformFamily::Unknown;
        if (!Platform.SaverHooks.GetPlatformFamily(family)) {
            Window.Close();
            return;
        }
        KnownFamily = family;
        if (KnownFamily == PlatformFamily::Windows9x) Legacy.SetScreenSaverRunning(true);
        // Only where the session can be locked; nothing is read (or written) otherwise.
        if (Locker != nullptr) LockOptions = ReadReturnLockOptions(Platform.Reg);
    }
    Window.DisableIme();

    std::int32_t viewWidth = ViewWidth, viewHeight = ViewHeight;
    InitScene(State, Config, viewWidth, viewHeight, Window.Surface(), Platform.Random,
              Platform.TimeOfDay);
    Ready = true;
}

void SaverController::OnShow() {
    Window.HideApplicationWindow();
    // After a failed creation there is no scene to show: the window is closing.
    if (!Ready) return;
    ApplyBannerFont(Window.Surface(), Preview(), static_cast<std::uint32_t>(ViewWidth));
    if (DispModeSetting == 1 && !Preview()) {
        Switch.SwitchTo640x480();
        // The other monitors may have moved with the primary's new size.
        Window.CoverAreas(LayOutMonitors(Window.Monitors(), ViewWidth, ViewHeight).Covers);
    }
    Running = true;
    if (!Preview()) Activation.SetWatching(true);
    // The grace period counts from here, when the saver is first seen. Where the window can
    // tell, the lock holds only once a locker has the keyboard too.
    if (Locker != nullptr && !Preview())
        ReturnGuard.Start(LockOptions.Secure, std::uint64_t{LockOptions.GraceSeconds} * 1000,
                          Locker->NowMs(), Window.TellsKeyboardTaken());
    ResumeFrames();
}

void SaverController::EndSaver() {
    StopFrames();
    Window.Close();
}

void SaverController::InputEnds() {
    if (Locker == nullptr) {
        EndSaver();
        return;
    }
    Follow(ReturnGuard.Input(Locker->NowMs()));
}

void SaverController::OnPrimaryMonitorChanged() {
    if (Preview() || !Ready || Ended) return;
    // The drive starts afresh on the new primary, at its size, as a saver started there would;
    // laid out while no frame runs, like a resized preview.
    StopFrames();
    if (DispModeSetting == 0) Window.PrimaryScreenSize(ViewWidth, ViewHeight);
    const MonitorLayout layout = LayOutMonitors(Window.Monitors(), ViewWidth, ViewHeight);
    Window.SetBounds(layout.Drive.Left, layout.Drive.Top, ViewWidth, ViewHeight);
    Window.CoverAreas(layout.Covers);
    InitScene(State, Config, ViewWidth, ViewHeight, Window.Surface(), Platform.Random,
              Platform.TimeOfDay);
    // The banner, still up, is sized for the new width; the fill clears the old output's drive.
    if (Running && BannerOn)
        ApplyBannerFont(Window.Surface(), false, static_cast<std::uint32_t>(ViewWidth));
    Window.Surface().FillRect(State.ViewRect);
    Window.FlushDrawing();
    if (Running) ResumeFrames();
}

void SaverController::Follow(ReturnLockAction action) {
    switch (action) {
        case ReturnLockAction::None:
            return;
        case ReturnLockAction::RequestLock:
            // The frames go on: the screen stays covered, and alive, until the lock holds.
            Locker->WakeAt(ReturnGuard.WakeAtMs());
            Locker->RequestLock(*this);
            return;
        case ReturnLockAction::EndSaver:
            break;
    }
    // Only reached with a locker: without one, input ends the saver directly.
    if (ReturnGuard.End() == ReturnLockEnd::TimedOut)
        Locker->EndedUnlocked(UnlockedEnd::NotInTime);
    else if (ReturnGuard.End() == ReturnLockEnd::Unheld)
        Locker->EndedUnlocked(UnlockedEnd::Unheld);
    else if (ReturnGuard.End() == ReturnLockEnd::Refused)
        Locker->EndedUnlocked(UnlockedEnd::Refused);
    Locker->WakeAt(0);
    EndSaver();
}

void SaverController::OnLockRequestAnswered(bool accepted) {
    Follow(ReturnGuard.RequestAnswered(accepted));
}

void SaverController::OnSessionLocked(bool locked) {
    Follow(ReturnGuard.SessionLocked(locked));
}

void SaverController::OnKeyboardTaken(bool taken) {
    if (Preview() || Locker == nullptr || Ended) return;
    Follow(ReturnGuard.KeyboardTaken(taken));
}

void SaverController::OnLockWake() {
    Follow(ReturnGuard.Tick(Locker->NowMs()));
    // A wake that came a little early asks again for the rest of the wait.
    if (ReturnGuard.State() == ReturnLockState::Locking) Locker->WakeAt(ReturnGuard.WakeAtMs());
}

void SaverController::OnKeyDown() {
    if (Preview()) return;
    InputEnds();
}

void SaverController::OnMouseDown() {
    if (Preview()) return;
    InputEnds();
}

void SaverController::OnMouseMove(std::int32_t x, std::int32_t y) {
    if (Preview()) return;
    if (FirstMouseX == -1 && FirstMouseY == -1) {
        FirstMouseX = x;
        FirstMouseY = y;
        return;
    }
    if (x != FirstMouseX || y != FirstMouseY) InputEnds();
}

void SaverController::OnCloseQuery(bool& canClose) {
    StopFrames();
    Running = false;
    Activation.SetWatching(false);
    // A preview has nothing to guard, and the NT family checks the password itself.
    if (Preview() || KnownFamily == PlatformFamily::NT) {
        canClose = true;
        return;
    }
    {
        // The password dialog is the saver's own: it takes the activation without ending it.
        struct OwnDialog {
            ActivationWatch& Watch;
            explicit OwnDialog(ActivationWatch& watch) : Watch(watch) { Watch.DialogOpened(); }
            ~OwnDialog() { Watch.DialogClosed(); }
        } dialog{Activation};
        canClose = Legacy.PasswordAllowsClose(Window.Handle());
    }
    if (!canClose) {
        // The saver goes on: the next movement only records a new first position.
        FirstMouseX = -1;
        FirstMouseY = -1;
        Running = true;
        Activation.SetWatching(true);
        ResumeFrames();
    }
}

void SaverController::OnClose() {
    Running = false;
    Activation.SetWatching(false);
    Ended = true;
    if (KnownFamily == PlatformFamily::Windows9x) Legacy.SetScreenSaverRunning(false);
    if (DispModeSetting == 1 && !Preview()) Switch.RestoreDisplay();
    Platform.Cursor.ShowCursor(true);
}

bool SaverController::OnSystemCommand(SystemCommand command, std::intptr_t& result) {
    // No other screen saver starts while this one runs, in either mode.
    if (command != SystemCommand::ScreenSave) return false;
    result = 1;
    return true;
}

void SaverController::OnBannerEnd() {
    Window.SetBannerTimer(false, 0);
    // Under the frame lock: a frame in progress finishes its banner first, and the fill then
    // erases it; every later frame sees the banner off.
    std::lock_guard lock(FrameLock);
    BannerOn = false;
    if (!Ready) return;
    EndBanner(State, Window.Surface());
    Window.FlushDrawing();
}

void SaverController::OnHostGone() {
    // The window went with its host: stop drawing before anything else, then end.
    StopFrames();
    Window.Close();
}

void SaverController::OnHostResized(std::int32_t width, std::int32_t height) {
    // Only a preview follows its host; a move that kept the size changes nothing.
    if (!Preview() || !Ready || Ended || (width == ViewWidth && height == ViewHeight)) return;
    // Laid out again on the window thread, as at the start for this size, while no frame runs;
    // the scene's arrays are fixed, so this allocates nothing either.
    StopFrames();
    ViewWidth = width;
    ViewHeight = height;
    Window.SetBounds(0, 0, ViewWidth, ViewHeight);
    InitScene(State, Config, ViewWidth, ViewHeight, Window.Surface(), Platform.Random,
              Platform.TimeOfDay);
    // The dots of the old layout go (the brush is black); a window system that keeps a resized
    // window's pixels would otherwise show them for good.
    Window.Surface().FillRect(State.ViewRect);
    Window.FlushDrawing();
    if (Running) ResumeFrames();
}

void SaverController::OnVisibilityChanged(bool visible) {
    if (Unseen == !visible) return;
    Unseen = !visible;
    // While the session is being locked, a window that nobody sees any more has been covered
    // by the locker's own. The saver may still have to wait for the locker to take the keyboard:
    // meanwhile it draws nothing, as ever when unseen.
    if (Unseen && ReturnGuard.State() == ReturnLockState::Locking) {
        Follow(ReturnGuard.Covered());
        if (ReturnGuard.State() == ReturnLockState::Done) return;
    }
    // Unseen, the frames stop at once and nothing wakes for them; seen again, they go on from
    // the frame they stopped at, as if the time between had not passed. Only while they are
    // meant to run: not before the show, not during or after a close.
    if (Unseen)
        StopFrames();
    else if (Running && Ready)
        StartFrames();
}

void SaverController::OnActivated() {
    Activation.Gained();
}

void SaverController::OnActivationLost() {
    // Another program has the keyboard: the saver ends as on input, rather than stay over the
    // desktop deaf to it. A preview is never active and keeps running.
    if (Preview() || !Activation.Lost()) return;
    InputEnds();
}

void SaverController::OnFrame(FrameTimer& sender) {
    (void)sender;
    Frames.Stop();
    std::lock_guard lock(FrameLock);
    if (FramesHeld || !Ready) return;
    RunFrame(State, Window.Surface(), Platform.Random, BannerOn);
    Window.FlushDrawing();
    // Re-armed under the lock, so a window thread that has taken the hold never sees a new
    // event appear after its own stop.
    Frames.Start();
}
