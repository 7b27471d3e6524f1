#include "platform/wayland/displaymodes.h"

#include "platform/wayland/window.h"

namespace {
// Shared-memory buffers hold 32-bit pixels.
constexpr std::uint32_t kBitsPerPixel = 32;
}  // namespace

bool WaylandDisplayModes::CurrentMode(DisplayMode& mode) {
    const OutputInfo& output = Window.DriveOutput();
    const Size32 size = PhysicalSize(output);
    if (size.Width <= 0 || size.Height <= 0) return false;
    mode.Width = static_cast<std::uint32_t>(size.Width);
    mode.Height = static_cast<std::uint32_t>(size.Height);
    mode.BitsPerPixel = kBitsPerPixel;
    mode.Frequency = static_cast<std::uint32_t>((output.RefreshMilliHz + 500) / 1000);
    return true;
}

long WaylandDisplayModes::ChangeDisplaySettings(const DisplayModeRequest& mode) {
    const Size32 size = PhysicalSize(Window.DriveOutput());
    const bool own = static_cast<std::int32_t>(mode.Width) == size.Width &&
                     static_cast<std::int32_t>(mode.Height) == size.Height;
    Window.ShowSceneScaled(!own);
    return 0;
}
