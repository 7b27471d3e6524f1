// A stand-in for a desktop's preview host: a top-level window of the given size whose id is
// printed on stdout; on stdin a line "resize WIDTH HEIGHT" resizes it (as a screen-saver daemon or
// a locker resizes the window it lent a hack), "destroy" destroys it, end of input ends the
// program.
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::cerr << "usage: hostwindow WIDTH HEIGHT [X Y]\n";
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return 1;
    const int x = argc > 4 ? std::atoi(argv[3]) : 100;
    const int y = argc > 4 ? std::atoi(argv[4]) : 100;
    XSetWindowAttributes attributes{};
    attributes.background_pixel = WhitePixel(display, DefaultScreen(display));
    attributes.override_redirect = True;  // placed exactly where asked, window manager or not
    const Window host = XCreateWindow(
        display, DefaultRootWindow(display), x, y, static_cast<unsigned>(std::atoi(argv[1])),
        static_cast<unsigned>(std::atoi(argv[2])), 0, CopyFromParent, InputOutput, CopyFromParent,
        CWBackPixel | CWOverrideRedirect, &attributes);
    XStoreName(display, host, "velmora-e2e-host");
    XMapWindow(display, host);
    XSync(display, False);
    std::cout << host << std::endl;
    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream words(line);
        std::string command;
        unsigned width = 0, height = 0;
        words >> command;
        if (command == "resize" && words >> width >> height && width > 0 && height > 0) {
            XResizeWindow(display, host, width, height);
            XSync(display, False);
            std::cout << "resized" << std::endl;
        } else if (line == "destroy") {
            XDestroyWindow(display, host);
            XSync(display, False);
            std::cout << "destroyed" << std::endl;
        }
    }
    XCloseDisplay(display);
    return 0;
}
