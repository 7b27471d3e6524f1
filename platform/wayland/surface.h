// WaylandSurface: the drive's DrawingSurface on Wayland. The scene draws straight into a
// shared-memory buffer the compositor does not hold, first brought up to date by copying from the
// buffer shown last just what changed since it was last drawn; each flush commits it with only
// the changed pixels damaged. Magnified, the scene keeps a picture of its own size and each flush
// enlarges what changed into the buffer as blocks (see PixelBlocks), damaging just those blocks.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/color.h"
#include "platform/memory/surface.h"
#include "platform/memory/textengine.h"
#include "platform/surface.h"
#include "platform/wayland/bannertextcache.h"
#include "platform/wayland/bufferslots.h"
#include "platform/wayland/damage.h"
#include "platform/wayland/drawntiles.h"
#include "platform/wayland/outputs.h"
#include "platform/wayland/pixelblocks.h"
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

    // The scene's size; the picture starts black. Before the buffers are set.
    void SetViewSize(std::int32_t width, std::int32_t height);
    // Buffers of `size` for `target`, which take over what was drawn so far. Before frames run,
    // or while they are held. False when the compositor's memory could not be had. Without
    // `shm` and `target` the buffers are plain memory and commits only bookkeeping.
    bool SetBuffers(wl_shm* shm, wl_surface* target, Size32 size);
    // The scene enlarged over the whole buffer, each dot a solid block, as a display mode of the
    // scene's size would show it (true); or one dot to one pixel from the corner. What was drawn
    // so far is kept. Allocates: before frames run, or while they are held.
    void SetMagnified(bool magnified);
    bool Magnified() const { return BlocksOn; }
    // The scene dot shown at a buffer pixel.
    void BufferToScene(std::int32_t x, std::int32_t y, std::int32_t& sceneX,
                       std::int32_t& sceneY) const;
    // Commits the buffer drawn into with what changed since the last commit damaged.
    void Present();
    // The next commit damages the whole buffer: the compositor has shown the surface anew (a
    // configure), and what it kept of it may be stale. Safe from any thread.
    void DamageAllNext() { DamageAll.store(true, std::memory_order_relaxed); }

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
        return Changes;
    }
    // For figures and tests: commits made, and the pixels damaged by the last one.
    std::uint64_t Commits() const { return CommitCount; }
    std::int64_t LastDamageArea() const { return LastDamaged; }
    // The newest picture's colour (0x00RRGGBB) at a scene dot.
    std::uint32_t Pixel(std::int32_t x, std::int32_t y) const;
    // A buffer's own colour, and which buffers are drawn into and shown (-1: none).
    std::uint32_t BufferPixel(int slot, std::int32_t x, std::int32_t y) const;
    int DrawingSlot() const { return Drawing; }
    int ShownSlot() const { return Shown; }
    // The buffers' memory, null before they are set.
    const ShmPool* Pool() const { return BufferPool.get(); }

    // While frames run they read the compositor's events off the connection at each frame, for
    // the window too, whose loop then need not wake for the buffers given back each frame. What
    // is read for the window waits on its queue, and its loop is woken through `fd` (an eventfd)
    // to handle it. The window's thread sets both.
    void ReadForWindow(int fd) { HandoffFd = fd; }
    void SetFramesRead(bool read) { FramesRead.store(read, std::memory_order_relaxed); }
    // Whether frames run to read the connection for the window now: they were told to and one
    // ran within `stale`; `left` is then the time until that runs out. Safe from any thread.
    bool FramesReading(std::chrono::steady_clock::time_point now, std::chrono::milliseconds stale,
                       std::chrono::milliseconds& left) const;
    // The window's loop leaves the connection to the frames (true) or watches it itself (false)
    // from now on. Frames read only while it is left to them: a read waits for every thread
    // that has prepared to read, and the loop prepares before it watches.
    void LeaveConnection(bool left);

    // The compositor gave a buffer back.
    static void OnRelease(void* data, wl_buffer* buffer);
    void BufferReleased(int slot) {
        Slots.Released(slot);
        NoBuffer = false;
        AnyReleased = true;
    }

  private:
    struct Buffer {
        WaylandSurface* Owner = nullptr;
        wl_buffer* Handle = nullptr;
        std::uint32_t* Pixels = nullptr;
        int Slot = 0;
        bool Black = false;  // written opaque black all over
    };
    // Writes the whole buffer opaque black: once, before it is first drawn into.
    void Blacken(Buffer& buffer) const;
    // A buffer to draw into, caught up with the one shown; false when there is none. Waited for
    // once a frame: a frame without one draws nothing more until a buffer comes back or the
    // next frame, rather than wait again at each of its dots (and hold up a close meanwhile).
    bool Begin() { return Drawing >= 0 || (!NoBuffer && BeginFrame()); }
    bool BeginFrame();
    // Waits up to `wait` for the compositor to give a buffer back (the spare counting only with
    // `spare`); false when none came.
    bool WaitForRelease(std::chrono::milliseconds wait, bool spare);
    void Changed(Rect32 rect);
    // Turns every lit pixel of the buffer drawn into black, gathering each as changed.
    void ChangedToBlack();
    void Copy(const Buffer& to, const Buffer& from, const Rect32& rect) const;
    void CatchUp(int slot);
    // The pixels drawn into now and their row length: the scene's own picture when magnified.
    std::uint32_t* DrawPixels(std::ptrdiff_t& stride);
    // Commits the scene enlarged: into a buffer the compositor does not hold, what it lacks and
    // what changed are enlarged from the scene's picture, and the changed blocks are damaged.
    void PresentMagnified(bool all);
    // Damages what changed (in buffer pixels: blocks when enlarged), or the whole buffer when
    // everything did or `all`; notes the area damaged.
    void DamageChanges(bool all);
    // Attaches the buffer in `slot` and commits it; what changed is now the slot's picture.
    void CommitBuffer(int slot);
    // The scene dots of `area` enlarged into `buffer` (whole: all that was ever drawn on).
    void Enlarge(const Buffer& buffer, const DamageList& area);
    // The buffer a commit may go to, waiting a little for one; -1 for none.
    int AcquireForCommit();
    // Reads what the compositor has sent, without waiting, once a frame while frames read for
    // the window; buffers given back are handled here, and the window's loop is woken for the
    // rest.
    void ReadConnection();
    // Wakes the window's loop when events wait on its queue (or the connection failed).
    void HandOffWindowEvents();
    void HandOff();
    // Every buffer is blackened again before its next use and lacks the whole picture.
    void Repaint();
    // The last pixel set is held back until the next operation: a dot erased and drawn again
    // where it was has not changed.
    void ReleaseHeldPixel();
    void DropBuffers(std::vector<Buffer>& buffers);

    wl_display* WlDisplay;
    const SystemColorSource& Colors;
    TextEngine* Text;
    wl_event_queue* Queue = nullptr;
    wl_surface* TargetSurface = nullptr;
    MemorySurface Draw;  // drawing into the buffer drawn into
    std::int32_t Width = 0, Height = 0;
    Size32 BufferSize;
    std::int32_t DrawWidth = 0, DrawHeight = 0;  // where view and buffers overlap
    int Drawing = -1, Shown = -1;
    DrawnTiles Drawn;  // what was ever drawn on: elsewhere every buffer is still black
    std::unique_ptr<ShmPool> BufferPool;
    std::vector<Buffer> Buffers;
    BufferSlots Slots;
    DamageList Changes;  // since the last commit, exactly
    DamageList Damage;   // the same, joined into a few rectangles for the compositor
    // The last commit's change, with the value of each single dot of it: all that the buffer
    // committed before it lacks, written without reading the buffer shown.
    DamageList LastChange;
    std::vector<std::uint32_t> LastValues;
    int PreviousShown = -1;
    std::atomic<bool> DamageAll{false};
    bool BuffersCommitted = false;
    bool AnyReleased = false;  // the compositor has given one of these buffers back
    bool NoBuffer = false;     // this frame found no buffer to draw into
    bool Holding = false;
    std::int32_t HeldX = 0, HeldY = 0;
    std::uint32_t HeldWas = 0;
    ColorValue Brush = 0;
    int FontPoints = 0;
    bool BlocksOn = false;
    PixelBlocks Blocks;
    std::vector<std::uint32_t> Scene;  // the scene's picture while magnified
    BannerTextCache Texts;             // a text drawn again where it stands is not drawn again
    std::uint64_t CommitCount = 0;
    std::int64_t LastDamaged = 0;
    int HandoffFd = -1;
    std::atomic<bool> FramesRead{false};
    bool ReadThisFrame = false;
    // When a frame last ran, in steady-clock ticks.
    std::atomic<std::chrono::steady_clock::rep> LastFrame{0};
    std::mutex ReadLock;
    bool ConnectionLeft = false;  // under ReadLock
};
