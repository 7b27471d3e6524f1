// The single-instance marker (a global atom on Windows) and the lookup of a running instance's
// window.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/window.h"

using MarkerId = std::uint16_t;  // 0 = none

class InstanceMarker {
  public:
    virtual ~InstanceMarker() = default;
    // Non-zero when an instance has registered `name` (compared without regard to case).
    virtual MarkerId Find(std::string_view name) = 0;
    // Registers `name` for this process; 0 on failure.
    virtual MarkerId Add(std::string_view name) = 0;
    // Deletes a marker returned by Find or Add. A marker that cannot go stale (one tied to the
    // life of its process) is only released by its owner.
    virtual void Delete(MarkerId atom) = 0;
};

class WindowFinder {
  public:
    virtual ~WindowFinder() = default;
    // The first top-level window of any class whose title equals `title` without regard to
    // case; 0 when there is none.
    virtual WindowHandle FindWindow(std::string_view title) = 0;
    virtual void SetForegroundWindow(WindowHandle window) = 0;
};
