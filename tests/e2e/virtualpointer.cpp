// velmora-e2e-pointer: a pointer of the test's own on a wlroots compositor (sway), which offers
// virtual pointers to its clients. The two interfaces are declared here from the protocol's
// published signatures rather than generated, so the test needs no protocol file of its own.
// Usage: velmora-e2e-pointer ACTION...   or, with no action, one line of actions at a time from
// standard input, each answered with "ok" once the compositor has them; ACTION is
//   at X Y W H    absolute motion to (X, Y) of a W x H layout
//   by DX DY      relative motion
//   click         left button pressed and released
//   wheel         one step of the vertical wheel
//   wait MS       a pause
#include <linux/input-event-codes.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "waylandclient.h"

extern "C" {
extern const wl_interface zwlr_virtual_pointer_v1_interface;
extern const wl_interface zwlr_virtual_pointer_manager_v1_interface;
}

namespace {

// Message signatures: "u" uint, "f" fixed, "o" object ("?" may be null), "n" new id.
const wl_interface* kNone[8] = {};
const wl_interface* kCreateTypes[] = {&wl_seat_interface, &zwlr_virtual_pointer_v1_interface};

const wl_message kManagerRequests[] = {
    {"create_virtual_pointer", "?on", kCreateTypes},
    {"destroy", "", kNone},
};
const wl_message kPointerRequests[] = {
    {"motion", "uff", kNone},   {"motion_absolute", "uuuuu", kNone},
    {"button", "uuu", kNone},   {"axis", "uuf", kNone},
    {"frame", "", kNone},       {"axis_source", "u", kNone},
    {"axis_stop", "uu", kNone}, {"axis_discrete", "uufi", kNone},
    {"destroy", "", kNone},
};

enum PointerRequest { Motion, MotionAbsolute, Button, Axis, Frame, AxisSource, AxisStop };

std::uint32_t Now() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<std::uint32_t>(t.tv_sec * 1000 + t.tv_nsec / 1000000);
}

}  // namespace

extern "C" {
const wl_interface zwlr_virtual_pointer_v1_interface = {"zwlr_virtual_pointer_v1", 1, 9,
                                                        kPointerRequests,          0, nullptr};
const wl_interface zwlr_virtual_pointer_manager_v1_interface = {
    "zwlr_virtual_pointer_manager_v1", 1, 2, kManagerRequests, 0, nullptr};
}

int main(int argc, char** argv) {
    wl_seat* seat = nullptr;
    wl_proxy* manager = nullptr;
    wl_display* display = e2e::ConnectAndBind(
        "velmora-e2e-pointer", {e2e::Want(wl_seat_interface, 1, seat),
                                e2e::Want(zwlr_virtual_pointer_manager_v1_interface, 1, manager)});
    if (display == nullptr) return 1;
    if (manager == nullptr) {
        std::fprintf(stderr, "velmora-e2e-pointer: the compositor offers no virtual pointers\n");
        return 1;
    }
    wl_proxy* pointer =
        wl_proxy_marshal_constructor(manager, 0, &zwlr_virtual_pointer_v1_interface, seat, nullptr);
    wl_display_roundtrip(display);
    const auto run = [&](const std::vector<std::string>& words) {
        for (std::size_t i = 0; i < words.size(); ++i) {
            const std::string& action = words[i];
            const auto number = [&](std::size_t k) {
                return static_cast<std::uint32_t>(std::atoi(words[i + k].c_str()));
            };
            if (action == "at" && i + 4 < words.size()) {
                wl_proxy_marshal(pointer, MotionAbsolute, Now(), number(1), number(2), number(3),
                                 number(4));
                i += 4;
            } else if (action == "by" && i + 2 < words.size()) {
                wl_proxy_marshal(pointer, Motion, Now(),
                                 wl_fixed_from_int(std::atoi(words[i + 1].c_str())),
                                 wl_fixed_from_int(std::atoi(words[i + 2].c_str())));
                i += 2;
            } else if (action == "click") {
                wl_proxy_marshal(pointer, Button, Now(), BTN_LEFT, WL_POINTER_BUTTON_STATE_PRESSED);
                wl_proxy_marshal(pointer, Frame);
                wl_proxy_marshal(pointer, Button, Now(), BTN_LEFT,
                                 WL_POINTER_BUTTON_STATE_RELEASED);
            } else if (action == "wheel") {
                wl_proxy_marshal(pointer, AxisSource, WL_POINTER_AXIS_SOURCE_WHEEL);
                wl_proxy_marshal(pointer, Axis, Now(), WL_POINTER_AXIS_VERTICAL_SCROLL,
                                 wl_fixed_from_int(10));
            } else if (action == "wait" && i + 1 < words.size()) {
                usleep(number(1) * 1000);
                ++i;
                continue;
            } else {
                std::fprintf(stderr, "velmora-e2e-pointer: cannot do '%s'\n", action.c_str());
                return false;
            }
            wl_proxy_marshal(pointer, Frame);
            wl_display_roundtrip(display);
        }
        return true;
    };
    if (const int status = e2e::RunActions(argc, argv, run); status != 0) return status;
    wl_proxy_marshal(pointer, 8);  // destroy
    wl_display_roundtrip(display);
    wl_display_disconnect(display);
    return 0;
}
