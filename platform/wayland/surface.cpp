#include "platform/wayland/surface.h"

#include <poll.h>
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
    : display_(display),
      colors_(colors),
      text_(text),
      draw_(colors, text, PixelOrder::Argb),
      slots_(kBuffers, kExactCapacity),
      changed_(DamageList::Policy::Exact, kExactCapacity),
      damage_(DamageList::Policy::Merged, kDamageRects),
      lastChange_(DamageList::Policy::Exact, kExactCapacity),
      lastValues_(kExactCapacity) {
    // Buffer releases are handled by whoever presents, never by the window's event loop.
    if (display_ != nullptr) queue_ = wl_display_create_queue(display_);
}

WaylandSurface::~WaylandSurface() {
    DropBuffers(buffers_);
    pool_.reset();
    if (queue_ != nullptr) wl_event_queue_destroy(queue_);
}

void WaylandSurface::DropBuffers(std::vector<Buffer>& buffers) {
    for (Buffer& buffer : buffers)
        if (buffer.Handle != nullptr) wl_buffer_destroy(buffer.Handle);
    buffers.clear();
}

void WaylandSurface::SetViewSize(std::int32_t width, std::int32_t height) {
    width_ = std::max(width, 0);
    height_ = std::max(height, 0);
    drawWidth_ = std::min(width_, bufferSize_.Width);
    drawHeight_ = std::min(height_, bufferSize_.Height);
    drawn_.Reset(width_, height_);
    // Black, as new buffers are: nothing differs yet.
    changed_.Clear();
    holding_ = false;
    texts_.Clear();
    slots_.Reset();
    drawing_ = -1;
    shown_ = -1;
    previousShown_ = -1;
    draw_.Target(nullptr, 0, 0, 0);
    if (magnified_) {
        scene_.assign(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), kBlack);
        blocks_.Reset({width_, height_}, bufferSize_);
        drawWidth_ = width_;
        drawHeight_ = height_;
        draw_.Target(scene_.data(), width_, height_, width_);
    }
}

bool WaylandSurface::SetBuffers(wl_shm* shm, wl_surface* target, Size32 size) {
    ReleaseHeldPixel();
    holding_ = false;
    // What was drawn so far lives in the buffer drawn into, else in the one shown; it moves into
    // the new buffers before the old ones go.
    std::vector<Buffer> old = std::move(buffers_);
    buffers_.clear();
    std::unique_ptr<ShmPool> oldPool = std::move(pool_);
    const int source = drawing_ >= 0 ? drawing_ : shown_;
    const std::int32_t oldWidth = drawWidth_, oldHeight = drawHeight_,
                       oldStride = bufferSize_.Width;
    target_ = target;
    bufferSize_ = size;
    drawWidth_ = std::min(width_, std::max(size.Width, 0));
    drawHeight_ = std::min(height_, std::max(size.Height, 0));
    slots_.Reset();
    drawing_ = -1;
    shown_ = -1;
    previousShown_ = -1;
    draw_.Target(nullptr, 0, 0, 0);
    buffersCommitted_ = false;
    if (magnified_) {
        // The picture stays in the scene's own memory; the new buffers lack all of it.
        blocks_.Reset({width_, height_}, size);
        drawWidth_ = width_;
        drawHeight_ = height_;
        draw_.Target(scene_.data(), width_, height_, width_);
    }

    const auto finish = [&](bool made) {
        DropBuffers(old);
        oldPool.reset();
        if (!made) {
            DropBuffers(buffers_);
            pool_.reset();
        }
        return made;
    };
    if (size.Width <= 0 || size.Height <= 0) return finish(false);
    const std::size_t bytes =
        static_cast<std::size_t>(size.Width) * static_cast<std::size_t>(size.Height) * 4;
    pool_ = std::make_unique<ShmPool>(shm, bytes * kBuffers);
    if (!pool_->Valid()) return finish(false);
    buffers_.resize(kBuffers);
    for (std::size_t i = 0; i < kBuffers; ++i) {
        Buffer& buffer = buffers_[i];
        buffer.Owner = this;
        buffer.Slot = static_cast<int>(i);
        buffer.Pixels = reinterpret_cast<std::uint32_t*>(pool_->Data() + i * bytes);
        if (shm == nullptr) continue;
        buffer.Handle = pool_->CreateBuffer(i * bytes, size.Width, size.Height);
        if (buffer.Handle == nullptr) return finish(false);
        wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(buffer.Handle), queue_);
        wl_buffer_add_listener(buffer.Handle, &kBufferListener, &buffer);
    }
    // The two buffers in turn, here rather than in a frame; the spare once it is needed.
    for (std::size_t i = 0; i + 1 < kBuffers; ++i) Blacken(buffers_[i]);

    if (magnified_) {
        if (drawn_.Any()) {
            changed_.MarkWhole();
            for (std::size_t i = 0; i < kBuffers; ++i) slots_.Lack(static_cast<int>(i), changed_);
        }
    } else if (source >= 0 && drawn_.Any()) {
        const Buffer& from = old[static_cast<std::size_t>(source)];
        const Buffer& to = buffers_[0];
        const std::int32_t width = std::min(oldWidth, drawWidth_);
        const std::int32_t height = std::min(oldHeight, drawHeight_);
        drawn_.ForEachRun(drawWidth_, drawHeight_, [&](const Rect32& r) {
            const std::int32_t right = std::min(r.Right, width),
                               bottom = std::min(r.Bottom, height);
            if (r.Left >= right) return;
            const auto count = static_cast<std::size_t>(right - r.Left) * sizeof(std::uint32_t);
            for (std::int32_t y = r.Top; y < bottom; ++y)
                std::memcpy(to.Pixels + static_cast<std::ptrdiff_t>(y) * size.Width + r.Left,
                            from.Pixels + static_cast<std::ptrdiff_t>(y) * oldStride + r.Left,
                            count);
        });
        changed_.MarkWhole();
        for (std::size_t i = 1; i < kBuffers; ++i) slots_.Lack(static_cast<int>(i), changed_);
        drawing_ = 0;
        draw_.Target(to.Pixels, drawWidth_, drawHeight_, size.Width);
    }
    return finish(true);
}

void WaylandSurface::Blacken(Buffer& buffer) const {
    const std::size_t bytes = static_cast<std::size_t>(bufferSize_.Width) *
                              static_cast<std::size_t>(bufferSize_.Height) * 4;
    if (pool_ != nullptr)
        pool_->Populate(reinterpret_cast<std::uint8_t*>(buffer.Pixels) - pool_->Data(), bytes);
    std::fill_n(
        buffer.Pixels,
        static_cast<std::size_t>(bufferSize_.Width) * static_cast<std::size_t>(bufferSize_.Height),
        kBlack);
    buffer.Black = true;
}

void WaylandSurface::OnRelease(void* data, wl_buffer* buffer) {
    (void)buffer;
    auto* own = static_cast<Buffer*>(data);
    own->Owner->BufferReleased(own->Slot);
}

std::uint32_t WaylandSurface::BufferPixel(int slot, std::int32_t x, std::int32_t y) const {
    if (slot < 0 || static_cast<std::size_t>(slot) >= buffers_.size() || x < 0 || y < 0 ||
        x >= bufferSize_.Width || y >= bufferSize_.Height)
        return 0;
    return buffers_[static_cast<std::size_t>(slot)]
               .Pixels[static_cast<std::ptrdiff_t>(y) * bufferSize_.Width + x] &
           kColourBits;
}

std::uint32_t WaylandSurface::Pixel(std::int32_t x, std::int32_t y) const {
    if (!magnified_) return BufferPixel(drawing_ >= 0 ? drawing_ : shown_, x, y);
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
    return scene_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                  static_cast<std::size_t>(x)] &
           kColourBits;
}

void WaylandSurface::BufferToScene(std::int32_t x, std::int32_t y, std::int32_t& sceneX,
                                   std::int32_t& sceneY) const {
    sceneX = x;
    sceneY = y;
    if (magnified_) blocks_.ToScene(x, y, sceneX, sceneY);
}

void WaylandSurface::Repaint() {
    for (Buffer& buffer : buffers_) buffer.Black = false;
    changed_.MarkWhole();
    for (std::size_t i = 0; i < buffers_.size(); ++i) slots_.Lack(static_cast<int>(i), changed_);
    previousShown_ = -1;
}

void WaylandSurface::SetMagnified(bool magnified) {
    if (magnified == magnified_) return;
    ReleaseHeldPixel();
    holding_ = false;
    const std::size_t count = static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_);
    if (magnified) {
        // The picture so far moves into the scene's own memory.
        scene_.assign(count, kBlack);
        const int source = drawing_ >= 0 ? drawing_ : shown_;
        if (source >= 0) {
            const std::uint32_t* from = buffers_[static_cast<std::size_t>(source)].Pixels;
            drawn_.ForEachRun(drawWidth_, drawHeight_, [&](const Rect32& r) {
                std::memcpy(scene_.data() + static_cast<std::ptrdiff_t>(r.Top) * width_ + r.Left,
                            from + static_cast<std::ptrdiff_t>(r.Top) * bufferSize_.Width + r.Left,
                            static_cast<std::size_t>(r.Right - r.Left) * sizeof(std::uint32_t));
            });
        }
        magnified_ = true;
        blocks_.Reset({width_, height_}, bufferSize_);
        drawWidth_ = width_;
        drawHeight_ = height_;
        drawing_ = -1;
        draw_.Target(scene_.data(), width_, height_, width_);
        Repaint();
        return;
    }
    // Back to one dot a pixel: the scene's picture goes into a buffer, which the others follow.
    magnified_ = false;
    drawWidth_ = std::min(width_, bufferSize_.Width);
    drawHeight_ = std::min(height_, bufferSize_.Height);
    draw_.Target(nullptr, 0, 0, 0);
    drawing_ = -1;
    Repaint();
    changed_.Clear();
    const int slot = buffers_.empty() ? -1 : AcquireForCommit();
    if (slot >= 0) {
        Buffer& to = buffers_[static_cast<std::size_t>(slot)];
        Blacken(to);
        drawn_.ForEachRun(drawWidth_, drawHeight_, [&](const Rect32& r) {
            std::memcpy(to.Pixels + static_cast<std::ptrdiff_t>(r.Top) * bufferSize_.Width + r.Left,
                        scene_.data() + static_cast<std::ptrdiff_t>(r.Top) * width_ + r.Left,
                        static_cast<std::size_t>(r.Right - r.Left) * sizeof(std::uint32_t));
        });
        drawing_ = slot;
        draw_.Target(to.Pixels, drawWidth_, drawHeight_, bufferSize_.Width);
        changed_.MarkWhole();
    }
    scene_.clear();
    scene_.shrink_to_fit();
}

void WaylandSurface::Copy(const Buffer& to, const Buffer& from, const Rect32& r) const {
    const std::int32_t left = std::max(r.Left, 0), right = std::min(r.Right, drawWidth_);
    const std::int32_t top = std::max(r.Top, 0), bottom = std::min(r.Bottom, drawHeight_);
    if (right <= left) return;
    const std::ptrdiff_t stride = bufferSize_.Width;
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
    if (shown_ < 0 || shown_ == slot) return;
    const Buffer& to = buffers_[static_cast<std::size_t>(slot)];
    const Buffer& from = buffers_[static_cast<std::size_t>(shown_)];
    const DamageList& lacking = slots_.Lacking(slot);
    if (slot == previousShown_ && !lastChange_.Whole()) {
        // The usual turn of two buffers: the last commit's dots are known, only larger areas
        // are read from the buffer shown.
        const auto rects = lastChange_.Rects();
        const std::ptrdiff_t stride = bufferSize_.Width;
        for (std::size_t i = 0; i < rects.size(); ++i) {
            const Rect32& r = rects[i];
            if (r.Right - r.Left == 1 && r.Bottom - r.Top == 1)
                to.Pixels[r.Top * stride + r.Left] = lastValues_[i];
            else
                Copy(to, from, r);
        }
        return;
    }
    // Lacking everything, it lacks at most what was ever drawn on.
    if (lacking.Whole())
        drawn_.ForEachRun(drawWidth_, drawHeight_, [&](const Rect32& r) { Copy(to, from, r); });
    else
        for (const Rect32& r : lacking.Rects()) Copy(to, from, r);
}

bool WaylandSurface::BeginFrame() {
    if (buffers_.empty() || drawWidth_ <= 0 || drawHeight_ <= 0) return false;
    if (magnified_) return !scene_.empty();
    const int slot = AcquireForCommit();
    if (slot < 0) {
        noBuffer_ = true;
        return false;
    }
    if (!buffers_[static_cast<std::size_t>(slot)].Black)
        Blacken(buffers_[static_cast<std::size_t>(slot)]);
    CatchUp(slot);
    drawing_ = slot;
    draw_.Target(buffers_[static_cast<std::size_t>(slot)].Pixels, drawWidth_, drawHeight_,
                 bufferSize_.Width);
    return true;
}

int WaylandSurface::AcquireForCommit() {
    // Releases the window thread has read off the connection since the last commit: the buffer
    // given back last lacks least.
    if (queue_ != nullptr) wl_display_dispatch_queue_pending(display_, queue_);
    const bool spareUnused = !buffers_.back().Black;
    int slot = slots_.Acquire(!spareUnused);
    if (slot < 0 && spareUnused && WaitForRelease(kSpareWait, false)) slot = slots_.Acquire(false);
    if (slot < 0) slot = slots_.Acquire();
    if (slot < 0 && WaitForRelease(kReleaseWait, true)) slot = slots_.Acquire();
    return slot;
}

bool WaylandSurface::WaitForRelease(std::chrono::milliseconds wait, bool spare) {
    if (display_ == nullptr || queue_ == nullptr) return false;
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        if (wl_display_dispatch_queue_pending(display_, queue_) < 0) return false;
        if (slots_.Acquire(spare) >= 0) return true;
        // Events came for this queue meanwhile: dispatch them first.
        if (wl_display_prepare_read_queue(display_, queue_) != 0) continue;
        wl_display_flush(display_);
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd connection{wl_display_get_fd(display_), POLLIN, 0};
        if (left.count() > 0 && poll(&connection, 1, static_cast<int>(left.count())) > 0) {
            if (wl_display_read_events(display_) < 0) return false;
        } else {
            wl_display_cancel_read(display_);
            if (left.count() <= 0) return false;
        }
    }
}

void WaylandSurface::Present() {
    if (buffers_.empty()) return;
    // Releases the window thread has read off the connection.
    if (queue_ != nullptr) wl_display_dispatch_queue_pending(display_, queue_);
    ReleaseHeldPixel();
    // The next frame waits for a buffer again; this one has waited already.
    const bool waited = noBuffer_;
    noBuffer_ = false;
    const bool all = damageAll_.exchange(false, std::memory_order_relaxed) || !buffersCommitted_;
    if (changed_.Empty() && !all) return;
    if (magnified_) {
        if (!waited)
            PresentMagnified(all);
        else if (all)
            damageAll_.store(true, std::memory_order_relaxed);
        return;
    }
    // Nothing drawn yet, only shown anew: the newest picture goes again.
    if (drawing_ < 0 && (waited || !BeginFrame())) {
        if (all) damageAll_.store(true, std::memory_order_relaxed);
        return;
    }
    const Buffer& buffer = buffers_[static_cast<std::size_t>(drawing_)];
    if (changed_.Whole() || all) {
        lastDamageArea_ = static_cast<std::int64_t>(bufferSize_.Width) * bufferSize_.Height;
        if (target_ != nullptr)
            wl_surface_damage_buffer(target_, 0, 0, bufferSize_.Width, bufferSize_.Height);
    } else {
        damage_.Clear();
        damage_.Add(changed_);
        if (target_ != nullptr)
            for (const Rect32& r : damage_.Rects())
                wl_surface_damage_buffer(target_, r.Left, r.Top, r.Right - r.Left,
                                         r.Bottom - r.Top);
        lastDamageArea_ = damage_.Area();
    }
    if (target_ != nullptr && buffer.Handle != nullptr) {
        wl_surface_attach(target_, buffer.Handle, 0, 0);
        wl_surface_commit(target_);
        wl_display_flush(display_);
    }
    slots_.Committed(drawing_, changed_);
    lastChange_.Assign(changed_);
    if (!lastChange_.Whole()) {
        const auto rects = lastChange_.Rects();
        const std::ptrdiff_t stride = bufferSize_.Width;
        for (std::size_t i = 0; i < rects.size(); ++i)
            lastValues_[i] = buffer.Pixels[rects[i].Top * stride + rects[i].Left];
    }
    previousShown_ = shown_;
    shown_ = drawing_;
    drawing_ = -1;
    draw_.Target(nullptr, 0, 0, 0);
    changed_.Clear();
    ++commits_;
    buffersCommitted_ = true;
}

void WaylandSurface::PresentMagnified(bool all) {
    const int slot = AcquireForCommit();
    if (slot < 0) {
        // What changed waits for the next frame, which finds it still listed.
        if (all) damageAll_.store(true, std::memory_order_relaxed);
        return;
    }
    Buffer& buffer = buffers_[static_cast<std::size_t>(slot)];
    if (!buffer.Black) Blacken(buffer);
    Enlarge(buffer, slots_.Lacking(slot));
    Enlarge(buffer, changed_);
    if (changed_.Whole() || all) {
        lastDamageArea_ = static_cast<std::int64_t>(bufferSize_.Width) * bufferSize_.Height;
        if (target_ != nullptr)
            wl_surface_damage_buffer(target_, 0, 0, bufferSize_.Width, bufferSize_.Height);
    } else {
        damage_.Clear();
        damage_.Add(changed_);
        lastDamageArea_ = 0;
        for (const Rect32& dots : damage_.Rects()) {
            const Rect32 r = blocks_.ToBuffer(dots);
            lastDamageArea_ += static_cast<std::int64_t>(r.Right - r.Left) * (r.Bottom - r.Top);
            if (target_ != nullptr)
                wl_surface_damage_buffer(target_, r.Left, r.Top, r.Right - r.Left,
                                         r.Bottom - r.Top);
        }
    }
    if (target_ != nullptr && buffer.Handle != nullptr) {
        wl_surface_attach(target_, buffer.Handle, 0, 0);
        wl_surface_commit(target_);
        wl_display_flush(display_);
    }
    slots_.Committed(slot, changed_);
    shown_ = slot;
    changed_.Clear();
    ++commits_;
    buffersCommitted_ = true;
}

void WaylandSurface::Enlarge(const Buffer& buffer, const DamageList& area) {
    const auto one = [&](const Rect32& r) {
        blocks_.Enlarge(scene_.data(), width_, buffer.Pixels, bufferSize_.Width, r);
    };
    if (area.Whole())
        drawn_.ForEachRun(width_, height_, one);
    else
        for (const Rect32& r : area.Rects()) one(r);
}

void WaylandSurface::Changed(Rect32 rect) {
    rect.Left = std::max(rect.Left, 0);
    rect.Top = std::max(rect.Top, 0);
    rect.Right = std::min(rect.Right, drawWidth_);
    rect.Bottom = std::min(rect.Bottom, drawHeight_);
    changed_.Add(rect);
    drawn_.Mark(rect);
}

void WaylandSurface::ReleaseHeldPixel() {
    if (!holding_) return;
    holding_ = false;
    if (((draw_.Pixel(heldX_, heldY_) ^ heldWas_) & kColourBits) == 0) return;
    const Rect32 dot{heldX_, heldY_, heldX_ + 1, heldY_ + 1};
    changed_.Add(dot);
    drawn_.MarkPixel(heldX_, heldY_);
    texts_.Touch(dot);
}

void WaylandSurface::SetPixel(std::int32_t x, std::int32_t y, ColorValue color) {
    if (static_cast<std::uint32_t>(x) >= static_cast<std::uint32_t>(drawWidth_) ||
        static_cast<std::uint32_t>(y) >= static_cast<std::uint32_t>(drawHeight_) || !Begin())
        return;
    if (!holding_ || heldX_ != x || heldY_ != y) {
        ReleaseHeldPixel();
        holding_ = true;
        heldX_ = x;
        heldY_ = y;
        heldWas_ = draw_.Pixel(x, y);
    }
    draw_.SetPixel(x, y, color);
}

void WaylandSurface::TextOut(std::int32_t x, std::int32_t y, std::string_view sjis) {
    ReleaseHeldPixel();
    if (!Begin()) return;
    const BannerTextCache::Look look{x, y, brush_, fontPoints_};
    if (texts_.Holds(look, sjis)) return;
    draw_.TextOut(x, y, sjis);
    // Glyphs may reach a little past their advance; a character height of margin covers that.
    const TextExtent extent = draw_.Measure(sjis);
    const Rect32 box{x, y, x + extent.Width + extent.Height, y + extent.Height};
    Changed(box);
    texts_.Touch(box);
    texts_.Remember(look, sjis, box);
}

std::int32_t WaylandSurface::TextHeight(std::string_view sjis) {
    return draw_.TextHeight(sjis);
}

void WaylandSurface::FillRect(const Rect32& rect) {
    ReleaseHeldPixel();
    if (!Begin()) return;
    if (rect.Left <= 0 && rect.Top <= 0 && rect.Right >= width_ && rect.Bottom >= height_ &&
        (draw_.ToPixel(brush_) & kColourBits) == 0) {
        // The whole view black (the banner's end): only what was lit changes. Filling the whole
        // view instead would write every buffer whole in turn (33 MB each at 4K).
        ChangedToBlack();
    } else {
        Changed(rect);
        draw_.FillRect(rect);
    }
    texts_.Touch(rect);
}

void WaylandSurface::ChangedToBlack() {
    // Lit pixels lie only where something was ever drawn; the banner's boxes go whole.
    std::ptrdiff_t stride = 0;
    std::uint32_t* pixels = DrawPixels(stride);
    drawn_.ForEachRun(drawWidth_, drawHeight_, [&](const Rect32& run) {
        for (std::int32_t y = run.Top; y < run.Bottom; ++y) {
            std::uint32_t* row = pixels + y * stride;
            for (std::int32_t x = run.Left; x < run.Right; ++x) {
                if ((row[x] & kColourBits) == 0 || texts_.Covers(x, y)) continue;
                row[x] = kBlack;
                changed_.Add(Rect32{x, y, x + 1, y + 1});
            }
        }
    });
    texts_.ForEachBox([&](const Rect32& box) {
        Changed(box);
        draw_.FillRect(box);
    });
}

std::uint32_t* WaylandSurface::DrawPixels(std::ptrdiff_t& stride) {
    if (magnified_) {
        stride = width_;
        return scene_.data();
    }
    stride = bufferSize_.Width;
    return buffers_[static_cast<std::size_t>(drawing_)].Pixels;
}

void WaylandSurface::SetBrushColor(ColorValue color) {
    brush_ = color;
    draw_.SetBrushColor(color);
}

void WaylandSurface::SetFontSize(int points) {
    fontPoints_ = points;
    draw_.SetFontSize(points);
}

void WaylandSurface::PrepareText(std::string_view sjis) {
    draw_.PrepareText(sjis);
}
