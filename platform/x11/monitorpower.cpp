#include "platform/x11/monitorpower.h"

#include <X11/Xmd.h>
#include <X11/extensions/dpms.h>

bool MonitorsOff(Display* display) {
    int eventBase = 0, errorBase = 0;
    if (!DPMSQueryExtension(display, &eventBase, &errorBase) || !DPMSCapable(display)) return false;
    CARD16 level = DPMSModeOn;
    BOOL enabled = False;
    if (!DPMSInfo(display, &level, &enabled)) return false;
    return enabled && level != DPMSModeOn;
}
