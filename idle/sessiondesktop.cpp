#include "idle/sessiondesktop.h"

SessionDesktop DesktopOfSession(std::string_view currentDesktop) {
    while (!currentDesktop.empty()) {
        const std::size_t end = currentDesktop.find(':');
        const std::string_view entry = currentDesktop.substr(0, end);
        // The registered desktop names of XDG_CURRENT_DESKTOP, which are case-sensitive.
        if (entry == "GNOME") return SessionDesktop::Gnome;
        if (entry == "KDE") return SessionDesktop::Plasma;
        if (end == std::string_view::npos) break;
        currentDesktop.remove_prefix(end + 1);
    }
    return SessionDesktop::Other;
}

bool DesktopServesScreenSaverName(SessionDesktop desktop) {
    return desktop != SessionDesktop::Other;
}

std::string_view DesktopName(SessionDesktop desktop) {
    switch (desktop) {
        case SessionDesktop::Gnome:
            return "GNOME";
        case SessionDesktop::Plasma:
            return "KDE Plasma";
        case SessionDesktop::Other:
            break;
    }
    return "another desktop";
}
