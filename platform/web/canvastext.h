// CanvasText: a TextEngine whose glyphs the page's canvas draws in the browser's Japanese font,
// kept as coverage masks so that drawing a prepared text later calls nothing and allocates
// nothing.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/memory/textengine.h"

class CanvasText final : public TextEngine {
  public:
    void SetCharHeight(int pixels) override { LineHeight = pixels; }
    TextExtent Measure(std::string_view sjis) override;
    void Render(std::string_view sjis, std::int32_t x, std::int32_t y, PlotFn plot,
                void* context) override;
    void Prepare(std::string_view sjis) override;

  private:
    // One text at one character height: its extent and one coverage byte per pixel of it.
    struct Line {
        std::string Sjis;
        int CharHeight = 0;
        TextExtent Extent;
        std::vector<std::uint8_t> Coverage;
    };
    const Line& Find(std::string_view sjis);

    int LineHeight = 16;
    std::vector<Line> Lines;
};
