// SessionDesktop: the desktop velmora-idle runs in, as the session names it (XDG_CURRENT_DESKTOP),
// for one choice: whether to offer org.freedesktop.ScreenSaver on the session bus at all.
#pragma once

#include <cstdint>
#include <string_view>

enum class SessionDesktop : std::uint8_t { Other, Gnome, Plasma };

// From XDG_CURRENT_DESKTOP, a colon-separated list ("ubuntu:GNOME", "KDE"); Other when it names
// neither, or is not set.
SessionDesktop DesktopOfSession(std::string_view currentDesktop);

// True for the desktops whose own service takes org.freedesktop.ScreenSaver: GNOME's settings
// daemon (its screen-saver proxy, which hands players' inhibits to the session manager) and
// Plasma's screen locker (which hands them to PowerDevil). Neither asks to replace an owner:
// GNOME's queues behind one, Plasma's gives up. So velmora-idle, however early it starts, leaves
// the name to them there and follows their answer instead.
bool DesktopServesScreenSaverName(SessionDesktop desktop);

// "GNOME", "KDE Plasma", for the daemon's report.
std::string_view DesktopName(SessionDesktop desktop);
