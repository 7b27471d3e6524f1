// Win32SaverWindow: the saver form's window. Builds it from the form's creation parameters,
// turns its messages into the form's events and draws on it through a GdiSurface. Black cover
// windows over the other monitors pass their input and activation on as the window's own.
#pragma once

#include <exception>
#include <functional>
#include <memory>
#include <vector>

#include "platform/color.h"
#include "platform/window.h"
#include "saver/windowlifecycle.h"

struct HWND__;
class GdiSurface;

// The window style, extended style and class style that carry the parameters' meaning.
struct Win32WindowStyles {
    std::uint32_t Style = 0;
    std::uint32_t ExStyle = 0;
    std::uint32_t ClassStyle = 0;
};
Win32WindowStyles Win32StylesFor(const WindowCreateParams& params);

// The framework's parameters for a borderless form owned by `applicationWindow`.
WindowCreateParams Win32FormDefaults(HWND__* applicationWindow);

class Win32SaverWindow final : public NativeWindow, private WindowPrimitives {
  public:
    using ErrorReport = std::function<void(const std::exception&)>;

    // `applicationWindow` owns the pop-up of run mode; `report` shows an error that leaves a
    // handler, as the framework's standard report does.
    Win32SaverWindow(HWND__* applicationWindow, const SystemColorSource& colors,
                     ErrorReport report);
    ~Win32SaverWindow() override;
    Win32SaverWindow(const Win32SaverWindow&) = delete;
    Win32SaverWindow& operator=(const Win32SaverWindow&) = delete;

    // The form's construction and show, as WindowLifecycle orders it. Returns false when the
    // window could not be made.
    bool Create(WindowEvents& events);
    // Tells the form's window apart from its host once the message loop is over.
    bool Closed() const { return Lifecycle.Closed(); }

    bool GetWindowRect(WindowHandle window, Rect32& rect) override;
    void PrimaryScreenSize(std::int32_t& width, std::int32_t& height) override;
    void SetBounds(std::int32_t left, std::int32_t top, std::int32_t width,
                   std::int32_t height) override;
    void Close() override;
    void HideApplicationWindow() override;
    void DisableIme() override;
    void SetBannerTimer(bool enabled, std::uint32_t intervalMs) override;
    WindowHandle Handle() override;
    DrawingSurface& Surface() override;
    void FlushDrawing() override;
    std::vector<Monitor> Monitors() override;
    void CoverAreas(std::span<const Rect32> areas) override;

  private:
    // WindowPrimitives. The desktop asks before every screen saver it would start (WM_SYSCOMMAND),
    // so there is no session to keep awake beyond answering that.
    WindowCreateParams DefaultParams() override;
    bool MakeWindow(const WindowCreateParams& params) override;
    bool Map() override;
    void Unmap() override;

    static Win32SaverWindow* OwnerOf(HWND__* window, unsigned message, std::intptr_t lParam);
    static std::intptr_t __stdcall WindowProc(HWND__* window, unsigned message,
                                              std::uintptr_t wParam, std::intptr_t lParam);
    static std::intptr_t __stdcall CoverProc(HWND__* window, unsigned message,
                                             std::uintptr_t wParam, std::intptr_t lParam);
    static std::intptr_t __stdcall WatchProc(HWND__* window, unsigned message,
                                             std::uintptr_t wParam, std::intptr_t lParam);
    // Dispatch with the framework's error report around it.
    std::intptr_t Deliver(unsigned message, std::uintptr_t wParam, std::intptr_t lParam);
    std::intptr_t Dispatch(unsigned message, std::uintptr_t wParam, std::intptr_t lParam);
    void ArmBannerTimer();
    void DestroyCovers();
    // WM_ACTIVATE of the window or a cover, as the form's activation events.
    void ReportActivation(std::uintptr_t wParam, std::intptr_t lParam);
    // A window of the saver's own: its window, a cover, a message box or dialog it shows.
    bool OwnWindow(HWND__* window) const;

    HWND__* ApplicationHwnd;
    const SystemColorSource& Colors;
    ErrorReport Report;
    WindowEvents* Events = nullptr;
    WindowLifecycle Lifecycle{*this, Report};
    HWND__* Hwnd = nullptr;
    HWND__* HostHwnd = nullptr;
    // Preview only: a hidden window of this thread that watches the host. A host whose process
    // dies takes this window with it without a word, and any timer of this window too.
    HWND__* WatchHwnd = nullptr;
    std::vector<HWND__*> Covers;
    std::unique_ptr<GdiSurface> Drawing;
    bool BannerTimerOn = false;
    std::uint32_t BannerIntervalMs = 0;
    bool Destroying = false;
};
