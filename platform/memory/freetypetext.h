// FreeTypeText: a TextEngine on FreeType with the face found through fontconfig.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/memory/textengine.h"

class FreeTypeText final : public TextEngine {
  public:
    // Opens the face `family` (by default the proportional Japanese Gothic that stands in for the
    // saver's own face), or the best Japanese face fontconfig knows. Throws std::runtime_error when
    // there is none.
    explicit FreeTypeText(std::string_view family = "IPAPGothic");
    ~FreeTypeText() override;

    void SetCharHeight(int pixels) override;
    TextExtent Measure(std::string_view sjis) override;
    void Render(std::string_view sjis, std::int32_t x, std::int32_t y, PlotFn plot,
                void* context) override;
    void Prepare(std::string_view sjis) override;

    const std::string& FontFile() const { return FontPath; }

  private:
    struct Glyph {
        std::int32_t Advance = 0, Left = 0, Top = 0, Width = 0, Rows = 0;
        std::vector<std::uint8_t> Coverage;
    };
    // Converts Shift-JIS from the front of `sjis` to at most `capacity` code points in `out`,
    // removes the bytes it used from `sjis` and returns how many it wrote; call again while
    // `sjis` is not empty.
    std::size_t Decode(std::string_view& sjis, char32_t* out, std::size_t capacity);
    const Glyph& GlyphOf(char32_t code);

    struct Impl;
    std::unique_ptr<Impl> Engine;
    std::string FontPath;
    std::unordered_map<char32_t, Glyph> Glyphs;
    std::int32_t Ascent = 0, Descent = 0;
};
