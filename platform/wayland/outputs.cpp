#include "platform/wayland/outputs.h"

#include <algorithm>
#include <cmath>
#include <optional>

Size32 PhysicalSize(const OutputInfo& output) {
    // WL_OUTPUT_TRANSFORM_90, _270 and their flipped forms are the odd ones.
    if ((output.Transform & 1) != 0) return {output.Mode.Height, output.Mode.Width};
    return output.Mode;
}

Size32 LogicalSize(const OutputInfo& output) {
    if (output.Logical.Width > 0 && output.Logical.Height > 0) return output.Logical;
    const Size32 physical = PhysicalSize(output);
    const std::int32_t scale = output.Scale > 0 ? output.Scale : 1;
    return {physical.Width / scale, physical.Height / scale};
}

Rect32 LogicalBounds(const OutputInfo& output) {
    const Size32 size = LogicalSize(output);
    return {output.X, output.Y, output.X + size.Width, output.Y + size.Height};
}

namespace {

// The output called `name`, or none.
std::optional<std::size_t> Named(std::span<const OutputInfo> outputs, std::string_view name) {
    if (name.empty()) return std::nullopt;
    for (std::size_t i = 0; i < outputs.size(); ++i)
        if (outputs[i].Name == name) return i;
    return std::nullopt;
}

}  // namespace

std::size_t ChooseDriveOutput(std::span<const OutputInfo> outputs,
                              std::span<const std::string> outputOrder,
                              std::string_view primaryName, std::string_view desktopPrimary) {
    if (!outputOrder.empty())
        if (const auto first = Named(outputs, outputOrder.front())) return *first;
    if (const auto named = Named(outputs, primaryName)) return *named;
    return Named(outputs, desktopPrimary).value_or(0);
}

namespace {

// The surface's logical size: what the compositor configured, else what the output says.
Size32 SurfaceSize(const OutputInfo& output, Size32 configured) {
    if (configured.Width > 0 && configured.Height > 0) return configured;
    return LogicalSize(output);
}

}  // namespace

Presentation PlanDrive(Size32 view, const OutputInfo& output, Size32 configured, bool scaled,
                       bool viewporter) {
    const Size32 physical = PhysicalSize(output);
    const Size32 surface = SurfaceSize(output, configured);
    const std::int32_t scale = output.Scale > 0 ? output.Scale : 1;
    Presentation shown;
    // The buffer covers the output so that the rest of it stays black. A compositor's smoothing
    // would blur an enlarged scene, so the saver enlarges it into the whole buffer with hard edges.
    shown.Buffer = scaled ? physical
                          : Size32{std::max(view.Width, physical.Width),
                                   std::max(view.Height, physical.Height)};
    if (surface.Width * scale == shown.Buffer.Width &&
        surface.Height * scale == shown.Buffer.Height) {
        shown.BufferScale = scale;
    } else if (viewporter) {
        // A fractional scale: the output's pixels are not a whole multiple of its logical ones,
        // so the compositor is told the logical size outright.
        shown.Viewport = surface;
    } else if (shown.Buffer.Width % scale == 0 && shown.Buffer.Height % scale == 0) {
        shown.BufferScale = scale;
    }
    return shown;
}

Presentation PlanCover(const OutputInfo& output, Size32 configured, bool viewporter) {
    Presentation shown;
    if (viewporter) {
        shown.Buffer = {1, 1};
        shown.Viewport = SurfaceSize(output, configured);
        return shown;
    }
    shown.Buffer = PhysicalSize(output);
    const std::int32_t scale = output.Scale > 0 ? output.Scale : 1;
    if (shown.Buffer.Width % scale == 0 && shown.Buffer.Height % scale == 0)
        shown.BufferScale = scale;
    return shown;
}

void SurfaceToBuffer(const Presentation& shown, double x, double y, std::int32_t& bufferX,
                     std::int32_t& bufferY) {
    double sx = shown.BufferScale, sy = shown.BufferScale;
    if (shown.Viewport.Width > 0 && shown.Viewport.Height > 0) {
        sx = static_cast<double>(shown.Buffer.Width) / shown.Viewport.Width;
        sy = static_cast<double>(shown.Buffer.Height) / shown.Viewport.Height;
    }
    bufferX = static_cast<std::int32_t>(std::floor(x * sx));
    bufferY = static_cast<std::int32_t>(std::floor(y * sy));
}
