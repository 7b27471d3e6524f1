// <windows.h> for the backends, without the A/W macros that collide with the program's own names
// (DrawingSurface::TextOut would otherwise become TextOutA).
#pragma once

#include <windows.h>

#undef TextOut
#undef MessageBox
#undef FormatMessage
#undef SetPort
#undef ChangeDisplaySettings
#undef FindWindow
