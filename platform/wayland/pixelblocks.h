// PixelBlocks: a small scene shown over a whole buffer the way a monitor shows a display mode of
// the scene's size: the picture fills the buffer's height (or its width, on a tall output) with
// its aspect kept, centred, black beside it, and every scene dot is one solid block of whole
// pixels. Blocks are nearest-neighbour, so two sizes may alternate (2 and 3 pixels for 640x480
// on 1080 rows); no pixel ever blends two dots.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/surface.h"
#include "platform/wayland/outputs.h"

class PixelBlocks {
  public:
    // Allocates: never during frames.
    void Reset(Size32 scene, Size32 buffer);
    // Where the enlarged picture lies in the buffer.
    Rect32 Picture() const { return PictureRect; }
    // The buffer pixels that show the scene's `rect`, clipped to the scene.
    Rect32 ToBuffer(const Rect32& rect) const;
    // The scene dot shown at buffer pixel (x, y); beside the picture, the nearest dot of its edge.
    void ToScene(std::int32_t x, std::int32_t y, std::int32_t& sceneX, std::int32_t& sceneY) const;
    // Writes the blocks of the scene's `rect`, read from `scene` (rows `sceneStride` pixels
    // apart), into `buffer` (rows `bufferStride` apart).
    void Enlarge(const std::uint32_t* scene, std::int32_t sceneStride, std::uint32_t* buffer,
                 std::int32_t bufferStride, const Rect32& rect) const;

  private:
    Rect32 Clip(const Rect32& rect) const;

    // The first buffer column of each scene column, and one past the last; the same for rows.
    std::vector<std::int32_t> Columns, Rows;
    Rect32 PictureRect;
};
