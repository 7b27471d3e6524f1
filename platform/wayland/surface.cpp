#include "platform/wayland/surface.h"

#include <poll.h>
#include <unistd.h>
#include <wayland-client.h>

#include <algorithm>
#include <chrono>
#include <cstring>

namespace {

// Two buffers, one shown and one drawn into, and a spare for a compositor that holds both.
constexpr std::size_t kBuffers = 3;
// A frame moves a few hundred dots; past this many separate changes a copy takes everything.
constexpr std::size_t kExactCapacity = 8192;
// What the compositor is told of a commit: a few rectangles.
constexpr std::size_t kDamageRects = 32;
// How long a frame waits for the compositor to give a buffer back before it is skipped.
constexpr std::chrono::milliseconds kReleaseWait{250};
// How long a frame waits for one of the two buffers before it first takes the spare: a few
// refreshes, within which a compositor gives back the buffer it showed before (sway composing
// its first 4K frames in software took over 20 ms). The spare's first use writes a whole buffer
// (33 MB at 4K), which most runs then never need.
constexpr std::chrono::milliseconds kSpareWait{60};
// Until the compositor first gives a buffer back it is composing its first frames of the saver,
// touching their memory for the first time too (sway took 115 ms at 4K on a loaded machine): the
// spare waits longer then. The screen is still black, so no one sees the wait.
constexpr std::chrono::milliseconds kFirstSpareWait{kReleaseWait};
// Pixels are opaque ARGB: every compositor composes those well (GNOME's grows without end on
// XRGB). Fresh memory reads as 0, transparent black, which a compositor may keep as it is in
// screenshots and screencasts: buffers are written opaque black before they are first drawn.
constexpr std::uint32_t kBlack = 0xFF000000u;
constexpr std::uint32_t kColourBits = 0x00FFFFFFu;

const wl_buffer_listener kBufferListener = {
    .release = WaylandSurface::OnRelease,
};

}  // namespace

WaylandSurface::WaylandSurface(wl_display* display, const SystemColorSource& colors,
                               TextEngine* text)
    : WlDisplay(display),
      Colors(colors),
      Text(text),
      Draw(colors, text, PixelOrder::Argb),
      Slots(kBuffers, kExactCapacity),
      Changes(DamageList::Policy::Exact, kExactCapacity),
      Damage(DamageList::Policy::Merged, kDamageRects),
      LastChange(DamageList::Policy::Exact, kExactCapacity),
      LastValues(kExactCapacity) {
    // Buffer releases are handled by whoever presents, never by the window's event loop.
    if (WlDisplay != nullptr) Queue = wl_display_create_queue(WlDisplay);
}

WaylandSurface::~WaylandSurface() {
    DropBuffers(Buffers);
    BufferPool.reset();
    if (Queue != nullptr) wl_event_queue_destroy(Queue);
}

void WaylandSurface::DropBuffers(std::vector<Buffer>& buffers) {
    for (Buffer& buffer : buffers)
        if (buffer.Handle != nullptr) wl_buffer_destroy(buffer.Handle);
    buffers.clear();
}

void WaylandSurface::SetViewSize(std::int32_t width, std::int32_t height) {
    Width = std::max(width, 0);
    Height = std::max(height, 0);
    DrawWidth = std::min(Width, BufferSize.Width);
    DrawHeight = std::min(Height, BufferSize.Height);
    Drawn.Reset(Width, Height);
    // Black, as new buffers are: nothing differs yet.
    Changes.Clear();
    Holding = false;
    Texts.Clear();
    Slots.Reset();
    Drawing = -1;
    Shown = -1;
    PreviousShown = -1;
    Draw.Target(nullptr, 0, 0, 0);
    if (BlocksOn) {
        Scene.assign(static_cast<std::size_t>(Width) * static_cast<std::size_t>(Height), kBlack);
        Blocks.Reset({Width, Height}, BufferSize);
        DrawWidth = Width;
        DrawHeight = Height;
        Draw.Target(Scene.data(), Width, Height, Width);
    }
}

bool WaylandSurface::SetBuffers(wl_shm* shm, wl_surface* target, Size32 size) {
    ReleaseHeldPixel();
    Holding = false;
    // What was drawn so far lives in the buffer drawn into, else in the one shown; it moves into
    // the new buffers before the old ones go.
    std::vector<Buffer> old = std::move(Buffers);
    Buffers.clear();
    std::unique_ptr<ShmPool> oldPool = std::move(BufferPool);
    const int source = Drawing >= 0 ? Drawing : Shown;
    const std::int32_t oldWidth = DrawWidth, oldHeight = DrawHeight, oldStride = BufferSize.Width;
    TargetSurface = target;
    BufferSize = size;
    DrawWidth = std::min(Width, std::max(size.Width, 0));
    DrawHeight = std::min(Height, std::max(size.Height, 0));
    Slots.Reset();
    Drawing = -1;
    Shown = -1;
    PreviousShown = -1;
    Draw.Target(nullptr, 0, 0, 0);
    BuffersCommitted = false;
    AnyReleased = false;
    if (BlocksOn) {
        // The picture stays in the scene's own memory; the new buffers lack all of it.
        Blocks.Reset({Width, Height}, size);
        DrawWidth = Width;
        DrawHeight = Height;
        Draw.Target(Scene.data(), Width, Height, Width);
    }

    const auto finish = [&](bool made) {
        DropBuffers(old);
        oldPool.reset();
        if (!made) {
            DropBuffers(Buffers);
            BufferPool.reset();
        }
        return made;
    };
    if (size.Width <= 0 || size.Height <= 0) return finish(false);
    const std::size_t bytes =
        static_cast<std::size_t>(size.Width) * static_cast<std::size_t>(size.Height) * 4;
    BufferPool = std::make_unique<ShmPool>(shm, bytes * kBuffers);
    if (!BufferPool->Valid()) return finish(false);
    Buffers.resize(kBuffers);
    for (std::size_t i = 0; i < kBuffers; ++i) {
        Buffer& buffer = Buffers[i];
        buffer.Owner = this;
        buffer.Slot = static_cast<int>(i);
        buffer.Pixels = reinterpret_cast<std::uint32_t*>(BufferPool->Data() + i * bytes);
        if (shm == nullptr) continue;
        buffer.Handle = BufferPool->CreateBuffer(i * bytes, size.Width, size.Height);
        if (buffer.Handle == nullptr) return finish(false);
        wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(buffer.Handle), Queue);
        wl_buffer_add_listener(buffer.Handle, &kBufferListener, &buffer);
    }
    // The two buffers in turn, here rather than in a frame; the spare once it is needed.
    for (std::size_t i = 0; i + 1 < kBuffers; ++i) Blacken(Buffers[i]);

    if (BlocksOn) {
        if (Drawn.Any()) {
            Changes.MarkWhole();
            for (std::size_t i = 0; i < kBuffers; ++i) Slots.Lack(static_cast<int>(i), Changes);
        }
    } else if (source >= 0 && Drawn.Any()) {
        const Buffer& from = old[static_cast<std::size_t>(source)];
        const Buffer& to = Buffers[0];
        const std::int32_t width = std::min(oldWidth, DrawWidth);
        const std::int32_t height = std::min(oldHeight, DrawHeight);
        Drawn.ForEachRun(DrawWidth, DrawHeight, [&](const Rect32& r) {
            const std::int32_t right = std::min(r.Right, width),
                               bottom = std::min(r.Bottom, height);
            if (r.Left >= right) return;
            const auto count = static_cast<std::size_t>(right - r.Left) * sizeof(std::uint32_t);
            for (std::int32_t y = r.Top; y < bottom; ++y)
                std::memcpy(to.Pixels + static_cast<std::ptrdiff_t>(y) * size.Width + r.Left,
                            from.Pixels + static_cast<std::ptrdiff_t>(y) * oldStride + r.Left,
                            count);
        });
        Changes.MarkWhole();
        for (std::size_t i = 1; i < kBuffers; ++i) Slots.Lack(static_cast<int>(i), Changes);
        Drawing = 0;
        Draw.Target(to.Pixels, DrawWidth, DrawHeight, size.Width);
    }
    return finish(true);
}

void WaylandSurface::Blacken(Buffer& buffer) const {
    const std::size_t bytes = static_cast<std::size_t>(BufferSize.Width) *
                              static_cast<std::size_t>(BufferSize.Height) * 4;
    if (BufferPool != nullptr)
        BufferPool->Populate(reinterpret_cast<std::uint8_t*>(buffer.Pixels) - BufferPool->Data(),
                             bytes);
    std::fill_n(
        buffer.Pixels,
        static_cast<std::size_t>(BufferSize.Width) * static_cast<std::size_t>(BufferSize.Height),
        kBlack);
    buffer.Black = true;
}

void WaylandSurface::OnRelease(void* data, wl_buffer* buffer) {
    (void)buffer;
    auto* own = static_cast<Buffer*>(data);
    own->Owner->BufferReleased(own->Slot);
}

std::uint32_t WaylandSurface::BufferPixel(int slot, std::int32_t x, std::int32_t y) const {
    if (slot < 0 || static_cast<std::size_t>(slot) >= Buffers.size() || x < 0 || y < 0 ||
        x >= BufferSize.Width || y >= BufferSize.Height)
        return 0;
    return Buffers[static_cast<std::size_t>(slot)]
               .Pixels[static_cast<std::ptrdiff_t>(y) * BufferSize.Width + x] &
           kColourBits;
}

std::uint32_t WaylandSurface::Pixel(std::int32_t x, std::int32_t y) const {
    if (!BlocksOn) return BufferPixel(Drawing >= 0 ? Drawing : Shown, x, y);
    if (x < 0 || y < 0 || x >= Width || y >= Height) return 0;
    return Scene[static_cast<std::size_t>(y) * static_cast<std::size_t>(Width) +
                 static_cast<std::size_t>(x)] &
           kColourBits;
}

void WaylandSurface::BufferToScene(std::int32_t x, std::int32_t y, std::int32_t& sceneX,
                                   std::int32_t& sceneY) const {
    sceneX = x;
    sceneY = y;
    if (BlocksOn) Blocks.ToScene(x, y, sceneX, sceneY);
}

void WaylandSurface::Repaint() {
    for (Buffer& buffer : Buffers) buffer.Black = false;
    Changes.MarkWhole();
    for (std::size_t i = 0; i < Buffers.size(); ++i) Slots.Lack(static_cast<int>(i), Changes);
    PreviousShown = -1;
}

void WaylandSurface::SetMagnified(bool magnified) {
    if (magnified == BlocksOn) return;
    ReleaseHeldPixel();
    Holding = false;
    const std::size_t count = static_cast<std::size_t>(Width) * static_cast<std::size_t>(Height);
    if (magnified) {
        // The picture so far moves into the scene's own memory.
        Scene.assign(count, kBlack);
        const int source = Drawing >= 0 ? Drawing : Shown;
        if (source >= 0) {
            const std::uint32_t* from = Buffers[static_cast<std::size_t>(source)].Pixels;
            Drawn.ForEachRun(DrawWidth, DrawHeight, [&](const Rect32& r) {
                std::memcpy(Scene.data() + static_cast<std::ptrdiff_t>(r.Top) * Width + r.Left,
                            from + static_cast<std::ptrdiff_t>(r.Top) * BufferSize.Width + r.Left,
                            static_cast<std::size_t>(r.Right - r.Left) * sizeof(std::uint32_t));
            });
        }
        BlocksOn = true;
        Blocks.Reset({Width, Height}, BufferSize);
        DrawWidth = Width;
        DrawHeight = Height;
        Drawing = -1;
        Draw.Target(Scene.data(), Width, Height, Width);
        Repaint();
        return;
    }
    // Back to one dot a pixel: the scene's picture goes into a buffer, which the others follow.
    BlocksOn = false;
    DrawWidth = std::min(Width, BufferSize.Width);
    DrawHeight = std::min(Height, BufferSize.Height);
    Draw.Target(nullptr, 0, 0, 0);
    Drawing = -1;
    Repaint();
    Changes.Clear();
    const int slot = Buffers.empty() ? -1 : AcquireForCommit();
    if (slot >= 0) {
        Buffer& to = Buffers[static_cast<std::size_t>(slot)];
        Blacken(to);
        Drawn.ForEachRun(DrawWidth, DrawHeight, [&](const Rect32& r) {
            std::memcpy(to.Pixels + static_cast<std::ptrdiff_t>(r.Top) * BufferSize.Width + r.Left,
                        Scene.data() + static_cast<std::ptrdiff_t>(r.Top) * Width + r.Left,
                        static_cast<std::size_t>(r.Right - r.Left) * sizeof(std::uint32_t));
        });
        Drawing = slot;
        Draw.Target(to.Pixels, DrawWidth, DrawHeight, BufferSize.Width);
        Changes.MarkWhole();
    }
    Scene.clear();
    Scene.shrink_to_fit();
}

void WaylandSurface::Copy(const Buffer& to, const Buffer& from, const Rect32& r) const {
    const std::int32_t left = std::max(r.Left, 0), right = std::min(r.Right, DrawWidth);
    const std::int32_t top = std::max(r.Top, 0), bottom = std::min(r.Bottom, DrawHeight);
    if (right <= left) return;
    const std::ptrdiff_t stride = BufferSize.Width;
    // Most changes are single dots: a plain store, not a call.
    if (right - left == 1) {
        for (std::int32_t y = top; y < bottom; ++y)
            to.Pixels[y * stride + left] = from.Pixels[y * stride + left];
        return;
    }
    const auto count = static_cast<std::size_t>(right - left) * sizeof(std::uint32_t);
    for (std::int32_t y = top; y < bottom; ++y)
        std::memcpy(to.Pixels + y * stride + left, from.Pixels + y * stride + left, count);
}

void WaylandSurface::CatchUp(int slot) {
    if (Shown < 0 || Shown == slot) return;
    const Buffer& to = Buffers[static_cast<std::size_t>(slot)];
    const Buffer& from = Buffers[static_cast<std::size_t>(Shown)];
    const DamageList& lacking = Slots.Lacking(slot);
    if (slot == PreviousShown && !LastChange.Whole()) {
        // The usual turn of two buffers: the last commit's dots are known, only larger areas
        // are read from the buffer shown.
        const auto rects = LastChange.Rects();
        const std::ptrdiff_t stride = BufferSize.Width;
        for (std::size_t i = 0; i < rects.size(); ++i) {
            const Rect32& r = rects[i];
            if (r.Right - r.Left == 1 && r.Bottom - r.Top == 1)
                to.Pixels[r.Top * stride + r.Left] = LastValues[i];
            else
                Copy(to, from, r);
        }
        return;
    }
    // Lacking everything, it lacks at most what was ever drawn on.
    if (lacking.Whole())
        Drawn.ForEachRun(DrawWidth, DrawHeight, [&](const Rect32& r) { Copy(to, from, r); });
    else
        for (const Rect32& r : lacking.Rects()) Copy(to, from, r);
}

bool WaylandSurface::BeginFrame() {
    if (Buffers.empty() || DrawWidth <= 0 || DrawHeight <= 0) return false;
    if (BlocksOn) return !Scene.empty();
    const int slot = AcquireForCommit();
    if (slot < 0) {
        NoBuffer = true;
        return false;
    }
    if (!Buffers[static_cast<std::size_t>(slot)].Black)
        Blacken(Buffers[static_cast<std::size_t>(slot)]);
    CatchUp(slot);
    Drawing = slot;
    Draw.Target(Buffers[static_cast<std::size_t>(slot)].Pixels, DrawWidth, DrawHeight,
                BufferSize.Width);
    return true;
}

bool WaylandSurface::FramesReading(std::chrono::steady_clock::time_point now,
                                   std::chrono::milliseconds stale,
                                   std::chrono::milliseconds& left) const {
    if (!FramesRead.load(std::memory_order_relaxed)) return false;
    const std::chrono::steady_clock::time_point last{
        std::chrono::steady_clock::duration{LastFrame.load(std::memory_order_relaxed)}};
    left = std::chrono::ceil<std::chrono::milliseconds>(last + stale - now);
    return left.count() > 0;
}

void WaylandSurface::LeaveConnection(bool left) {
    std::lock_guard lock(ReadLock);
    ConnectionLeft = left;
}

void WaylandSurface::HandOff() {
    if (HandoffFd < 0) return;
    const std::uint64_t one = 1;
    [[maybe_unused]] auto n = write(HandoffFd, &one, sizeof one);
}

void WaylandSurface::HandOffWindowEvents() {
    // Preparing to read succeeds only while the window's queue is empty; the read is not made.
    if (wl_display_prepare_read(WlDisplay) == 0) {
        wl_display_cancel_read(WlDisplay);
        return;
    }
    HandOff();
}

void WaylandSurface::ReadConnection() {
    if (WlDisplay == nullptr || Queue == nullptr || ReadThisFrame ||
        !FramesRead.load(std::memory_order_relaxed))
        return;
    ReadThisFrame = true;
    LastFrame.store(std::chrono::steady_clock::now().time_since_epoch().count(),
                    std::memory_order_relaxed);
    std::lock_guard lock(ReadLock);
    if (!ConnectionLeft) return;
    while (wl_display_prepare_read_queue(WlDisplay, Queue) != 0)
        if (wl_display_dispatch_queue_pending(WlDisplay, Queue) < 0) return HandOff();
    // No other thread has prepared to read, so this reads what is there without waiting (with
    // nothing there, nothing). A lost connection: the window's loop finds out.
    if (wl_display_read_events(WlDisplay) < 0) return HandOff();
    HandOffWindowEvents();
}

int WaylandSurface::AcquireForCommit() {
    ReadConnection();
    // Releases read off the connection since the last commit: the buffer given back last lacks
    // least.
    if (Queue != nullptr) wl_display_dispatch_queue_pending(WlDisplay, Queue);
    const bool spareUnused = !Buffers.back().Black;
    int slot = Slots.Acquire(!spareUnused);
    if (slot < 0 && spareUnused &&
        WaitForRelease(AnyReleased ? kSpareWait : kFirstSpareWait, false))
        slot = Slots.Acquire(false);
    if (slot < 0) slot = Slots.Acquire();
    if (slot < 0 && WaitForRelease(kReleaseWait, true)) slot = Slots.Acquire();
    return slot;
}

bool WaylandSurface::WaitForRelease(std::chrono::milliseconds wait, bool spare) {
    if (WlDisplay == nullptr || Queue == nullptr) return false;
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        if (wl_display_dispatch_queue_pending(WlDisplay, Queue) < 0) return false;
        if (Slots.Acquire(spare) >= 0) return true;
        // Events came for this queue meanwhile: dispatch them first.
        if (wl_display_prepare_read_queue(WlDisplay, Queue) != 0) continue;
        wl_display_flush(WlDisplay);
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd connection{wl_display_get_fd(WlDisplay), POLLIN, 0};
        if (left.count() > 0 && poll(&connection, 1, static_cast<int>(left.count())) > 0) {
            if (wl_display_read_events(WlDisplay) < 0) {
                HandOff();
                return false;
            }
            HandOffWindowEvents();
        } else {
            wl_display_cancel_read(WlDisplay);
            if (left.count() <= 0) return false;
        }
    }
}

void WaylandSurface::Present() {
    if (Buffers.empty()) return;
    ReadConnection();
    ReadThisFrame = false;
    // Releases read off the connection.
    if (Queue != nullptr) wl_display_dispatch_queue_pending(WlDisplay, Queue);
    ReleaseHeldPixel();
    // The next frame waits for a buffer again; this one has waited already.
    const bool waited = NoBuffer;
    NoBuffer = false;
    const bool all = DamageAll.exchange(false, std::memory_order_relaxed) || !BuffersCommitted;
    if (Changes.Empty() && !all) return;
    if (BlocksOn) {
        if (!waited)
            PresentMagnified(all);
        else if (all)
            DamageAll.store(true, std::memory_order_relaxed);
        return;
    }
    // Nothing drawn yet, only shown anew: the newest picture goes again.
    if (Drawing < 0 && (waited || !BeginFrame())) {
        if (all) DamageAll.store(true, std::memory_order_relaxed);
        return;
    }
    const Buffer& buffer = Buffers[static_cast<std::size_t>(Drawing)];
    DamageChanges(all);
    CommitBuffer(Drawing);
    LastChange.Assign(Changes);
    if (!LastChange.Whole()) {
        const auto rects = LastChange.Rects();
        const std::ptrdiff_t stride = BufferSize.Width;
        for (std::size_t i = 0; i < rects.size(); ++i)
            LastValues[i] = buffer.Pixels[rects[i].Top * stride + rects[i].Left];
    }
    PreviousShown = Shown;
    Shown = Drawing;
    Drawing = -1;
    Draw.Target(nullptr, 0, 0, 0);
    Changes.Clear();
    ++CommitCount;
    BuffersCommitted = true;
}

void WaylandSurface::PresentMagnified(bool all) {
    const int slot = AcquireForCommit();
    if (slot < 0) {
        // What changed waits for the next frame, which finds it still listed.
        if (all) DamageAll.store(true, std::memory_order_relaxed);
        return;
    }
    Buffer& buffer = Buffers[static_cast<std::size_t>(slot)];
    if (!buffer.Black) Blacken(buffer);
    Enlarge(buffer, Slots.Lacking(slot));
    Enlarge(buffer, Changes);
    DamageChanges(all);
    CommitBuffer(slot);
    Shown = slot;
    Changes.Clear();
    ++CommitCount;
    BuffersCommitted = true;
}

void WaylandSurface::DamageChanges(bool all) {
    if (Changes.Whole() || all) {
        LastDamaged = static_cast<std::int64_t>(BufferSize.Width) * BufferSize.Height;
        if (TargetSurface != nullptr)
            wl_surface_damage_buffer(TargetSurface, 0, 0, BufferSize.Width, BufferSize.Height);
        return;
    }
    Damage.Clear();
    Damage.Add(Changes);
    LastDamaged = 0;
    for (const Rect32& changed : Damage.Rects()) {
        const Rect32 r = BlocksOn ? Blocks.ToBuffer(changed) : changed;
        LastDamaged += static_cast<std::int64_t>(r.Right - r.Left) * (r.Bottom - r.Top);
        if (TargetSurface != nullptr)
            wl_surface_damage_buffer(TargetSurface, r.Left, r.Top, r.Right - r.Left,
                                     r.Bottom - r.Top);
    }
}

void WaylandSurface::CommitBuffer(int slot) {
    const Buffer& buffer = Buffers[static_cast<std::size_t>(slot)];
    if (TargetSurface != nullptr && buffer.Handle != nullptr) {
        wl_surface_attach(TargetSurface, buffer.Handle, 0, 0);
        wl_surface_commit(TargetSurface);
        wl_display_flush(WlDisplay);
    }
    Slots.Committed(slot, Changes);
}

void WaylandSurface::Enlarge(const Buffer& buffer, const DamageList& area) {
    const auto one = [&](const Rect32& r) {
        Blocks.Enlarge(Scene.data(), Width, buffer.Pixels, BufferSize.Width, r);
    };
    if (area.Whole())
        Drawn.ForEachRun(Width, Height, one);
    else
        for (const Rect32& r : area.Rects()) one(r);
}

void WaylandSurface::Changed(Rect32 rect) {
    rect.Left = std::max(rect.Left, 0);
    rect.Top = std::max(rect.Top, 0);
    rect.Right = std::min(rect.Right, DrawWidth);
    rect.Bottom = std::min(rect.Bottom, DrawHeight);
    Changes.Add(rect);
    Drawn.Mark(rect);
}

void WaylandSurface::ReleaseHeldPixel() {
    if (!Holding) return;
    Holding = false;
    if (((Draw.Pixel(HeldX, HeldY) ^ HeldWas) & kColourBits) == 0) return;
    const Rect32 dot{HeldX, HeldY, HeldX + 1, HeldY + 1};
    Changes.Add(dot);
    Drawn.MarkPixel(HeldX, HeldY);
    Texts.Touch(dot);
}

void WaylandSurface::SetPixel(std::int32_t x, std::int32_t y, ColorValue color) {
    if (static_cast<std::uint32_t>(x) >= static_cast<std::uint32_t>(DrawWidth) ||
        static_cast<std::uint32_t>(y) >= static_cast<std::uint32_t>(DrawHeight) || !Begin())
        return;
    if (!Holding || HeldX != x || HeldY != y) {
        ReleaseHeldPixel();
        Holding = true;
        HeldX = x;
        HeldY = y;
        HeldWas = Draw.Pixel(x, y);
    }
    Draw.SetPixel(x, y, color);
}

void WaylandSurface::TextOut(std::int32_t x, std::int32_t y, std::string_view sjis) {
    ReleaseHeldPixel();
    if (!Begin()) return;
    const BannerTextCache::Look look{x, y, Brush, FontPoints};
    if (Texts.Holds(look, sjis)) return;
    Draw.TextOut(x, y, sjis);
    // Glyphs may reach a little past their advance; a character height of margin covers that.
    const TextExtent extent = Draw.Measure(sjis);
    const Rect32 box{x, y, x + extent.Width + extent.Height, y + extent.Height};
    Changed(box);
    Texts.Touch(box);
    Texts.Remember(look, sjis, box);
}

std::int32_t WaylandSurface::TextHeight(std::string_view sjis) {
    return Draw.TextHeight(sjis);
}

void WaylandSurface::FillRect(const Rect32& rect) {
    ReleaseHeldPixel();
    if (!Begin()) return;
    if (rect.Left <= 0 && rect.Top <= 0 && rect.Right >= Width && rect.Bottom >= Height &&
        (Draw.ToPixel(Brush) & kColourBits) == 0) {
        // The whole view black (the banner's end): only what was lit changes. Filling the whole
        // view instead would write every buffer whole in turn (33 MB each at 4K).
        ChangedToBlack();
    } else {
        Changed(rect);
        Draw.FillRect(rect);
    }
    Texts.Touch(rect);
}

void WaylandSurface::ChangedToBlack() {
    // Lit pixels lie only where something was ever drawn; the banner's boxes go whole.
    std::ptrdiff_t stride = 0;
    std::uint32_t* pixels = DrawPixels(stride);
    Drawn.ForEachRun(DrawWidth, DrawHeight, [&](const Rect32& run) {
        for (std::int32_t y = run.Top; y < run.Bottom; ++y) {
            std::uint32_t* row = pixels + y * stride;
            for (std::int32_t x = run.Left; x < run.Right; ++x) {
                if ((row[x] & kColourBits) == 0 || Texts.Covers(x, y)) continue;
                row[x] = kBlack;
                Changes.Add(Rect32{x, y, x + 1, y + 1});
            }
        }
    });
    Texts.ForEachBox([&](const Rect32& box) {
        Changed(box);
        Draw.FillRect(box);
    });
}

std::uint32_t* WaylandSurface::DrawPixels(std::ptrdiff_t& stride) {
    if (BlocksOn) {
        stride = Width;
        return Scene.data();
    }
    stride = BufferSize.Width;
    return Buffers[static_cast<std::size_t>(Drawing)].Pixels;
}

void WaylandSurface::SetBrushColor(ColorValue color) {
    Brush = color;
    Draw.SetBrushColor(color);
}

void WaylandSurface::SetFontSize(int points) {
    FontPoints = points;
    Draw.SetFontSize(points);
}

void WaylandSurface::PrepareText(std::string_view sjis) {
    Draw.PrepareText(sjis);
}
