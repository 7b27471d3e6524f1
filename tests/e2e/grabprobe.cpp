// Whether a locker could take the input now: tries once to grab the keyboard and the pointer,
// as a locker does, lets them go at once, and prints "free" (both taken) or "held" (another
// client holds one of them). Exit code 0 when free, 1 when held, 2 without a display.
#include <X11/Xlib.h>

#include <cstdio>

int main() {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return 2;
    const Window root = DefaultRootWindow(display);
    const int keyboard =
        XGrabKeyboard(display, root, False, GrabModeAsync, GrabModeAsync, CurrentTime);
    const int pointer = XGrabPointer(display, root, False, ButtonPressMask, GrabModeAsync,
                                     GrabModeAsync, None, None, CurrentTime);
    XUngrabPointer(display, CurrentTime);
    XUngrabKeyboard(display, CurrentTime);
    XCloseDisplay(display);
    const bool free = keyboard == GrabSuccess && pointer == GrabSuccess;
    std::puts(free ? "free" : "held");
    return free ? 0 : 1;
}
