// TMainF: the saver window of the run and preview modes.
#pragma once

#include <cstdint>
#include <mutex>

#include "platform/cursor.h"
#include "platform/displaymodes.h"
#include "platform/messagebox.h"
#include "platform/random.h"
#include "platform/registry.h"
#include "platform/saverservices.h"
#include "platform/timer.h"
#include "platform/window.h"
#include "saver/chagedisp.h"
#include "saver/mmtimer.h"
#include "scene/state.h"
#include "settings/settings.h"

// What the saver window reaches of the platform besides its own window.
struct TMainFPlatform {
    CursorService& Cursor;
    ScreenSaverServices& Services;
    Registry& Reg;
    DisplayModes& Display;
    TimerService& Timer;
    MessageBoxService& Box;
    RandomSource& Random;
    Clock& TimeOfDay;
};

class TMainF final : public FormEvents {
  public:
    // `hostWindow` is the launcher's HostWindow: the preview host, 0 in run mode. The window is
    // the one this form is built on; it calls back the handlers below.
    TMainF(SaverWindow& window, const TMainFPlatform& platform, WindowHandle hostWindow);
    ~TMainF() override;
    TMainF(const TMainF&) = delete;
    TMainF& operator=(const TMainF&) = delete;

    void WindowParams(TWindowParams& params) override;
    void FormCreate() override;
    void FormShow() override;
    void FormKeyDown() override;
    void FormMouseDown() override;
    void FormMouseMove(std::int32_t x, std::int32_t y) override;
    void FormCloseQuery(bool& canClose) override;
    void FormClose() override;
    bool SysCommandHandler(std::uint32_t command, std::intptr_t& result) override;
    void Timer1Timer() override;
    void HostWindowGone() override;

    // One frame, on the timer thread.
    void MMTimer1Timer(TMMTimer& sender);

    // Read by tests and the window backend.
    bool Preview() const { return HostWindow_ != 0; }
    std::int32_t FirstX() const { return FirstX_; }
    std::int32_t FirstY() const { return FirstY_; }
    std::int32_t PlatformId() const { return PlatformId_; }
    std::int32_t DispMode() const { return DispMode_; }
    std::int32_t Width() const { return Width_; }
    std::int32_t Height() const { return Height_; }
    bool SceneReady() const { return SceneReady_; }
    TMMTimer& MMTimer1() { return MMTimer1_; }
    const TSceneState& Scene() const { return Scene_; }
    const TSettings& Settings() const { return Settings_; }

  private:
    // The window thread's side of the frame hand-over: after StopFrames no frame runs or re-arms
    // the timer until StartFrames.
    void StopFrames();
    void StartFrames();
    void FormCreateSteps();
    void CloseQuerySteps(bool& canClose);

    SaverWindow& Window_;
    TMainFPlatform P_;
    const WindowHandle HostWindow_;

    TMMTimer MMTimer1_;
    TChageDisp ChageDisp_;
    TSceneState Scene_;
    TSettings Settings_;

    std::int32_t FirstX_ = -1, FirstY_ = -1;
    std::int32_t PlatformId_ = 0;
    std::int32_t DispMode_ = 0;
    std::int32_t Width_ = 0, Height_ = 0;

    // Guards the frame body, the banner end's fill and the two flags below; frames run on the
    // timer thread, the banner end and the closing paths on the window's thread.
    std::mutex FrameLock_;
    bool FramesHeld_ =
        false;  // set by the window thread's stop; a frame then neither draws nor re-arms
    bool BannerOn_ = true;     // Timer1's enabled flag as frames read it
    bool SceneReady_ = false;  // InitScene has run: frames may draw
};
