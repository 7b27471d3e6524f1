// WaylandSaverWindow: the saver window on Wayland. One fullscreen xdg_toplevel per output: the
// drive on the desktop's primary output (else the first), black on the others; another output
// made primary while it runs takes the drive. Input on any of them reaches the form; an output
// coming or going, or the compositor going away, closes it, and so does the keyboard going to
// something shown over it.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/color.h"
#include "platform/common/windowtimer.h"
#include "platform/cursor.h"
#include "platform/memory/textengine.h"
#include "platform/posix/pollclient.h"
#include "platform/wayland/connection.h"
#include "platform/wayland/outputs.h"
#include "platform/wayland/shm.h"
#include "platform/wayland/surface.h"
#include "platform/window.h"
#include "saver/focuswatch.h"
#include "saver/visibilitygate.h"
#include "saver/windowlifecycle.h"

struct wl_callback;
struct wl_keyboard;
struct wl_pointer;
struct wl_surface;
struct wl_touch;
struct wp_viewport;
struct xdg_surface;
struct xdg_toplevel;

class WaylandSaverWindow final : public NativeWindow,
                                 public CursorService,
                                 private WindowPrimitives {
  public:
    // `wakeFd` is read when readable and then closes the window (the signal pipe), -1 for none.
    WaylandSaverWindow(WaylandConnection& connection, const SystemColorSource& colors, int wakeFd);
    ~WaylandSaverWindow() override;
    WaylandSaverWindow(const WaylandSaverWindow&) = delete;
    WaylandSaverWindow& operator=(const WaylandSaverWindow&) = delete;

    // Builds the windows for `events` and shows them, as WindowLifecycle orders it. False when
    // the form asks for what Wayland cannot give (a child of another window).
    bool Create(WindowEvents& events);
    // The event loop: returns when the window has closed.
    void Run();
    bool Closed() const { return Lifecycle.Closed(); }
    // One more thing the loop waits for (a bus), served after the compositor's events; it must
    // outlive the loop. Up to kLoopSources of them.
    static constexpr std::size_t kLoopSources = 2;
    void AddLoopSource(PollClient& source);
    // The primary output as the desktop names it on the session bus (GNOME), empty for none;
    // told before Create, it places the drive, and later it moves it.
    void FollowDesktopPrimary(const std::string& name);

    // The scene enlarged over the whole drive output, each dot a solid block (true), or shown
    // one dot to one pixel. Every compositor can show either: the saver enlarges it itself.
    void ShowSceneScaled(bool scaled);
    // The drive output as the compositor reports it.
    const OutputInfo& DriveOutput() const;

    // NativeWindow
    bool GetWindowRect(WindowHandle window, Rect32& rect) override;
    void PrimaryScreenSize(std::int32_t& width, std::int32_t& height) override;
    void SetBounds(std::int32_t left, std::int32_t top, std::int32_t width,
                   std::int32_t height) override;
    void Close() override;
    void HideApplicationWindow() override {}  // no hidden application window here
    void DisableIme() override {}             // no text input is asked for
    void SetBannerTimer(bool enabled, std::uint32_t intervalMs) override;
    WindowHandle Handle() override;
    DrawingSurface& Surface() override { return *Canvas; }
    void FlushDrawing() override { Canvas->Present(); }
    std::vector<Monitor> Monitors() override;
    void CoverAreas(std::span<const Rect32> areas) override;
    void FramesRunning(bool running) override;

    // CursorService
    int ShowCursor(bool show) override;

    // Events from the listeners, on the window's thread.
    struct Toplevel;
    void Configured(Toplevel& toplevel, std::uint32_t serial);
    void KeyPressed();
    void KeyboardEntered() { Focus.Entered(); }
    void KeyboardLeft() { Focus.Left(std::chrono::steady_clock::now()); }
    void ButtonPressed();
    void PointerEntered(wl_surface* surface, std::uint32_t serial, double x, double y);
    void PointerMoved(double x, double y);
    void PointerLeft() { PointerOn = nullptr; }
    void SeatCapabilities(std::uint32_t capabilities);
    void OutputsChanged() { OutputsDirty = true; }
    // The compositor's own names for the primary output changed (Plasma).
    void PrimaryRenamed() { PlaceDrive(); }
    void FrameAnswered();

    struct Toplevel {
        WaylandSaverWindow* Owner = nullptr;
        std::size_t Output = 0;
        bool Drive = false;
        wl_surface* Surface = nullptr;
        xdg_surface* Shell = nullptr;
        xdg_toplevel* Role = nullptr;
        wp_viewport* Viewport = nullptr;
        Size32 Asked;  // the size of the latest toplevel configure
        bool Configured = false;
        Presentation Shown;
        std::unique_ptr<ShmPool> Black;
        wl_buffer* BlackBuffer = nullptr;
    };

  private:
    // WindowPrimitives
    WindowCreateParams DefaultParams() override;
    bool MakeWindow(const WindowCreateParams& params) override;
    bool TerminationPending() override;
    bool Map() override;
    void Unmap() override;

    const OutputInfo& OutputAt(std::size_t index) const;
    Toplevel& MakeToplevel(std::size_t output, bool drive);
    void DestroyToplevel(Toplevel& toplevel);
    void Show(Toplevel& toplevel);
    void ShowDrive(Toplevel& drive);
    // Waits up to `timeoutMs` (-1: no limit) for the connection or the signal pipe, and handles
    // what came. False when the connection is lost.
    bool Dispatch(int timeoutMs);
    void ApplyCursor();
    // The compositor answers a frame only when it shows it: a drive whose frames go unanswered
    // is seen by nobody (its output powered off, the surface hidden), and frames stop until an
    // answer comes again.
    void WatchAnswers();
    // Commits the drive with a frame's question while frames are stopped.
    void CommitAlone(Toplevel& drive);
    Toplevel* DriveToplevel();
    // The output the names choose for the drive.
    std::size_t ChosenOutput() const;
    // Moves the drive to the chosen output once the window is up (a cover goes where it was),
    // and has the form lay itself out there.
    void PlaceDrive();

    WaylandConnection& Connection;
    const SystemColorSource& Colors;
    int WakeFd;
    // Frames hand the window's events over through this (see WaylandSurface::ReadForWindow).
    int HandoffFd;
    // How long after frames last read the connection the loop still leaves it to them: past a
    // frame that waited its longest for a buffer.
    static constexpr std::chrono::milliseconds kFramesStale{500};
    PollClient* LoopSources[kLoopSources] = {};
    std::string DesktopPrimary;
    bool Moving = false;  // the drive is being moved: its buffers are made anew
    std::unique_ptr<TextEngine> Text;
    std::unique_ptr<WaylandSurface> Canvas;
    WindowEvents* Events = nullptr;
    WindowLifecycle Lifecycle{*this};
    std::size_t DriveIndex = 0;
    std::vector<std::size_t> CoverOutputs;
    std::vector<std::unique_ptr<Toplevel>> Toplevels;
    bool Mapped = false;
    bool Scaled = false;
    bool BuffersMade = false;
    std::int32_t Width = 0, Height = 0;
    bool AcceptsInput = false;
    bool OutputsDirty = false;
    int CursorCount = 0;

    wl_keyboard* Keyboard = nullptr;
    wl_pointer* Pointer = nullptr;
    wl_touch* Touch = nullptr;
    wl_surface* PointerOn = nullptr;
    std::uint32_t PointerSerial = 0;

    WindowTimer BannerTimer;
    VisibilityGate SightGate;
    FocusWatch Focus;
    wl_callback* FrameQuestion = nullptr;
};
