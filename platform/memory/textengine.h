// TextEngine: how an in-memory surface measures and rasterises its one line of text.
#pragma once

#include <cstdint>
#include <string_view>

struct TextExtent {
    std::int32_t Width = 0;
    std::int32_t Height = 0;
};

class TextEngine {
  public:
    using PlotFn = void (*)(void* context, std::int32_t x, std::int32_t y, std::uint8_t coverage);

    virtual ~TextEngine() = default;
    // Character height in pixels (the em size, without internal leading).
    virtual void SetCharHeight(int pixels) = 0;
    virtual TextExtent Measure(std::string_view sjis) = 0;
    // Calls `plot` for every pixel the glyphs cover, with the cell's top-left corner at (x, y).
    virtual void Render(std::string_view sjis, std::int32_t x, std::int32_t y, PlotFn plot,
                        void* context) = 0;
    // Loads every glyph of the text so that later calls allocate nothing.
    virtual void Prepare(std::string_view sjis) = 0;
};
