#include "platform/wayland/window.h"

#include <linux/input-event-codes.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>
#include <wayland-client.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <exception>

#include "platform/memory/freetypetext.h"
#include "platform/posix/signals.h"
#include "viewporter-client-protocol.h"
#include "xdg-shell-client-protocol.h"

namespace {

constexpr const char* kTitle = "Velmora";
constexpr int kConfigureWaitMs = 5000;

using Toplevel = WaylandSaverWindow::Toplevel;

void OnShellConfigure(void* data, xdg_surface*, std::uint32_t serial) {
    auto* toplevel = static_cast<Toplevel*>(data);
    toplevel->Owner->Configured(*toplevel, serial);
}

const xdg_surface_listener kShellListener = {
    .configure = OnShellConfigure,
};

void OnRoleConfigure(void* data, xdg_toplevel*, std::int32_t width, std::int32_t height,
                     wl_array*) {
    static_cast<Toplevel*>(data)->Asked = {width, height};
}

// The compositor asks the window to close (a kill binding): the ordinary close.
void OnRoleClose(void* data, xdg_toplevel*) {
    static_cast<Toplevel*>(data)->Owner->Close();
}

void OnRoleBounds(void*, xdg_toplevel*, std::int32_t, std::int32_t) {}

void OnRoleCapabilities(void*, xdg_toplevel*, wl_array*) {}

const xdg_toplevel_listener kRoleListener = {
    .configure = OnRoleConfigure,
    .close = OnRoleClose,
    .configure_bounds = OnRoleBounds,
    .wm_capabilities = OnRoleCapabilities,
};

WaylandSaverWindow* Of(void* data) {
    return static_cast<WaylandSaverWindow*>(data);
}

void OnFrameDone(void* data, wl_callback*, std::uint32_t) {
    Of(data)->FrameAnswered();
}

const wl_callback_listener kFrameListener = {
    .done = OnFrameDone,
};

// The keymap is not needed: any key ends the saver.
void OnKeymap(void*, wl_keyboard*, std::uint32_t, std::int32_t fd, std::uint32_t) {
    close(fd);
}

void OnKeyboardEnter(void* data, wl_keyboard*, std::uint32_t, wl_surface*, wl_array*) {
    Of(data)->KeyboardEntered();
}

void OnKeyboardLeave(void* data, wl_keyboard*, std::uint32_t, wl_surface*) {
    Of(data)->KeyboardLeft();
}

void OnKey(void* data, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t,
           std::uint32_t state) {
    if (state == WL_KEYBOARD_KEY_STATE_PRESSED) Of(data)->KeyPressed();
}

void OnModifiers(void*, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t,
                 std::uint32_t) {}

void OnRepeatInfo(void*, wl_keyboard*, std::int32_t, std::int32_t) {}

const wl_keyboard_listener kKeyboardListener = {
    .keymap = OnKeymap,
    .enter = OnKeyboardEnter,
    .leave = OnKeyboardLeave,
    .key = OnKey,
    .modifiers = OnModifiers,
    .repeat_info = OnRepeatInfo,
};

void OnPointerEnter(void* data, wl_pointer*, std::uint32_t serial, wl_surface* surface,
                    wl_fixed_t x, wl_fixed_t y) {
    Of(data)->PointerEntered(surface, serial, wl_fixed_to_double(x), wl_fixed_to_double(y));
}

void OnPointerLeave(void* data, wl_pointer*, std::uint32_t, wl_surface*) {
    Of(data)->PointerLeft();
}

void OnPointerMotion(void* data, wl_pointer*, std::uint32_t, wl_fixed_t x, wl_fixed_t y) {
    Of(data)->PointerMoved(wl_fixed_to_double(x), wl_fixed_to_double(y));
}

// The wheel comes as axis events, never as a button: it scrolls, it does not press.
void OnButton(void* data, wl_pointer*, std::uint32_t, std::uint32_t, std::uint32_t,
              std::uint32_t state) {
    if (state == WL_POINTER_BUTTON_STATE_PRESSED) Of(data)->ButtonPressed();
}

void OnAxis(void*, wl_pointer*, std::uint32_t, std::uint32_t, wl_fixed_t) {}

void OnPointerFrame(void*, wl_pointer*) {}

void OnAxisSource(void*, wl_pointer*, std::uint32_t) {}

void OnAxisStop(void*, wl_pointer*, std::uint32_t, std::uint32_t) {}

void OnAxisDiscrete(void*, wl_pointer*, std::uint32_t, std::int32_t) {}

void OnAxisValue120(void*, wl_pointer*, std::uint32_t, std::int32_t) {}

const wl_pointer_listener kPointerListener = {
    .enter = OnPointerEnter,
    .leave = OnPointerLeave,
    .motion = OnPointerMotion,
    .button = OnButton,
    .axis = OnAxis,
    .frame = OnPointerFrame,
    .axis_source = OnAxisSource,
    .axis_stop = OnAxisStop,
    .axis_discrete = OnAxisDiscrete,
    .axis_value120 = OnAxisValue120,
};

// A touch is a press of the screen.
void OnTouchDown(void* data, wl_touch*, std::uint32_t, std::uint32_t, wl_surface*, std::int32_t,
                 wl_fixed_t, wl_fixed_t) {
    Of(data)->ButtonPressed();
}

void OnTouchUp(void*, wl_touch*, std::uint32_t, std::uint32_t, std::int32_t) {}

void OnTouchMotion(void*, wl_touch*, std::uint32_t, std::int32_t, wl_fixed_t, wl_fixed_t) {}

void OnTouchFrame(void*, wl_touch*) {}

void OnTouchCancel(void*, wl_touch*) {}

void OnTouchShape(void*, wl_touch*, std::int32_t, wl_fixed_t, wl_fixed_t) {}

void OnTouchOrientation(void*, wl_touch*, std::int32_t, wl_fixed_t) {}

const wl_touch_listener kTouchListener = {
    .down = OnTouchDown,
    .up = OnTouchUp,
    .motion = OnTouchMotion,
    .frame = OnTouchFrame,
    .cancel = OnTouchCancel,
    .shape = OnTouchShape,
    .orientation = OnTouchOrientation,
};

// Devices are released where the seat knows the request (version 3), else only forgotten.
void ReleaseKeyboard(wl_keyboard* device) {
    if (wl_keyboard_get_version(device) >= WL_KEYBOARD_RELEASE_SINCE_VERSION)
        wl_keyboard_release(device);
    else
        wl_keyboard_destroy(device);
}
void ReleasePointer(wl_pointer* device) {
    if (wl_pointer_get_version(device) >= WL_POINTER_RELEASE_SINCE_VERSION)
        wl_pointer_release(device);
    else
        wl_pointer_destroy(device);
}
void ReleaseTouch(wl_touch* device) {
    if (wl_touch_get_version(device) >= WL_TOUCH_RELEASE_SINCE_VERSION)
        wl_touch_release(device);
    else
        wl_touch_destroy(device);
}

// The whole surface is opaque: the compositor need draw nothing behind it. The region is in the
// surface's logical size.
void SetOpaque(wl_compositor* compositor, wl_surface* surface, const Presentation& shown) {
    const std::int32_t scale = std::max(shown.BufferScale, 1);
    const Size32 logical = shown.Viewport.Width > 0
                               ? shown.Viewport
                               : Size32{shown.Buffer.Width / scale, shown.Buffer.Height / scale};
    wl_region* region = wl_compositor_create_region(compositor);
    wl_region_add(region, 0, 0, logical.Width, logical.Height);
    wl_surface_set_opaque_region(surface, region);
    wl_region_destroy(region);
}

std::unique_ptr<TextEngine> MakeTextEngine() {
    try {
        return std::make_unique<FreeTypeText>();
    } catch (const std::exception& error) {
        // The banner then comes as boxes; the drive itself needs no font.
        std::fprintf(stderr, "velmora: %s\n", error.what());
        return nullptr;
    }
}

}  // namespace

WaylandSaverWindow::WaylandSaverWindow(WaylandConnection& connection,
                                       const SystemColorSource& colors, int wakeFd)
    : Connection(connection),
      Colors(colors),
      WakeFd(wakeFd),
      HandoffFd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)),
      Text(MakeTextEngine()) {
    Canvas = std::make_unique<WaylandSurface>(Connection.Display(), Colors, Text.get());
    Canvas->ReadForWindow(HandoffFd);
    Connection.OnOutputsChanged([this] { OutputsChanged(); });
    Connection.OnSeatChanged(
        [this](std::uint32_t capabilities) { SeatCapabilities(capabilities); });
    Connection.OnPrimaryRenamed([this] { PrimaryRenamed(); });
    DriveIndex = ChosenOutput();
}

std::size_t WaylandSaverWindow::ChosenOutput() const {
    std::vector<OutputInfo> infos;
    for (const auto& output : Connection.Outputs()) infos.push_back(output->Info);
    return ChooseDriveOutput(infos, Connection.OutputOrder(), Connection.PrimaryName(),
                             DesktopPrimary);
}

void WaylandSaverWindow::AddLoopSource(PollClient& source) {
    for (PollClient*& slot : LoopSources)
        if (slot == nullptr) {
            slot = &source;
            return;
        }
}

void WaylandSaverWindow::FollowDesktopPrimary(const std::string& name) {
    DesktopPrimary = name;
    PlaceDrive();
}

void WaylandSaverWindow::PlaceDrive() {
    const std::size_t chosen = ChosenOutput();
    // An output that came or went closes the window anyway; one half told is not moved to.
    if (chosen == DriveIndex || OutputsDirty || Lifecycle.Closing() || Lifecycle.Closed()) return;
    // Before the form has laid itself out, the choice is all there is to change.
    if (!Mapped) {
        DriveIndex = chosen;
        return;
    }
    const std::size_t old = DriveIndex;
    wl_output* const target = Connection.Outputs()[chosen]->Handle;
    // The surfaces stay and change outputs, so the keyboard stays where it is: the drive goes to
    // the new primary and its cover to where the drive was; each is shown afresh at its
    // configure. KWin moves a window that is fullscreen already only when it leaves fullscreen
    // first.
    const auto moveTo = [](Toplevel& t, std::size_t output, wl_output* handle) {
        t.Output = output;
        t.Asked = {};
        xdg_toplevel_unset_fullscreen(t.Role);
        xdg_toplevel_set_fullscreen(t.Role, handle);
    };
    for (auto& t : Toplevels) {
        if (t->Surface == nullptr) continue;
        if (t->Drive)
            moveTo(*t, chosen, target);
        else if (t->Output == chosen)
            moveTo(*t, old, Connection.Outputs()[old]->Handle);
    }
    std::replace(CoverOutputs.begin(), CoverOutputs.end(), chosen, old);
    DriveIndex = chosen;
    Moving = true;
    Events->OnPrimaryMonitorChanged();
    Moving = false;
}

WaylandSaverWindow::~WaylandSaverWindow() {
    Connection.OnOutputsChanged(nullptr);
    Connection.OnSeatChanged(nullptr);
    Connection.OnPrimaryRenamed(nullptr);
    Canvas.reset();
    if (FrameQuestion != nullptr) wl_callback_destroy(FrameQuestion);
    for (auto& toplevel : Toplevels) DestroyToplevel(*toplevel);
    Toplevels.clear();
    if (Keyboard != nullptr) ReleaseKeyboard(Keyboard);
    if (Pointer != nullptr) ReleasePointer(Pointer);
    if (Touch != nullptr) ReleaseTouch(Touch);
    wl_display_flush(Connection.Display());
    if (HandoffFd >= 0) close(HandoffFd);
}

void WaylandSaverWindow::FramesRunning(bool running) {
    Canvas->SetFramesRead(running && HandoffFd >= 0);
}

const OutputInfo& WaylandSaverWindow::OutputAt(std::size_t index) const {
    return Connection.Outputs()[index]->Info;
}

const OutputInfo& WaylandSaverWindow::DriveOutput() const {
    return OutputAt(DriveIndex);
}

bool WaylandSaverWindow::Create(WindowEvents& events) {
    Events = &events;
    return Lifecycle.Create(events);
}

WindowCreateParams WaylandSaverWindow::DefaultParams() {
    WindowCreateParams params;
    params.DoubleClicks = true;
    return params;
}

bool WaylandSaverWindow::MakeWindow(const WindowCreateParams& params) {
    // Wayland gives a client no way into another client's window. The surfaces come with the
    // map, once the form has chosen the drive's output.
    if (params.Child) return false;
    AcceptsInput = !params.Disabled;
    return true;
}

bool WaylandSaverWindow::TerminationPending() {
    return SignalWaiting(WakeFd);
}

bool WaylandSaverWindow::Map() {
    // The covers first, so that the drive, made last, has the keyboard.
    for (const std::size_t output : CoverOutputs) MakeToplevel(output, false);
    MakeToplevel(DriveIndex, true);
    Mapped = true;
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kConfigureWaitMs);
    while (!Lifecycle.Closed() && std::any_of(Toplevels.begin(), Toplevels.end(),
                                              [](const auto& t) { return !t->Configured; })) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            std::fprintf(stderr, "velmora: the compositor did not show the saver's windows\n");
            Close();
            return false;
        }
        if (!Dispatch(static_cast<int>(left.count()))) return false;
    }
    // The keyboard is due now; GNOME keeps it for its overview's search when the saver starts
    // under the overview, which shows the saver small and leaves it deaf.
    if (Keyboard != nullptr && AcceptsInput) Focus.Shown(std::chrono::steady_clock::now());
    return true;
}

WaylandSaverWindow::Toplevel& WaylandSaverWindow::MakeToplevel(std::size_t output, bool drive) {
    auto toplevel = std::make_unique<Toplevel>();
    Toplevel& t = *toplevel;
    t.Owner = this;
    t.Output = output;
    t.Drive = drive;
    t.Surface = wl_compositor_create_surface(Connection.Compositor());
    if (Connection.Viewporter() != nullptr)
        t.Viewport = wp_viewporter_get_viewport(Connection.Viewporter(), t.Surface);
    t.Shell = xdg_wm_base_get_xdg_surface(Connection.Shell(), t.Surface);
    xdg_surface_add_listener(t.Shell, &kShellListener, &t);
    t.Role = xdg_surface_get_toplevel(t.Shell);
    xdg_toplevel_add_listener(t.Role, &kRoleListener, &t);
    xdg_toplevel_set_title(t.Role, kTitle);
    xdg_toplevel_set_app_id(t.Role, "velmora");
    xdg_toplevel_set_fullscreen(t.Role, Connection.Outputs()[output]->Handle);
    // The first commit carries no buffer: it asks the compositor for its configure.
    wl_surface_commit(t.Surface);
    Toplevels.push_back(std::move(toplevel));
    return t;
}

void WaylandSaverWindow::DestroyToplevel(Toplevel& t) {
    if (t.Viewport != nullptr) wp_viewport_destroy(t.Viewport);
    if (t.Role != nullptr) xdg_toplevel_destroy(t.Role);
    if (t.Shell != nullptr) xdg_surface_destroy(t.Shell);
    if (t.Surface != nullptr) wl_surface_destroy(t.Surface);
    if (t.BlackBuffer != nullptr) wl_buffer_destroy(t.BlackBuffer);
    t = Toplevel{};
}

void WaylandSaverWindow::Configured(Toplevel& t, std::uint32_t serial) {
    xdg_surface_ack_configure(t.Shell, serial);
    t.Configured = true;
    if (t.Drive)
        ShowDrive(t);
    else
        Show(t);
}

void WaylandSaverWindow::Show(Toplevel& t) {
    const OutputInfo& output = OutputAt(t.Output);
    const Presentation shown = PlanCover(output, t.Asked, t.Viewport != nullptr);
    if (t.BlackBuffer == nullptr || !(shown.Buffer == t.Shown.Buffer)) {
        if (t.BlackBuffer != nullptr) wl_buffer_destroy(t.BlackBuffer);
        t.BlackBuffer = nullptr;
        const std::size_t bytes = static_cast<std::size_t>(shown.Buffer.Width) *
                                  static_cast<std::size_t>(shown.Buffer.Height) * 4;
        t.Black = std::make_unique<ShmPool>(Connection.Shm(), bytes);
        if (t.Black->Valid()) {
            // Opaque black written out: a cover is one pixel wherever a viewporter is offered.
            std::fill_n(reinterpret_cast<std::uint32_t*>(t.Black->Data()), bytes / 4, 0xFF000000u);
            t.BlackBuffer = t.Black->CreateBuffer(0, shown.Buffer.Width, shown.Buffer.Height);
        }
    }
    t.Shown = shown;
    wl_surface_set_buffer_scale(t.Surface, shown.BufferScale);
    if (t.Viewport != nullptr)
        wp_viewport_set_destination(t.Viewport, shown.Viewport.Width, shown.Viewport.Height);
    SetOpaque(Connection.Compositor(), t.Surface, shown);
    wl_surface_attach(t.Surface, t.BlackBuffer, 0, 0);
    wl_surface_damage_buffer(t.Surface, 0, 0, shown.Buffer.Width, shown.Buffer.Height);
    wl_surface_commit(t.Surface);
}

void WaylandSaverWindow::ShowDrive(Toplevel& t) {
    Presentation shown =
        PlanDrive({Width, Height}, OutputAt(t.Output), t.Asked, Scaled, t.Viewport != nullptr);
    // Once frames run, the buffers they draw into are not replaced under them (an output whose
    // mode changed meanwhile shows the buffer as it is, stretched where the compositor can).
    if (Lifecycle.Shown() && BuffersMade && !Moving && !(shown.Buffer == t.Shown.Buffer)) {
        shown.Buffer = t.Shown.Buffer;
        shown.BufferScale = 1;
        shown.Viewport =
            t.Viewport != nullptr && t.Asked.Width > 0 && t.Asked.Height > 0 ? t.Asked : Size32{};
    }
    const bool newBuffers = !BuffersMade || !(shown.Buffer == t.Shown.Buffer);
    t.Shown = shown;
    wl_surface_set_buffer_scale(t.Surface, shown.BufferScale);
    if (t.Viewport != nullptr) {
        if (shown.Viewport.Width > 0)
            wp_viewport_set_destination(t.Viewport, shown.Viewport.Width, shown.Viewport.Height);
        else
            wp_viewport_set_destination(t.Viewport, -1, -1);
    }
    SetOpaque(Connection.Compositor(), t.Surface, shown);
    Canvas->SetMagnified(Scaled);
    // Frames keep the buffers they have: a later configure changes only how they are shown,
    // which the next frame's commit carries, whole.
    if (!newBuffers) {
        Canvas->DamageAllNext();
        return;
    }
    BuffersMade = Canvas->SetBuffers(Connection.Shm(), t.Surface, shown.Buffer);
    Canvas->Present();
}

void WaylandSaverWindow::ShowSceneScaled(bool scaled) {
    Scaled = scaled;
    // On the way out nothing is drawn again: only the flag goes back.
    if (Lifecycle.Closing() || Lifecycle.Closed()) return;
    for (auto& t : Toplevels)
        if (t->Drive && t->Configured) ShowDrive(*t);
}

bool WaylandSaverWindow::Dispatch(int timeoutMs) {
    wl_display* display = Connection.Display();
    // While frames read the connection, the loop waits for what they hand over instead; should
    // they stop reading without a word, it watches the connection again once kFramesStale has
    // passed since their last read.
    std::chrono::milliseconds framesLeft{};
    const bool framesRead =
        Canvas->FramesReading(std::chrono::steady_clock::now(), kFramesStale, framesLeft);
    Canvas->LeaveConnection(framesRead);
    if (framesRead) {
        if (wl_display_dispatch_pending(display) < 0) return false;
        const int left = static_cast<int>(framesLeft.count());
        if (timeoutMs < 0 || left < timeoutMs) timeoutMs = left;
    } else {
        while (wl_display_prepare_read(display) != 0)
            if (wl_display_dispatch_pending(display) < 0) return false;
    }
    // A full socket (EAGAIN) empties while the compositor reads; anything else is a lost link.
    if (wl_display_flush(display) < 0 && errno != EAGAIN) {
        if (!framesRead) wl_display_cancel_read(display);
        return false;
    }
    // A descriptor of -1 (no signal pipe, a source not yet open) is left out by poll.
    pollfd fds[3 + kLoopSources] = {{framesRead ? -1 : wl_display_get_fd(display), POLLIN, 0},
                                    {WakeFd, POLLIN, 0},
                                    {HandoffFd, POLLIN, 0}};
    for (std::size_t i = 0; i < kLoopSources; ++i) {
        fds[3 + i] = {-1, POLLIN, 0};
        PollClient* source = LoopSources[i];
        if (source == nullptr) continue;
        source->BeforePoll();
        const int extra = source->TimeoutMs();
        if (extra >= 0 && (timeoutMs < 0 || extra < timeoutMs)) timeoutMs = extra;
        fds[3 + i].fd = source->Fd();
    }
    const int ready = poll(fds, 3 + kLoopSources, timeoutMs);
    if (!framesRead) {
        if (ready > 0 && (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
            if (wl_display_read_events(display) < 0) return false;
        } else {
            wl_display_cancel_read(display);
        }
    }
    if (ready > 0 && HandoffFd >= 0 && (fds[2].revents & POLLIN) != 0) {
        std::uint64_t handed;
        [[maybe_unused]] auto n = read(HandoffFd, &handed, sizeof handed);
    }
    if (wl_display_dispatch_pending(display) < 0) return false;
    if (ready > 0 && WakeFd >= 0 && (fds[1].revents & POLLIN) != 0) {
        char drained[64];
        [[maybe_unused]] auto n = read(WakeFd, drained, sizeof drained);
        // A termination signal: the ordinary close.
        Close();
    }
    if (OutputsDirty) {
        OutputsDirty = false;
        Close();
    }
    for (std::size_t i = 0; i < kLoopSources; ++i)
        if (LoopSources[i] != nullptr && !Lifecycle.Closed())
            LoopSources[i]->Dispatch(ready > 0 ? fds[3 + i].revents : 0);
    return true;
}

WaylandSaverWindow::Toplevel* WaylandSaverWindow::DriveToplevel() {
    for (auto& t : Toplevels)
        if (t->Drive && t->Surface != nullptr) return t.get();
    return nullptr;
}

void WaylandSaverWindow::WatchAnswers() {
    if (!Lifecycle.Shown() || Lifecycle.Closing() || Lifecycle.Closed()) return;
    Toplevel* drive = DriveToplevel();
    if (drive == nullptr) return;
    const auto now = std::chrono::steady_clock::now();
    if (SightGate.CheckAnswer(now)) {
        Events->OnVisibilityChanged(false);
        // The frames have stopped: the question goes with a commit of its own, so that the
        // compositor answers it once it shows the surface again.
        CommitAlone(*drive);
    }
    // The keyboard gone elsewhere a while, whether the saver is still seen is asked at once.
    const bool focusAsks = AcceptsInput && Focus.AskNow(now);
    if (FrameQuestion == nullptr && (SightGate.AskDue(now) || focusAsks)) {
        // Asked now, sent with the next frame's commit.
        FrameQuestion = wl_surface_frame(drive->Surface);
        wl_callback_add_listener(FrameQuestion, &kFrameListener, this);
        SightGate.Asked(now);
        // With the frames stopped, no frame carries it.
        if (!SightGate.Seen()) CommitAlone(*drive);
    }
}

void WaylandSaverWindow::CommitAlone(Toplevel& drive) {
    // One pixel damaged: a compositor repaints only what changed, and answers frames only as it
    // paints. One that shows the saver, if only as a small copy (GNOME's overview), paints it and
    // answers; one that does not show it (another workspace, a locker over it) paints nothing of
    // it.
    wl_surface_damage_buffer(drive.Surface, 0, 0, 1, 1);
    wl_surface_commit(drive.Surface);
    wl_display_flush(Connection.Display());
}

void WaylandSaverWindow::FrameAnswered() {
    wl_callback_destroy(FrameQuestion);
    FrameQuestion = nullptr;
    const auto now = std::chrono::steady_clock::now();
    const bool seenAgain = SightGate.Answered(now);
    if (Lifecycle.Closed()) return;
    // Shown while something else has the keys: the saver goes rather than stay there deaf.
    if (Focus.Answered(now) && AcceptsInput) {
        Close();
        return;
    }
    if (seenAgain) Events->OnVisibilityChanged(true);
}

void WaylandSaverWindow::Run() {
    while (!Lifecycle.Closed()) {
        if (BannerTimer.Fire()) {
            Events->OnBannerEnd();
            continue;
        }
        WatchAnswers();
        int timeout = BannerTimer.TimeoutMs();
        const auto now = std::chrono::steady_clock::now();
        // The keyboard's question waits for an outstanding one to be answered, which wakes.
        const bool focusWatched = AcceptsInput && Lifecycle.Shown() && !Lifecycle.Closing() &&
                                  FrameQuestion == nullptr && DriveToplevel() != nullptr;
        for (const int due :
             {SightGate.AnswerTimeoutMs(now), focusWatched ? Focus.TimeoutMs(now) : -1})
            if (due >= 0 && (timeout < 0 || due < timeout)) timeout = due;
        // The compositor went away: nothing is left on the screen to restore.
        if (!Dispatch(timeout)) Lifecycle.CloseLost();
    }
}

bool WaylandSaverWindow::GetWindowRect(WindowHandle window, Rect32& rect) {
    // Other clients' windows are not for a Wayland client to see.
    (void)window;
    (void)rect;
    return false;
}

void WaylandSaverWindow::PrimaryScreenSize(std::int32_t& width, std::int32_t& height) {
    const Size32 size = PhysicalSize(DriveOutput());
    width = size.Width;
    height = size.Height;
}

std::vector<Monitor> WaylandSaverWindow::Monitors() {
    std::vector<Monitor> monitors;
    for (std::size_t i = 0; i < Connection.Outputs().size(); ++i)
        monitors.push_back({LogicalBounds(OutputAt(i)), i == DriveIndex});
    return monitors;
}

void WaylandSaverWindow::SetBounds(std::int32_t left, std::int32_t top, std::int32_t width,
                                   std::int32_t height) {
    // The drive fills its output from the corner; the place only names the output.
    const Rect32 drive = LogicalBounds(DriveOutput());
    if (drive.Left != left || drive.Top != top) {
        for (std::size_t i = 0; i < Connection.Outputs().size(); ++i) {
            const Rect32 bounds = LogicalBounds(OutputAt(i));
            if (bounds.Left == left && bounds.Top == top) {
                DriveIndex = i;
                break;
            }
        }
    }
    Width = std::max(width, 0);
    Height = std::max(height, 0);
    Canvas->SetViewSize(Width, Height);
    // Moved to another output: its buffers are made for it now, while no frame runs; one not yet
    // configured gets them at its configure.
    if (Moving)
        if (Toplevel* drive = DriveToplevel(); drive != nullptr && drive->Configured)
            ShowDrive(*drive);
}

void WaylandSaverWindow::CoverAreas(std::span<const Rect32> areas) {
    std::vector<std::size_t> covers;
    for (std::size_t i = 0; i < Connection.Outputs().size(); ++i) {
        if (i == DriveIndex) continue;
        const Rect32 bounds = LogicalBounds(OutputAt(i));
        for (const Rect32& area : areas)
            if (area.Left == bounds.Left && area.Top == bounds.Top && area.Right == bounds.Right &&
                area.Bottom == bounds.Bottom) {
                covers.push_back(i);
                break;
            }
    }
    if (Mapped) {
        // Outputs that no longer need a cover lose it; new ones get theirs.
        for (auto& t : Toplevels)
            if (!t->Drive && std::find(covers.begin(), covers.end(), t->Output) == covers.end())
                DestroyToplevel(*t);
        std::erase_if(Toplevels, [](const auto& t) { return t->Surface == nullptr; });
        for (const std::size_t output : covers)
            if (std::find(CoverOutputs.begin(), CoverOutputs.end(), output) == CoverOutputs.end())
                MakeToplevel(output, false);
    }
    CoverOutputs = std::move(covers);
}

void WaylandSaverWindow::Close() {
    Lifecycle.Close();
}

void WaylandSaverWindow::Unmap() {
    // Unmapped at once, so that the desktop shows again before the process has ended.
    for (auto& t : Toplevels) {
        if (t->Surface == nullptr) continue;
        wl_surface_attach(t->Surface, nullptr, 0, 0);
        wl_surface_commit(t->Surface);
    }
    wl_display_flush(Connection.Display());
}

void WaylandSaverWindow::SetBannerTimer(bool enabled, std::uint32_t intervalMs) {
    BannerTimer.Set(enabled, intervalMs);
}

WindowHandle WaylandSaverWindow::Handle() {
    for (const auto& t : Toplevels)
        if (t->Drive) return reinterpret_cast<WindowHandle>(t->Surface);
    return 0;
}

int WaylandSaverWindow::ShowCursor(bool show) {
    CursorCount += show ? 1 : -1;
    ApplyCursor();
    return CursorCount;
}

void WaylandSaverWindow::ApplyCursor() {
    // Hidden by giving the pointer no image over the saver's surfaces. Shown again, the
    // compositor's own cursor returns as the surfaces go, which follows at once.
    if (Pointer != nullptr && PointerOn != nullptr && CursorCount < 0)
        wl_pointer_set_cursor(Pointer, PointerSerial, nullptr, 0, 0);
}

void WaylandSaverWindow::SeatCapabilities(std::uint32_t capabilities) {
    // Devices come and go (a mouse plugged in): a device that went is released, and one that
    // came is taken.
    wl_seat* seat = Connection.Seat();
    const bool keyboard = (capabilities & WL_SEAT_CAPABILITY_KEYBOARD) != 0;
    const bool pointer = (capabilities & WL_SEAT_CAPABILITY_POINTER) != 0;
    const bool touch = (capabilities & WL_SEAT_CAPABILITY_TOUCH) != 0;
    if (keyboard && Keyboard == nullptr) {
        Keyboard = wl_seat_get_keyboard(seat);
        wl_keyboard_add_listener(Keyboard, &kKeyboardListener, this);
    } else if (!keyboard && Keyboard != nullptr) {
        ReleaseKeyboard(Keyboard);
        Keyboard = nullptr;
    }
    if (pointer && Pointer == nullptr) {
        Pointer = wl_seat_get_pointer(seat);
        wl_pointer_add_listener(Pointer, &kPointerListener, this);
    } else if (!pointer && Pointer != nullptr) {
        ReleasePointer(Pointer);
        Pointer = nullptr;
        PointerOn = nullptr;
    }
    if (touch && Touch == nullptr) {
        Touch = wl_seat_get_touch(seat);
        wl_touch_add_listener(Touch, &kTouchListener, this);
    } else if (!touch && Touch != nullptr) {
        ReleaseTouch(Touch);
        Touch = nullptr;
    }
}

void WaylandSaverWindow::KeyPressed() {
    if (AcceptsInput && Mapped && !Lifecycle.Closed()) Events->OnKeyDown();
}

void WaylandSaverWindow::ButtonPressed() {
    if (AcceptsInput && Mapped && !Lifecycle.Closed()) Events->OnMouseDown();
}

void WaylandSaverWindow::PointerEntered(wl_surface* surface, std::uint32_t serial, double x,
                                        double y) {
    PointerOn = surface;
    PointerSerial = serial;
    ApplyCursor();
    // Entering is the first position the pointer is known at, as if it had moved there.
    PointerMoved(x, y);
}

void WaylandSaverWindow::PointerMoved(double x, double y) {
    if (!AcceptsInput || !Mapped || Lifecycle.Closed() || PointerOn == nullptr) return;
    // Only motion over the drive moves the mouse over the saver window; the covers take buttons
    // and keys alone.
    for (const auto& t : Toplevels) {
        if (!t->Drive || t->Surface != PointerOn) continue;
        std::int32_t bx = 0, by = 0;
        SurfaceToBuffer(t->Shown, x, y, bx, by);
        Canvas->BufferToScene(bx, by, bx, by);
        if (bx >= 0 && by >= 0 && bx < Width && by < Height) Events->OnMouseMove(bx, by);
    }
}
