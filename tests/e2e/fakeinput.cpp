// velmora-e2e-fakeinput: a keyboard and a pointer of the test's own on KWin, through its fake
// input protocol (org_kde_kwin_fake_input). KWin lets only the clients it trusts bind it: run
// KWin with KWIN_WAYLAND_NO_PERMISSION_CHECKS=1, or name this program in a desktop file's
// X-KDE-Wayland-Interfaces.
// Usage: velmora-e2e-fakeinput ACTION...   or, with no action, one line of actions at a time from
// standard input, each answered with "ok" once the compositor has them; ACTION is
//   at X Y        absolute motion to (X, Y) of the desktop
//   by DX DY      relative motion
//   click         left button pressed and released
//   key CODE      a key (a Linux key code, as in linux/input-event-codes.h) pressed and released
//   wait MS       a pause
#include <linux/input-event-codes.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "fake-input-client-protocol.h"
#include "waylandclient.h"

int main(int argc, char** argv) {
    org_kde_kwin_fake_input* input = nullptr;
    wl_display* display = e2e::ConnectAndBind(
        "velmora-e2e-fakeinput", {e2e::Want(org_kde_kwin_fake_input_interface, 4, input)});
    if (display == nullptr) return 1;
    if (input == nullptr) {
        std::fprintf(stderr, "velmora-e2e-fakeinput: the compositor offers no fake input (v4)\n");
        return 1;
    }
    org_kde_kwin_fake_input_authenticate(input, "velmora-e2e", "end-to-end tests");
    wl_display_roundtrip(display);
    const auto run = [&](const std::vector<std::string>& words) {
        for (std::size_t i = 0; i < words.size(); ++i) {
            const std::string& action = words[i];
            const auto number = [&](std::size_t k) { return std::atoi(words[i + k].c_str()); };
            if (action == "at" && i + 2 < words.size()) {
                org_kde_kwin_fake_input_pointer_motion_absolute(input, wl_fixed_from_int(number(1)),
                                                                wl_fixed_from_int(number(2)));
                i += 2;
            } else if (action == "by" && i + 2 < words.size()) {
                org_kde_kwin_fake_input_pointer_motion(input, wl_fixed_from_int(number(1)),
                                                       wl_fixed_from_int(number(2)));
                i += 2;
            } else if (action == "click") {
                org_kde_kwin_fake_input_button(input, BTN_LEFT, WL_POINTER_BUTTON_STATE_PRESSED);
                org_kde_kwin_fake_input_button(input, BTN_LEFT, WL_POINTER_BUTTON_STATE_RELEASED);
            } else if (action == "key" && i + 1 < words.size()) {
                const auto code = static_cast<std::uint32_t>(number(1));
                org_kde_kwin_fake_input_keyboard_key(input, code, WL_KEYBOARD_KEY_STATE_PRESSED);
                org_kde_kwin_fake_input_keyboard_key(input, code, WL_KEYBOARD_KEY_STATE_RELEASED);
                ++i;
            } else if (action == "wait" && i + 1 < words.size()) {
                usleep(static_cast<useconds_t>(number(1)) * 1000);
                ++i;
                continue;
            } else {
                std::fprintf(stderr, "velmora-e2e-fakeinput: cannot do '%s'\n", action.c_str());
                return false;
            }
            if (wl_display_roundtrip(display) < 0) {
                std::fprintf(stderr, "velmora-e2e-fakeinput: the compositor refused '%s'\n",
                             action.c_str());
                return false;
            }
        }
        return true;
    };
    if (const int status = e2e::RunActions(argc, argv, run); status != 0) return status;
    wl_display_disconnect(display);
    return 0;
}
