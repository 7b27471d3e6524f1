// SaverController: the saver's logic in run and preview modes. It is no window itself: a backend's
// window delivers its events here, and it drives that window, the frames and the close.
#pragma once

#include <cstdint>
#include <mutex>

#include "platform/cursor.h"
#include "platform/displaymodes.h"
#include "platform/messagebox.h"
#include "platform/random.h"
#include "platform/registry.h"
#include "platform/sessionlocker.h"
#include "platform/systemsaverhooks.h"
#include "platform/timer.h"
#include "platform/window.h"
#include "saver/activationwatch.h"
#include "saver/displayswitch.h"
#include "saver/frametimer.h"
#include "saver/legacy9x.h"
#include "saver/returnlock.h"
#include "scene/state.h"
#include "settings/overrides.h"
#include "settings/returnlockoptions.h"
#include "settings/settings.h"

// What the saver reaches of the platform besides its own window.
struct SaverPlatform {
    CursorService& Cursor;
    SystemSaverHooks& SaverHooks;
    Registry& Reg;
    DisplayModes& Display;
    TimerService& Timer;
    MessageBoxService& Box;
    RandomSource& Random;
    Clock& TimeOfDay;
};

class SaverController final : public WindowEvents, private SessionLockEvents {
  public:
    // `hostWindow` is the launcher's HostWindow: the preview host, 0 in run mode. `window` is the
    // one this controller drives; it calls back the handlers below. `overrides` are laid over the
    // stored settings when they are read; they must outlive the controller.
    SaverController(NativeWindow& window, const SaverPlatform& platform, WindowHandle hostWindow,
                    std::span<const SettingOverride> overrides = {});
    ~SaverController() override;
    SaverController(const SaverController&) = delete;
    SaverController& operator=(const SaverController&) = delete;

    void OnCreateParams(WindowCreateParams& params) override;
    void OnCreate() override;
    void OnShow() override;
    void OnKeyDown() override;
    void OnMouseDown() override;
    void OnMouseMove(std::int32_t x, std::int32_t y) override;
    void OnCloseQuery(bool& canClose) override;
    void OnClose() override;
    bool OnSystemCommand(SystemCommand command, std::intptr_t& result) override;
    void OnBannerEnd() override;
    void OnHostGone() override;
    void OnHostResized(std::int32_t width, std::int32_t height) override;
    void OnVisibilityChanged(bool visible) override;
    void OnActivated() override;
    void OnActivationLost() override;
    void OnPrimaryMonitorChanged() override;
    void OnKeyboardTaken(bool taken) override;

    // Where the session can be asked to lock: a run-mode saver then honours the desktop's
    // password options, read at creation. Set before the window is created; `locker` must
    // outlive the controller.
    void UseSessionLocker(SessionLocker& locker) { Locker = &locker; }

    // One frame, on the timer thread.
    void OnFrame(FrameTimer& sender);

    // Read by tests and the window backend.
    bool Preview() const { return Host != 0; }
    std::int32_t FirstX() const { return FirstMouseX; }
    std::int32_t FirstY() const { return FirstMouseY; }
    PlatformFamily Family() const { return KnownFamily; }
    std::int32_t DispMode() const { return DispModeSetting; }
    std::int32_t Width() const { return ViewWidth; }
    std::int32_t Height() const { return ViewHeight; }
    bool SceneReady() const { return Ready; }
    FrameTimer& Timer() { return Frames; }
    const SceneState& Scene() const { return State; }
    const SaverSettings& Settings() const { return Config; }
    const ReturnLock& LockOnReturn() const { return ReturnGuard; }

  private:
    // The window thread's side of the frame hand-over: after StopFrames no frame runs or re-arms
    // the timer until StartFrames; the window is told of both. HoldFrames stops them without
    // telling it.
    void StopFrames();
    void StartFrames();
    void HoldFrames();
    // StartFrames unless nobody can see the window: frames then start when it is seen again.
    void ResumeFrames();
    void CreateSteps();
    // Input that ends the saver: at once, or once the session is locked.
    void InputEnds();
    // Carries out what the locked return decided.
    void Follow(ReturnLockAction action);
    void EndSaver();

    // SessionLockEvents
    void OnLockRequestAnswered(bool accepted) override;
    void OnSessionLocked(bool locked) override;
    void OnLockWake() override;

    NativeWindow& Window;
    SaverPlatform Platform;
    const WindowHandle Host;
    const std::span<const SettingOverride> Overrides;

    FrameTimer Frames;
    DisplaySwitch Switch;
    Legacy9x Legacy;
    SceneState State;
    SaverSettings Config;
    SessionLocker* Locker = nullptr;
    ReturnLockOptions LockOptions;
    ReturnLock ReturnGuard;      // window thread only
    ActivationWatch Activation;  // window thread only

    std::int32_t FirstMouseX = -1, FirstMouseY = -1;
    PlatformFamily KnownFamily = PlatformFamily::Unknown;  // asked in run mode only
    std::int32_t DispModeSetting = 0;
    std::int32_t ViewWidth = 0, ViewHeight = 0;

    // Guards the frame body, the banner end's fill and the two flags below; frames run on the
    // timer thread, the banner end and the closing paths on the window's thread.
    std::mutex FrameLock;
    bool FramesHeld = false;  // set by the window thread's stop: frames neither draw nor re-arm
    bool BannerOn = true;     // the banner timer's state as frames read it
    bool Ready = false;       // InitScene has run: frames may draw
    // Window thread only.
    bool Running = false;  // from the show to the close: when frames are meant to run
    bool Unseen = false;   // nobody can see the window: frames are held
    bool Ended = false;    // the close has run: nothing is laid out again
};
