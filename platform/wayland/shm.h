// Shared-memory pools for wl_shm buffers.
#pragma once

#include <cstddef>
#include <cstdint>

struct wl_shm;
struct wl_shm_pool;
struct wl_buffer;

// A pool of `bytes` zeroed bytes, mapped here and shared with the compositor. Pages take memory
// only once written (or read): untouched buffers cost nothing. Without `shm` the memory is the
// same but shared with nobody (no compositor, as in tests).
class ShmPool {
  public:
    ShmPool(wl_shm* shm, std::size_t bytes);
    ~ShmPool();
    ShmPool(const ShmPool&) = delete;
    ShmPool& operator=(const ShmPool&) = delete;

    bool Valid() const { return Memory != nullptr && (WlPool != nullptr || !Shared); }
    std::uint8_t* Data() const { return static_cast<std::uint8_t*>(Memory); }
    std::size_t Bytes() const { return Length; }
    // An ARGB8888 buffer of the pool at `offset`; null on failure or when shared with nobody.
    wl_buffer* CreateBuffer(std::size_t offset, std::int32_t width, std::int32_t height);
    // Gives `bytes` from `offset` their memory at once, ahead of writing all of them: one call
    // instead of a page fault for each page (a 4K buffer is 8100 pages). Harmless where the
    // system cannot.
    void Populate(std::size_t offset, std::size_t bytes) const;

  private:
    wl_shm_pool* WlPool = nullptr;
    void* Memory = nullptr;
    std::size_t Length = 0;
    bool Shared = false;
};
