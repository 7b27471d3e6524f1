// WaylandSurface: the drive's DrawingSurface on Wayland. The scene draws into a picture kept in
// memory; each flush copies what changed into a shared-memory buffer the compositor has given
// back and commits it with only the changed pixels damaged.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/color.h"
#include "platform/memory/surface.h"
#include "platform/memory/textengine.h"
#include "platform/surface.h"
#include "platform/wayland/bufferslots.h"
#include "platform/wayland/damage.h"
#include "platform/wayland/outputs.h"
#include "platform/wayland/shm.h"

struct wl_buffer;
struct wl_display;
struct wl_event_queue;
struct wl_shm;
struct wl_surface;

class WaylandSurface final : public DrawingSurface {
  public:
    // `text` draws the banner (null: boxes); it must outlive the surface.
    WaylandSurface(wl_display* display, const SystemColorSource& colors, TextEngine* text);
    ~WaylandSurface() override;
    WaylandSurface(const WaylandSurface&) = delete;
    WaylandSurface& operator=(const WaylandSurface&) = delete;

    // The scene's size; the picture starts black. Before frames run.
    void SetViewSize(std::int32_t width, std::int32_t height);
    // Buffers of `size` for `target`, all lacking the whole picture. Before frames run, or while
    // they are held. False when the compositor's memory could not be had.
    bool SetBuffers(wl_shm* shm, wl_surface* target, Size32 size);
    // Brings a buffer the compositor does not hold up to date and commits it with what changed
    // since the last commit damaged. Without a free buffer the change waits for the next call.
    void Present();
    // The next commit damages the whole buffer: the compositor has shown the surface anew (a
    // configure), and what it kept of it may be stale. Safe from any thread.
    void DamageAllNext() { damageAll_.store(true, std::memory_order_relaxed); }

    void SetPixel(std::int32_t x, std::int32_t y, ColorValue color) override;
    void TextOut(std::int32_t x, std::int32_t y, std::string_view sjis) override;
    std::int32_t TextHeight(std::string_view sjis) override;
    void FillRect(const Rect32& rect) override;
    void SetBrushColor(ColorValue color) override;
    void SetFontSize(int points) override;
    void PrepareText(std::string_view sjis) override;

    // What differs from the picture last committed, as far as gathered now.
    const DamageList& GatherChanges() {
        ReleaseHeldPixel();
        return changed_;
    }
    // For figures and tests: commits made, and the pixels damaged by the last one.
    std::uint64_t Commits() const { return commits_; }
    std::int64_t LastDamageArea() const { return lastDamageArea_; }
    const MemorySurface& Picture() const { return *picture_; }

    // The compositor gave a buffer back.
    static void OnRelease(void* data, wl_buffer* buffer);

  private:
    struct Buffer {
        WaylandSurface* Owner = nullptr;
        wl_buffer* Handle = nullptr;
        std::uint32_t* Pixels = nullptr;
        int Slot = 0;
    };
    void Changed(Rect32 rect);
    // Gathers every lit pixel of the picture as changed, before it all turns black.
    void ChangedToBlack();
    // The last pixel set is held back until the next operation: a dot erased and drawn again
    // where it was has not changed.
    void ReleaseHeldPixel();
    // A text drawn again where it stands, unchanged and untouched since, is not drawn again.
    struct DrawnText {
        bool Valid = false;
        Rect32 Box;
        std::int32_t X = 0, Y = 0;
        ColorValue Brush = 0;
        int Points = 0;
        std::uint8_t Length = 0;
        char Bytes[128] = {};
    };
    void Touch(const Rect32& rect);
    void CopyInto(const Buffer& buffer, const DamageList& areas);
    void DropBuffers();

    wl_display* display_;
    const SystemColorSource& colors_;
    TextEngine* text_;
    wl_event_queue* queue_ = nullptr;
    wl_surface* target_ = nullptr;
    std::unique_ptr<MemorySurface> picture_;
    std::int32_t width_ = 0, height_ = 0;
    Size32 bufferSize_;
    std::unique_ptr<ShmPool> pool_;
    std::vector<Buffer> buffers_;
    BufferSlots slots_;
    DamageList changed_;     // since the last commit, exactly
    DamageList damage_;      // the same, joined into a few rectangles for the compositor
    std::atomic<bool> damageAll_{false};
    bool viewCommitted_ = false;   // a picture of this view has gone to the compositor
    bool buffersCommitted_ = false;
    bool holding_ = false;
    std::int32_t heldX_ = 0, heldY_ = 0;
    std::uint32_t heldWas_ = 0;
    ColorValue brush_ = 0;
    int fontPoints_ = 0;
    DrawnText texts_[4];
    int textsValid_ = 0;
    std::uint64_t commits_ = 0;
    std::int64_t lastDamageArea_ = 0;
};
