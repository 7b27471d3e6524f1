// Fakes at the platform boundary of the saver window, all writing to one call log so that tests
// can check the order of calls across them.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/cursor.h"
#include "platform/displaymodes.h"
#include "platform/messagebox.h"
#include "platform/sessionlocker.h"
#include "platform/systemsaverhooks.h"
#include "platform/timer.h"
#include "platform/window.h"

using CallLog = std::vector<std::string>;

inline int CountOf(const CallLog& log, const std::string& entry) {
    int n = 0;
    for (const auto& e : log) n += e == entry ? 1 : 0;
    return n;
}

inline int IndexOf(const CallLog& log, const std::string& entry) {
    for (std::size_t i = 0; i < log.size(); ++i)
        if (log[i] == entry) return static_cast<int>(i);
    return -1;
}

// The base of a fake that writes the calls made of it to a log it shares with other fakes.
class LoggingFake {
  protected:
    explicit LoggingFake(CallLog& log) : Calls(log) {}
    // Logs `call` and answers `result`.
    template <typename Result>
    Result Logged(std::string call, Result result) {
        Calls.push_back(std::move(call));
        return result;
    }
    void Logged(std::string call) { Calls.push_back(std::move(call)); }

  private:
    CallLog& Calls;
};

// A timer service that logs arming and cancelling before passing them on, and keeps the last
// armed callback so that a test can deliver it late.
class LoggingTimer final : public TimerService {
  public:
    LoggingTimer(TimerService& inner, CallLog& log) : Inner(inner), Log(log) {}
    TimerCaps GetDevCaps() override { return Inner.GetDevCaps(); }
    void BeginPeriod(std::uint32_t p) override { Inner.BeginPeriod(p); }
    void EndPeriod(std::uint32_t p) override { Inner.EndPeriod(p); }
    std::uint32_t SetEvent(std::uint32_t delay, std::uint32_t resolution, TimerProc proc,
                           void* user, TimerKind kind) override {
        Log.push_back("SetEvent " + std::to_string(delay));
        lastProc = proc;
        lastUser = user;
        return Inner.SetEvent(delay, resolution, proc, user, kind);
    }
    std::uint32_t KillEvent(std::uint32_t id) override {
        Log.push_back("KillEvent");
        return Inner.KillEvent(id);
    }

    TimerProc lastProc = nullptr;
    void* lastUser = nullptr;

  private:
    TimerService& Inner;
    CallLog& Log;
};

// The saver window as a framework would run it: Close runs the form's close query and, on
// consent, its close.
class FakeWindow final : public NativeWindow, public CursorService {
  public:
    FakeWindow(DrawingSurface& surface, CallLog& log) : Drawing(surface), Log(log) {}

    void Attach(WindowEvents& controller) { Controller = &controller; }

    bool GetWindowRect(WindowHandle window, Rect32& rect) override {
        Log.push_back("GetWindowRect " + std::to_string(window));
        if (!hostExists) return false;
        rect = hostRect;
        return true;
    }
    void PrimaryScreenSize(std::int32_t& width, std::int32_t& height) override {
        width = screenWidth;
        height = screenHeight;
    }
    void SetBounds(std::int32_t left, std::int32_t top, std::int32_t width,
                   std::int32_t height) override {
        Log.push_back("SetBounds " + std::to_string(left) + "," + std::to_string(top) + "," +
                      std::to_string(width) + "x" + std::to_string(height));
    }
    void Close() override {
        Log.push_back("Close");
        ++closeRequests;
        bool canClose = true;
        Controller->OnCloseQuery(canClose);
        if (!canClose) return;
        Controller->OnClose();
        closed = true;
    }
    void HideApplicationWindow() override { Log.push_back("HideApplicationWindow"); }
    void DisableIme() override { Log.push_back("DisableIme"); }
    void SetBannerTimer(bool enabled, std::uint32_t intervalMs) override {
        timer1On = enabled;
        Log.push_back(enabled ? "BannerTimer on " + std::to_string(intervalMs) : "BannerTimer off");
    }
    WindowHandle Handle() override { return 0x4242; }
    DrawingSurface& Surface() override { return Drawing; }
    void FlushDrawing() override { ++flushes; }
    std::vector<Monitor> Monitors() override { return monitors; }
    bool TellsKeyboardTaken() override { return tellsKeyboardTaken; }
    void FramesRunning(bool running) override {
        framesRunning = running;
        ++framesTold;
    }
    void CoverAreas(std::span<const Rect32> areas) override {
        std::string entry = "CoverAreas";
        for (const auto& r : areas)
            entry += " " + std::to_string(r.Left) + "," + std::to_string(r.Top) + "," +
                     std::to_string(r.Right) + "," + std::to_string(r.Bottom);
        Log.push_back(entry);
    }

    int ShowCursor(bool show) override {
        cursorCount += show ? 1 : -1;
        Log.push_back(show ? "ShowCursor TRUE" : "ShowCursor FALSE");
        return cursorCount;
    }

    std::vector<Monitor> monitors;    // none: the backend does not tell them apart
    bool tellsKeyboardTaken = false;  // as a backend that cannot tell (Wayland, Windows)
    bool hostExists = true;
    Rect32 hostRect{10, 20, 162, 132};
    std::int32_t screenWidth = 1024, screenHeight = 768;
    int cursorCount = 0;
    int closeRequests = 0;
    int flushes = 0;
    bool framesRunning = false;
    int framesTold = 0;
    bool closed = false;
    bool timer1On = false;

  private:
    DrawingSurface& Drawing;
    CallLog& Log;
    WindowEvents* Controller = nullptr;
};

class FakeSaverHooks final : public SystemSaverHooks {
  public:
    explicit FakeSaverHooks(CallLog& log) : Log(log) {}
    bool GetPlatformFamily(PlatformFamily& f) override {
        Log.push_back("GetPlatformFamily");
        f = family;
        return versionWorks;
    }
    void SetScreenSaverRunning(bool running) override {
        Log.push_back(running ? "ScreenSaverRunning 1" : "ScreenSaverRunning 0");
    }
    std::string SystemDirectory() override { return systemDirectory; }
    PasswordCheck VerifyScreenSavePwd(std::string_view path, WindowHandle window) override {
        Log.push_back("VerifyScreenSavePwd " + std::string(path) + " " + std::to_string(window));
        if (whileDialogShows) whileDialogShows();
        return password;
    }
    void ChangePassword(WindowHandle parent) override {
        Log.push_back("ChangePassword " + std::to_string(parent));
    }

    PlatformFamily family = PlatformFamily::NT;
    bool versionWorks = true;
    std::string systemDirectory = "C:\\WINDOWS\\SYSTEM";
    PasswordCheck password = PasswordCheck::Accepted;
    // Runs while the password dialog would be on the screen.
    std::function<void()> whileDialogShows;

  private:
    CallLog& Log;
};

class FakeDisplayModes final : public DisplayModes {
  public:
    explicit FakeDisplayModes(CallLog& log) : Log(log) {}
    bool CurrentMode(DisplayMode& mode) override {
        mode = current;
        return known;
    }
    long ChangeDisplaySettings(const DisplayModeRequest& mode) override {
        Log.push_back("ChangeDisplaySettings " + std::to_string(mode.Width) + "x" +
                      std::to_string(mode.Height));
        requests.push_back(mode);
        return answer;
    }

    DisplayMode current{1920, 1080, 24, 75};
    bool known = true;
    long answer = 0;
    std::vector<DisplayModeRequest> requests;

  private:
    CallLog& Log;
};

class FakeMessageBox final : public MessageBoxService {
  public:
    void Show(std::string_view text, std::string_view caption, MessageIcon icon) override {
        texts.emplace_back(text);
        captions.emplace_back(caption);
        icons.push_back(icon);
    }
    std::vector<std::string> texts, captions;
    std::vector<MessageIcon> icons;
};

// A session that a test locks by hand: it logs the requests and hands the test the events to
// answer through; its clock moves only when the test moves it.
class FakeSessionLocker final : public SessionLocker {
  public:
    explicit FakeSessionLocker(CallLog& log) : Log(log) {}
    std::uint64_t NowMs() override { return now; }
    void RequestLock(SessionLockEvents& target) override {
        Log.push_back("RequestLock");
        events = &target;
    }
    void WakeAt(std::uint64_t atMs) override { wakeAt = atMs; }
    void EndedUnlocked(UnlockedEnd why) override {
        Log.push_back(why == UnlockedEnd::NotInTime ? "EndedUnlocked NotInTime"
                      : why == UnlockedEnd::Unheld  ? "EndedUnlocked Unheld"
                                                    : "EndedUnlocked Refused");
    }
    // Moves the clock, and delivers the wake-up when it falls due.
    void AdvanceTo(std::uint64_t ms) {
        now = ms;
        if (wakeAt != 0 && now >= wakeAt && events != nullptr) {
            wakeAt = 0;
            events->OnLockWake();
        }
    }

    std::uint64_t now = 100'000;
    std::uint64_t wakeAt = 0;
    SessionLockEvents* events = nullptr;

  private:
    CallLog& Log;
};
