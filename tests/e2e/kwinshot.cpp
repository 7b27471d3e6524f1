// velmora-e2e-kwinshot: a screenshot of one of KWin's outputs, or of its whole workspace, through
// its ScreenShot2 interface on the session bus, written as a PPM picture. KWin answers only the
// programs it trusts: run it with KWIN_SCREENSHOT_NO_PERMISSION_CHECKS=1.
// Usage: velmora-e2e-kwinshot OUTPUT|--workspace FILE.ppm
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Picture {
    std::uint32_t Width = 0, Height = 0, Stride = 0, Format = 0;
};

// The answer's a{sv}: the picture's size, its row length and QImage format.
int ReadPicture(sd_bus_message* reply, Picture& picture) {
    int r = sd_bus_message_enter_container(reply, 'a', "{sv}");
    if (r < 0) return r;
    while ((r = sd_bus_message_enter_container(reply, 'e', "sv")) > 0) {
        const char* key = nullptr;
        if ((r = sd_bus_message_read(reply, "s", &key)) < 0) return r;
        std::uint32_t* field = nullptr;
        if (std::strcmp(key, "width") == 0) field = &picture.Width;
        if (std::strcmp(key, "height") == 0) field = &picture.Height;
        if (std::strcmp(key, "stride") == 0) field = &picture.Stride;
        if (std::strcmp(key, "format") == 0) field = &picture.Format;
        if (field != nullptr && sd_bus_message_verify_type(reply, 'v', "u") > 0) {
            if ((r = sd_bus_message_read(reply, "v", "u", field)) < 0) return r;
        } else if ((r = sd_bus_message_skip(reply, "v")) < 0) {
            return r;
        }
        if ((r = sd_bus_message_exit_container(reply)) < 0) return r;
    }
    if (r < 0) return r;
    return sd_bus_message_exit_container(reply);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: velmora-e2e-kwinshot OUTPUT|--workspace FILE.ppm\n");
        return 2;
    }
    const bool workspace = std::strcmp(argv[1], "--workspace") == 0;
    int fds[2];
    if (pipe(fds) != 0) return 1;
    // KWin writes the pixels once it has answered; they are read meanwhile so that a full pipe
    // never holds either side.
    std::vector<unsigned char> pixels;
    std::thread reader([&pixels, fd = fds[0]] {
        unsigned char chunk[65536];
        for (ssize_t n; (n = read(fd, chunk, sizeof chunk)) > 0;)
            pixels.insert(pixels.end(), chunk, chunk + n);
        close(fd);
    });
    sd_bus* bus = nullptr;
    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message* reply = nullptr;
    int r = sd_bus_open_user(&bus);
    if (r >= 0) {
        if (workspace)
            r = sd_bus_call_method(bus, "org.kde.KWin", "/org/kde/KWin/ScreenShot2",
                                   "org.kde.KWin.ScreenShot2", "CaptureWorkspace", &error, &reply,
                                   "a{sv}h", 0, fds[1]);
        else
            r = sd_bus_call_method(bus, "org.kde.KWin", "/org/kde/KWin/ScreenShot2",
                                   "org.kde.KWin.ScreenShot2", "CaptureScreen", &error, &reply,
                                   "sa{sv}h", argv[1], 0, fds[1]);
    }
    // sd-bus sent a copy of the descriptor: the pipe ends when KWin closes its own.
    close(fds[1]);
    Picture picture;
    if (r >= 0) r = ReadPicture(reply, picture);
    reader.join();
    if (r < 0) {
        std::fprintf(stderr, "velmora-e2e-kwinshot: %s\n",
                     error.message != nullptr ? error.message : std::strerror(-r));
        return 1;
    }
    // QImage's 32-bit formats (RGB32, ARGB32 and its premultiplied form) lie in memory as
    // B, G, R, A on a little-endian machine.
    if (picture.Format < 4 || picture.Format > 6 || picture.Stride < picture.Width * 4 ||
        pixels.size() < static_cast<std::size_t>(picture.Stride) * picture.Height) {
        std::fprintf(stderr, "velmora-e2e-kwinshot: %ux%u format %u stride %u, %zu bytes\n",
                     picture.Width, picture.Height, picture.Format, picture.Stride, pixels.size());
        return 1;
    }
    FILE* out = std::fopen(argv[2], "wb");
    if (out == nullptr) return 1;
    std::fprintf(out, "P6\n%u %u\n255\n", picture.Width, picture.Height);
    std::vector<unsigned char> row(picture.Width * 3);
    for (std::uint32_t y = 0; y < picture.Height; ++y) {
        const unsigned char* in = pixels.data() + static_cast<std::size_t>(y) * picture.Stride;
        for (std::uint32_t x = 0; x < picture.Width; ++x) {
            row[x * 3] = in[x * 4 + 2];
            row[x * 3 + 1] = in[x * 4 + 1];
            row[x * 3 + 2] = in[x * 4];
        }
        std::fwrite(row.data(), 1, row.size(), out);
    }
    std::fclose(out);
    sd_bus_message_unref(reply);
    sd_bus_error_free(&error);
    sd_bus_unref(bus);
    return 0;
}
