#include "platform/win32/instance.h"

#include <string>

#include "platform/win32/win.h"

MarkerId Win32InstanceMarker::Find(std::string_view name) {
    return GlobalFindAtomA(std::string(name).c_str());
}

MarkerId Win32InstanceMarker::Add(std::string_view name) {
    return GlobalAddAtomA(std::string(name).c_str());
}

void Win32InstanceMarker::Delete(MarkerId atom) {
    GlobalDeleteAtom(atom);
}

WindowHandle Win32WindowFinder::FindWindow(std::string_view title) {
    return reinterpret_cast<WindowHandle>(FindWindowA(nullptr, std::string(title).c_str()));
}

void Win32WindowFinder::SetForegroundWindow(WindowHandle window) {
    ::SetForegroundWindow(reinterpret_cast<HWND>(window));
}
