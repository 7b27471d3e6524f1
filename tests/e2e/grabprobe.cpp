// Who holds the keyboard and the pointer, and which window is on top, for the lockers' tests:
//   velmora-e2e-grabprobe
// tries to grab the keyboard and the pointer (releasing at once what it got) and prints
//   keyboard held|free pointer held|free focus 0xID top 0xID
// where "held" means another client has it grabbed, focus is the window with the keyboard's focus
// (0x1 for PointerRoot) and top the top-most mapped window on the root (0x0 when none). Exits 0
// when both are held, 1 when either is free, 2 without a display.
//   velmora-e2e-grabprobe hold
// grabs the keyboard as a locker would, prints "held" (or "refused", exit 1) and keeps it until
// its standard input ends.
#include <X11/Xlib.h>

#include <cstdio>
#include <cstring>

namespace {

const char* Answer(int grab) {
    return grab == GrabSuccess ? "free" : "held";
}

::Window TopWindow(Display* display) {
    ::Window root, parent, *children = nullptr;
    unsigned int count = 0;
    ::Window top = 0;
    if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count))
        return 0;
    // Children come bottom first.
    for (unsigned int i = count; i-- > 0;) {
        XWindowAttributes attributes;
        if (XGetWindowAttributes(display, children[i], &attributes) &&
            attributes.map_state == IsViewable) {
            top = children[i];
            break;
        }
    }
    if (children != nullptr) XFree(children);
    return top;
}

int Hold(Display* display) {
    const int keyboard = XGrabKeyboard(display, DefaultRootWindow(display), False, GrabModeAsync,
                                       GrabModeAsync, CurrentTime);
    XSync(display, False);
    std::printf("%s\n", keyboard == GrabSuccess ? "held" : "refused");
    std::fflush(stdout);
    if (keyboard != GrabSuccess) return 1;
    while (std::getchar() != EOF) {
    }
    XUngrabKeyboard(display, CurrentTime);
    XCloseDisplay(display);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "grabprobe: no display\n");
        return 2;
    }
    if (argc > 1 && std::strcmp(argv[1], "hold") == 0) return Hold(display);
    const ::Window root = DefaultRootWindow(display);
    const int keyboard =
        XGrabKeyboard(display, root, False, GrabModeAsync, GrabModeAsync, CurrentTime);
    if (keyboard == GrabSuccess) XUngrabKeyboard(display, CurrentTime);
    const int pointer = XGrabPointer(display, root, False, ButtonPressMask, GrabModeAsync,
                                     GrabModeAsync, None, None, CurrentTime);
    if (pointer == GrabSuccess) XUngrabPointer(display, CurrentTime);
    ::Window focus = 0;
    int revert = 0;
    XGetInputFocus(display, &focus, &revert);
    std::printf("keyboard %s pointer %s focus 0x%lx top 0x%lx\n", Answer(keyboard), Answer(pointer),
                focus, TopWindow(display));
    XCloseDisplay(display);
    return keyboard != GrabSuccess && pointer != GrabSuccess ? 0 : 1;
}
