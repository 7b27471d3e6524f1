// Lockers velmora-idle recognises among the user's running programs: a screen locker that tells
// no bus it has locked (swaylock on sway, i3lock, slock...) is known by its program name and by
// the display it runs on, which must be this session's.
#pragma once

#include <string_view>

// The display a program runs on, from its environment.
struct ProgramDisplay {
    std::string_view Wayland;  // WAYLAND_DISPLAY, empty when not set
    std::string_view X;        // DISPLAY, empty when not set
};

// True when `name` (the program's own name, as /proc/PID/comm gives it) is a known screen locker
// and `program` runs on the session's display: Wayland's when the session has one, else X's.
bool LocksThisSession(std::string_view name, const ProgramDisplay& program,
                      const ProgramDisplay& session);
