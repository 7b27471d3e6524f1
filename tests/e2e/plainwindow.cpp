// velmora-e2e-window: an ordinary Wayland window filled with white (an xdg toplevel, app id
// velmora-e2e-window), for the tests to see what covers what. Prints "shown" once the compositor
// has configured it and its picture is committed, then "focus" and "key CODE" lines when it gets
// the keyboard or a key. Ends at the end of its standard input or when the compositor closes it.
// Usage: velmora-e2e-window WIDTH HEIGHT
#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "waylandclient.h"
#include "xdg-shell-client-protocol.h"

namespace {

struct Window {
    // The compositor's globals.
    wl_compositor* Compositor = nullptr;
    wl_shm* Shm = nullptr;
    wl_seat* Seat = nullptr;
    xdg_wm_base* Shell = nullptr;
    // The window: its size, surface and picture.
    int Width = 0, Height = 0;
    wl_surface* Surface = nullptr;
    wl_buffer* Picture = nullptr;
    bool Shown = false, Closed = false;
};

void Ping(void*, xdg_wm_base* shell, std::uint32_t serial) {
    xdg_wm_base_pong(shell, serial);
}
const xdg_wm_base_listener kShell = {.ping = Ping};

void Keymap(void*, wl_keyboard*, std::uint32_t, std::int32_t fd, std::uint32_t) {
    close(fd);
}
void Enter(void*, wl_keyboard*, std::uint32_t, wl_surface*, wl_array*) {
    std::printf("focus\n");
    std::fflush(stdout);
}
void Leave(void*, wl_keyboard*, std::uint32_t, wl_surface*) {}
void Key(void*, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t key,
         std::uint32_t state) {
    if (state != WL_KEYBOARD_KEY_STATE_PRESSED) return;
    std::printf("key %u\n", key);
    std::fflush(stdout);
}
void Modifiers(void*, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t,
               std::uint32_t) {}
void RepeatInfo(void*, wl_keyboard*, std::int32_t, std::int32_t) {}
const wl_keyboard_listener kKeyboard = {.keymap = Keymap,
                                        .enter = Enter,
                                        .leave = Leave,
                                        .key = Key,
                                        .modifiers = Modifiers,
                                        .repeat_info = RepeatInfo};

// A white picture of the window's size, from a memory file.
wl_buffer* WhitePicture(wl_shm* shm, int width, int height) {
    const int stride = width * 4, bytes = stride * height;
    const int fd = memfd_create("velmora-e2e-window", MFD_CLOEXEC);
    if (fd < 0 || ftruncate(fd, bytes) != 0) return nullptr;
    void* pixels = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (pixels == MAP_FAILED) return nullptr;
    std::memset(pixels, 0xff, bytes);
    munmap(pixels, bytes);
    wl_shm_pool* pool = wl_shm_create_pool(shm, fd, bytes);
    wl_buffer* buffer =
        wl_shm_pool_create_buffer(pool, 0, width, height, stride, WL_SHM_FORMAT_XRGB8888);
    wl_shm_pool_destroy(pool);
    close(fd);
    return buffer;
}

void Configure(void* data, xdg_surface* surface, std::uint32_t serial) {
    auto& w = *static_cast<Window*>(data);
    xdg_surface_ack_configure(surface, serial);
    if (w.Shown) return;
    wl_surface_attach(w.Surface, w.Picture, 0, 0);
    wl_surface_damage(w.Surface, 0, 0, w.Width, w.Height);
    wl_surface_commit(w.Surface);
    w.Shown = true;
    std::printf("shown\n");
    std::fflush(stdout);
}
const xdg_surface_listener kSurface = {.configure = Configure};

void ToplevelConfigure(void*, xdg_toplevel*, std::int32_t, std::int32_t, wl_array*) {}
void Close(void* data, xdg_toplevel*) {
    static_cast<Window*>(data)->Closed = true;
}
void Bounds(void*, xdg_toplevel*, std::int32_t, std::int32_t) {}
void Capabilities(void*, xdg_toplevel*, wl_array*) {}
const xdg_toplevel_listener kToplevel = {.configure = ToplevelConfigure,
                                         .close = Close,
                                         .configure_bounds = Bounds,
                                         .wm_capabilities = Capabilities};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: velmora-e2e-window WIDTH HEIGHT\n");
        return 2;
    }
    Window w{.Width = std::atoi(argv[1]), .Height = std::atoi(argv[2])};
    wl_display* display = e2e::ConnectAndBind(
        "velmora-e2e-window",
        {e2e::Want(wl_compositor_interface, 4, w.Compositor), e2e::Want(wl_shm_interface, 1, w.Shm),
         e2e::Want(wl_seat_interface, 1, w.Seat), e2e::Want(xdg_wm_base_interface, 1, w.Shell)});
    if (display == nullptr) return 1;
    if (w.Compositor == nullptr || w.Shm == nullptr || w.Shell == nullptr) {
        std::fprintf(stderr, "velmora-e2e-window: no xdg-shell on shared memory\n");
        return 1;
    }
    xdg_wm_base_add_listener(w.Shell, &kShell, nullptr);
    if (w.Seat != nullptr) wl_keyboard_add_listener(wl_seat_get_keyboard(w.Seat), &kKeyboard, &w);
    w.Picture = WhitePicture(w.Shm, w.Width, w.Height);
    if (w.Picture == nullptr) return 1;
    w.Surface = wl_compositor_create_surface(w.Compositor);
    xdg_surface* role = xdg_wm_base_get_xdg_surface(w.Shell, w.Surface);
    xdg_surface_add_listener(role, &kSurface, &w);
    xdg_toplevel* toplevel = xdg_surface_get_toplevel(role);
    xdg_toplevel_add_listener(toplevel, &kToplevel, &w);
    xdg_toplevel_set_app_id(toplevel, "velmora-e2e-window");
    xdg_toplevel_set_title(toplevel, "velmora-e2e-window");
    // A fixed size: tiling compositors float it rather than stretch it.
    xdg_toplevel_set_min_size(toplevel, w.Width, w.Height);
    xdg_toplevel_set_max_size(toplevel, w.Width, w.Height);
    wl_surface_commit(w.Surface);
    pollfd fds[2] = {{wl_display_get_fd(display), POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
    while (!w.Closed) {
        while (wl_display_prepare_read(display) != 0) wl_display_dispatch_pending(display);
        wl_display_flush(display);
        if (poll(fds, 2, -1) < 0) {
            wl_display_cancel_read(display);
            break;
        }
        if ((fds[0].revents & POLLIN) != 0) {
            if (wl_display_read_events(display) < 0) break;
        } else {
            wl_display_cancel_read(display);
        }
        if (wl_display_dispatch_pending(display) < 0 || (fds[0].revents & (POLLERR | POLLHUP)))
            break;
        char line[256];
        if ((fds[1].revents & (POLLIN | POLLHUP)) != 0 &&
            read(STDIN_FILENO, line, sizeof line) <= 0)
            break;
    }
    wl_display_disconnect(display);
    return 0;
}
