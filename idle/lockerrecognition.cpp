#include "idle/lockerrecognition.h"

#include <algorithm>
#include <array>

namespace {

// Lockers that may hold a session without saying so on a bus.
constexpr std::array<std::string_view, 9> kLockers = {
    "swaylock", "gtklock", "waylock", "hyprlock", "xsecurelock",
    "i3lock",   "slock",   "xlock",   "xtrlock",
};

// ":0" and ":0.0" name the same X display.
std::string_view DisplayOnly(std::string_view x) {
    const std::size_t colon = x.rfind(':');
    const std::size_t dot = x.find('.', colon == std::string_view::npos ? 0 : colon);
    return dot == std::string_view::npos ? x : x.substr(0, dot);
}

}  // namespace

bool LocksThisSession(std::string_view name, const ProgramDisplay& program,
                      const ProgramDisplay& session) {
    if (std::find(kLockers.begin(), kLockers.end(), name) == kLockers.end()) return false;
    if (!session.Wayland.empty()) return program.Wayland == session.Wayland;
    return !session.X.empty() && DisplayOnly(program.X) == DisplayOnly(session.X);
}
