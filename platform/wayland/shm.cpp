#include "platform/wayland/shm.h"

#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include <algorithm>

ShmPool::ShmPool(wl_shm* shm, std::size_t bytes) : Length(bytes), Shared(shm != nullptr) {
    if (bytes == 0) return;
    const int fd = memfd_create("velmora-shm", MFD_CLOEXEC);
    if (fd < 0) return;
    if (ftruncate(fd, static_cast<off_t>(bytes)) == 0) {
        // Not faulted in up front: a buffer that is never used (the spare) never needs memory.
        void* data = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        if (data != MAP_FAILED) {
            Memory = data;
            if (shm != nullptr)
                WlPool = wl_shm_create_pool(shm, fd, static_cast<std::int32_t>(bytes));
        }
    }
    // The compositor has its own copy of the descriptor once the request is sent.
    close(fd);
}

ShmPool::~ShmPool() {
    if (WlPool != nullptr) wl_shm_pool_destroy(WlPool);
    if (Memory != nullptr) munmap(Memory, Length);
}

void ShmPool::Populate(std::size_t offset, std::size_t bytes) const {
#ifdef MADV_POPULATE_WRITE
    if (Memory == nullptr || offset >= Length) return;
    // Whole pages only: the pool starts on one and buffers are large.
    const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    const std::size_t start = offset / page * page;
    const std::size_t end = std::min(offset + bytes, Length);
    madvise(static_cast<std::uint8_t*>(Memory) + start, end - start, MADV_POPULATE_WRITE);
#else
    (void)offset;
    (void)bytes;
#endif
}

wl_buffer* ShmPool::CreateBuffer(std::size_t offset, std::int32_t width, std::int32_t height) {
    if (WlPool == nullptr) return nullptr;
    return wl_shm_pool_create_buffer(WlPool, static_cast<std::int32_t>(offset), width, height,
                                     width * 4, WL_SHM_FORMAT_ARGB8888);
}
