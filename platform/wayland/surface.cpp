#include "platform/wayland/surface.h"

#include <wayland-client.h>

#include <algorithm>
#include <cstring>

namespace {

// Two buffers: one the compositor shows, one to draw the next picture into.
constexpr std::size_t kBuffers = 2;
// A frame moves a few hundred dots; past this many separate changes a copy takes everything.
constexpr std::size_t kExactCapacity = 8192;
// What the compositor is told of a commit: a few rectangles.
constexpr std::size_t kDamageRects = 32;

const wl_buffer_listener kBufferListener = {&WaylandSurface::OnRelease};

}  // namespace

WaylandSurface::WaylandSurface(wl_display* display, const SystemColorSource& colors,
                               TextEngine* text)
    : display_(display),
      colors_(colors),
      text_(text),
      picture_(std::make_unique<MemorySurface>(0, 0, colors, text)),
      slots_(kBuffers, kExactCapacity),
      changed_(DamageList::Policy::Exact, kExactCapacity),
      damage_(DamageList::Policy::Merged, kDamageRects) {
    // Buffer releases are handled by whoever presents, never by the window's event loop.
    if (display_ != nullptr) queue_ = wl_display_create_queue(display_);
}

WaylandSurface::~WaylandSurface() {
    DropBuffers();
    if (queue_ != nullptr) wl_event_queue_destroy(queue_);
}

void WaylandSurface::DropBuffers() {
    for (Buffer& buffer : buffers_)
        if (buffer.Handle != nullptr) wl_buffer_destroy(buffer.Handle);
    buffers_.clear();
    pool_.reset();
}

void WaylandSurface::SetViewSize(std::int32_t width, std::int32_t height) {
    width_ = std::max(width, 0);
    height_ = std::max(height, 0);
    picture_ = std::make_unique<MemorySurface>(width_, height_, colors_, text_);
    // Black, as new buffers are: nothing differs yet.
    changed_.Clear();
    holding_ = false;
    for (DrawnText& text : texts_) text.Valid = false;
    textsValid_ = 0;
    viewCommitted_ = false;
    slots_.Reset(false);
}

bool WaylandSurface::SetBuffers(wl_shm* shm, wl_surface* target, Size32 size) {
    DropBuffers();
    target_ = target;
    bufferSize_ = size;
    // Before the first commit, what was drawn is all gathered in the change list; after it the
    // new buffers lack the whole picture.
    slots_.Reset(viewCommitted_);
    buffersCommitted_ = false;
    if (size.Width <= 0 || size.Height <= 0) return false;
    const std::size_t bytes =
        static_cast<std::size_t>(size.Width) * static_cast<std::size_t>(size.Height) * 4;
    pool_ = std::make_unique<ShmPool>(shm, bytes * kBuffers);
    if (!pool_->Valid()) {
        pool_.reset();
        return false;
    }
    buffers_.resize(kBuffers);
    for (std::size_t i = 0; i < kBuffers; ++i) {
        Buffer& buffer = buffers_[i];
        buffer.Owner = this;
        buffer.Slot = static_cast<int>(i);
        buffer.Pixels = reinterpret_cast<std::uint32_t*>(pool_->Data() + i * bytes);
        buffer.Handle = pool_->CreateBuffer(i * bytes, size.Width, size.Height);
        if (buffer.Handle == nullptr) {
            DropBuffers();
            return false;
        }
        wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(buffer.Handle), queue_);
        wl_buffer_add_listener(buffer.Handle, &kBufferListener, &buffer);
    }
    return true;
}

void WaylandSurface::OnRelease(void* data, wl_buffer* buffer) {
    (void)buffer;
    auto* own = static_cast<Buffer*>(data);
    own->Owner->slots_.Released(own->Slot);
}

void WaylandSurface::CopyInto(const Buffer& buffer, const DamageList& areas) {
    const std::uint32_t* from = picture_->Pixels().data();
    const Rect32 whole{0, 0, width_, height_};
    const auto copy = [&](const Rect32& r) {
        const std::int32_t left = std::max(r.Left, 0), right = std::min(r.Right, width_);
        const std::int32_t top = std::max(r.Top, 0), bottom = std::min(r.Bottom, height_);
        if (right <= left) return;
        // Most changes are single dots: a plain store, not a call.
        if (right - left == 1) {
            for (std::int32_t y = top; y < bottom; ++y)
                buffer.Pixels[static_cast<std::ptrdiff_t>(y) * bufferSize_.Width + left] =
                    from[static_cast<std::ptrdiff_t>(y) * width_ + left];
            return;
        }
        const auto count = static_cast<std::size_t>(right - left) * sizeof(std::uint32_t);
        for (std::int32_t y = top; y < bottom; ++y)
            std::memcpy(buffer.Pixels + static_cast<std::ptrdiff_t>(y) * bufferSize_.Width + left,
                        from + static_cast<std::ptrdiff_t>(y) * width_ + left, count);
    };
    if (areas.Whole()) {
        copy(whole);
        return;
    }
    for (const Rect32& r : areas.Rects()) copy(r);
}

void WaylandSurface::Present() {
    if (buffers_.empty() || target_ == nullptr) return;
    // Releases the window thread has read off the connection.
    wl_display_dispatch_queue_pending(display_, queue_);
    ReleaseHeldPixel();
    const bool all = damageAll_.exchange(false, std::memory_order_relaxed) || !buffersCommitted_;
    if (changed_.Empty() && !all) return;
    const int slot = slots_.Acquire();
    // The compositor holds every buffer: the change stays gathered for the next call.
    if (slot < 0) {
        if (all) damageAll_.store(true, std::memory_order_relaxed);
        return;
    }
    const Buffer& buffer = buffers_[static_cast<std::size_t>(slot)];
    CopyInto(buffer, slots_.Lacking(slot));
    CopyInto(buffer, changed_);

    wl_surface_attach(target_, buffer.Handle, 0, 0);
    if (changed_.Whole() || all) {
        wl_surface_damage_buffer(target_, 0, 0, bufferSize_.Width, bufferSize_.Height);
        lastDamageArea_ = static_cast<std::int64_t>(bufferSize_.Width) * bufferSize_.Height;
    } else {
        damage_.Clear();
        damage_.Add(changed_);
        for (const Rect32& r : damage_.Rects())
            wl_surface_damage_buffer(target_, r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top);
        lastDamageArea_ = damage_.Area();
    }
    wl_surface_commit(target_);
    slots_.Committed(slot, changed_);
    changed_.Clear();
    ++commits_;
    viewCommitted_ = true;
    buffersCommitted_ = true;
    wl_display_flush(display_);
}

void WaylandSurface::Changed(Rect32 rect) {
    rect.Left = std::max(rect.Left, 0);
    rect.Top = std::max(rect.Top, 0);
    rect.Right = std::min(rect.Right, width_);
    rect.Bottom = std::min(rect.Bottom, height_);
    changed_.Add(rect);
}

void WaylandSurface::ReleaseHeldPixel() {
    if (!holding_) return;
    holding_ = false;
    if (picture_->Pixel(heldX_, heldY_) == heldWas_) return;
    const Rect32 dot{heldX_, heldY_, heldX_ + 1, heldY_ + 1};
    changed_.Add(dot);
    Touch(dot);
}

void WaylandSurface::Touch(const Rect32& rect) {
    if (textsValid_ == 0) return;
    for (DrawnText& text : texts_)
        if (text.Valid && rect.Left < text.Box.Right && text.Box.Left < rect.Right &&
            rect.Top < text.Box.Bottom && text.Box.Top < rect.Bottom) {
            text.Valid = false;
            --textsValid_;
        }
}

void WaylandSurface::SetPixel(std::int32_t x, std::int32_t y, ColorValue color) {
    if (static_cast<std::uint32_t>(x) >= static_cast<std::uint32_t>(width_) ||
        static_cast<std::uint32_t>(y) >= static_cast<std::uint32_t>(height_))
        return;
    if (!holding_ || heldX_ != x || heldY_ != y) {
        ReleaseHeldPixel();
        holding_ = true;
        heldX_ = x;
        heldY_ = y;
        heldWas_ = picture_->Pixel(x, y);
    }
    picture_->SetPixel(x, y, color);
}

void WaylandSurface::TextOut(std::int32_t x, std::int32_t y, std::string_view sjis) {
    ReleaseHeldPixel();
    for (const DrawnText& text : texts_)
        if (text.Valid && text.X == x && text.Y == y && text.Brush == brush_ &&
            text.Points == fontPoints_ && std::string_view(text.Bytes, text.Length) == sjis)
            return;
    picture_->TextOut(x, y, sjis);
    // Glyphs may reach a little past their advance; a character height of margin covers that.
    const TextExtent extent = picture_->Measure(sjis);
    const Rect32 box{x, y, x + extent.Width + extent.Height, y + extent.Height};
    Changed(box);
    Touch(box);
    if (sjis.size() > sizeof texts_[0].Bytes) return;
    DrawnText* slot = &texts_[0];
    for (DrawnText& text : texts_)
        if (!text.Valid) {
            slot = &text;
            break;
        }
    if (!slot->Valid) ++textsValid_;
    slot->Valid = true;
    slot->Box = box;
    slot->X = x;
    slot->Y = y;
    slot->Brush = brush_;
    slot->Points = fontPoints_;
    slot->Length = static_cast<std::uint8_t>(sjis.size());
    std::copy(sjis.begin(), sjis.end(), slot->Bytes);
}

std::int32_t WaylandSurface::TextHeight(std::string_view sjis) {
    return picture_->TextHeight(sjis);
}

void WaylandSurface::FillRect(const Rect32& rect) {
    ReleaseHeldPixel();
    if (rect.Left <= 0 && rect.Top <= 0 && rect.Right >= width_ && rect.Bottom >= height_ &&
        picture_->ToPixel(brush_) == 0) {
        // The whole view black (the banner's end): only what was lit changes. Copying the whole
        // view instead would write, and first fault in, two buffers of 33 MB each at 4K.
        ChangedToBlack();
    } else {
        Changed(rect);
    }
    picture_->FillRect(rect);
    Touch(rect);
}

void WaylandSurface::ChangedToBlack() {
    for (const DrawnText& text : texts_)
        if (text.Valid) Changed(text.Box);
    const std::uint32_t* pixels = picture_->Pixels().data();
    for (std::int32_t y = 0; y < height_ && !changed_.Whole(); ++y) {
        const std::uint32_t* row = pixels + static_cast<std::ptrdiff_t>(y) * width_;
        for (std::int32_t x = 0; x < width_; ++x) {
            if (row[x] == 0) continue;
            bool inText = false;
            for (const DrawnText& text : texts_)
                inText = inText || (text.Valid && x >= text.Box.Left && x < text.Box.Right &&
                                    y >= text.Box.Top && y < text.Box.Bottom);
            if (!inText) changed_.Add(Rect32{x, y, x + 1, y + 1});
        }
    }
}

void WaylandSurface::SetBrushColor(ColorValue color) {
    brush_ = color;
    picture_->SetBrushColor(color);
}

void WaylandSurface::SetFontSize(int points) {
    fontPoints_ = points;
    picture_->SetFontSize(points);
}

void WaylandSurface::PrepareText(std::string_view sjis) {
    picture_->PrepareText(sjis);
}
