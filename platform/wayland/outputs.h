// What the saver knows of a Wayland output, and the arithmetic between output sizes, the scene
// and the buffers shown on it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "platform/surface.h"

struct Size32 {
    std::int32_t Width = 0, Height = 0;
    bool operator==(const Size32&) const = default;
};

struct OutputInfo {
    std::string Name;            // the compositor's name for it; empty when not told
    std::int32_t X = 0, Y = 0;   // top-left corner in the compositor's logical space
    Size32 Logical;              // logical size when the compositor tells it; else 0
    Size32 Mode;                 // current mode in the panel's own orientation
    std::int32_t Transform = 0;  // wl_output transform: odd values turn by a quarter
    std::int32_t Scale = 1;      // the output's integer scale
    std::int32_t RefreshMilliHz = 0;
};

// The output's size in physical pixels as shown (a quarter turn swaps width and height).
Size32 PhysicalSize(const OutputInfo& output);
// Its size in logical pixels: as told, else the physical size over the scale.
Size32 LogicalSize(const OutputInfo& output);
// Where it lies on the desktop, in logical pixels.
Rect32 LogicalBounds(const OutputInfo& output);

// The output that shows the drive. Plasma names its primary output twice: first in its output
// order (`outputOrder`, Plasma 5.27 and later), and alone through its older primary-output
// protocol (`primaryName`). GNOME names it on the session bus alone (`desktopPrimary`, mutter's
// DisplayConfig). The order's first name wins, then the older name, then the session bus's, each
// only when an output has it; otherwise the first output (wlroots names none). 0 for none.
std::size_t ChooseDriveOutput(std::span<const OutputInfo> outputs,
                              std::span<const std::string> outputOrder,
                              std::string_view primaryName, std::string_view desktopPrimary);

// How a buffer is shown on a surface: its size, its scale, and where the compositor scales it
// (a viewport destination in logical pixels; 0 = none).
struct Presentation {
    Size32 Buffer;
    std::int32_t BufferScale = 1;
    Size32 Viewport;
    bool operator==(const Presentation&) const = default;
};

// The drive: `view` is the scene's size. The buffer is the output's physical size, shown one
// buffer pixel to one physical pixel; unscaled, the scene sits in its top-left corner (a larger
// scene, which it never is, keeps its own size), and `scaled`, the saver enlarges the scene over
// it itself. `configured` is the size the compositor gave the fullscreen surface (logical; 0 =
// not said); a viewporter tells a fractional scale.
Presentation PlanDrive(Size32 view, const OutputInfo& output, Size32 configured, bool scaled,
                       bool viewporter);
// A black cover: one pixel stretched over the output where a viewporter is offered.
Presentation PlanCover(const OutputInfo& output, Size32 configured, bool viewporter);

// A pointer position on a surface (logical, fractional) as a buffer pixel.
void SurfaceToBuffer(const Presentation& shown, double x, double y, std::int32_t& bufferX,
                     std::int32_t& bufferY);
