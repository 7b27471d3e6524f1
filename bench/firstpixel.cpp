// Measures how long a saver takes from its launch to the first lit pixel below the horizon
// (the road): spawns the command, polls the lower part of the root window, prints milliseconds.
// Usage: velmora-bench-firstpixel TIMEOUT_MS COMMAND [ARGS...]
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

extern char** environ;

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s TIMEOUT_MS COMMAND [ARGS...]\n", argv[0]);
        return 2;
    }
    const int timeoutMs = std::atoi(argv[1]);
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return 1;
    const ::Window root = DefaultRootWindow(display);
    const int width = DisplayWidth(display, DefaultScreen(display));
    const int height = DisplayHeight(display, DefaultScreen(display));
    // Well below the horizon (the middle of the screen), where only road dots and lamps are
    // drawn, and the middle half of the width, which the far rows of the road always cross: a
    // small area, so that polling costs the X server little.
    const int top = height / 2 + height / 20;
    const int left = width / 4;

    const auto start = std::chrono::steady_clock::now();
    pid_t child = 0;
    if (posix_spawn(&child, argv[2], nullptr, nullptr, argv + 2, environ) != 0) return 1;
    double found = -1;
    while (found < 0) {
        const double elapsed =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        if (elapsed > timeoutMs) break;
        XImage* image = XGetImage(display, root, left, top, static_cast<unsigned>(width / 2),
                                  static_cast<unsigned>(height - top), AllPlanes, ZPixmap);
        if (image != nullptr) {
            for (int y = 0; y < image->height && found < 0; ++y)
                for (int x = 0; x < image->width; ++x)
                    if ((XGetPixel(image, x, y) & 0xFFFFFF) != 0) {
                        found = elapsed;
                        break;
                    }
            XDestroyImage(image);
        }
        if (found < 0) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    kill(child, SIGTERM);
    int status = 0;
    waitpid(child, &status, 0);
    XCloseDisplay(display);
    if (found < 0) {
        std::printf("none within %d ms\n", timeoutMs);
        return 1;
    }
    // The time of the capture that first showed the pixel: at most one poll late.
    std::printf("%.0f\n", found);
    return 0;
}
