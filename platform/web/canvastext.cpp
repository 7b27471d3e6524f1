#include "platform/web/canvastext.h"

#include <emscripten.h>

// The page measures and draws the line white on a transparent canvas and hands back its alpha as
// coverage: the extent first (into `extent`: width, height), then, given a buffer of that size,
// the pixels. The font stands in for the saver's own face with the browser's Japanese Gothic.
// clang-format off
EM_JS(void, PageMeasureText, (const char* sjis, int length, int charHeight, std::int32_t* extent), {
    const text = new TextDecoder("shift_jis").decode(HEAPU8.slice(sjis, sjis + length));
    const canvas = Module.textCanvas || (Module.textCanvas = document.createElement("canvas"));
    const g = canvas.getContext("2d", {willReadFrequently: true});
    g.font = charHeight + 'px "MS PGothic", "IPAPGothic", "VL PGothic", "Noto Sans CJK JP", sans-serif';
    const m = g.measureText(text);
    HEAP32[extent >> 2] = Math.ceil(m.width);
    HEAP32[(extent >> 2) + 1] = Math.ceil(m.fontBoundingBoxAscent) + Math.ceil(m.fontBoundingBoxDescent);
    HEAP32[(extent >> 2) + 2] = Math.ceil(m.fontBoundingBoxAscent);
});
EM_JS(void, PageDrawText, (const char* sjis, int length, int charHeight, int width, int height, int ascent, std::uint8_t* coverage), {
    const text = new TextDecoder("shift_jis").decode(HEAPU8.slice(sjis, sjis + length));
    const canvas = Module.textCanvas;
    canvas.width = Math.max(width, 1);
    canvas.height = Math.max(height, 1);
    const g = canvas.getContext("2d", {willReadFrequently: true});
    g.font = charHeight + 'px "MS PGothic", "IPAPGothic", "VL PGothic", "Noto Sans CJK JP", sans-serif';
    g.fillStyle = "#fff";
    g.textBaseline = "alphabetic";
    g.fillText(text, 0, ascent);
    const rgba = g.getImageData(0, 0, canvas.width, canvas.height).data;
    for (let i = 0; i < width * height; ++i) HEAPU8[coverage + i] = rgba[i * 4 + 3];
});
// clang-format on

void CanvasText::Prepare(std::string_view sjis) {
    for (const auto& line : Lines)
        if (line.CharHeight == LineHeight && line.Sjis == sjis) return;
    Line line;
    line.Sjis = std::string(sjis);
    line.CharHeight = LineHeight;
    std::int32_t metrics[3] = {};
    PageMeasureText(line.Sjis.data(), static_cast<int>(line.Sjis.size()), LineHeight, metrics);
    line.Extent = TextExtent{metrics[0], metrics[1]};
    line.Coverage.resize(static_cast<std::size_t>(metrics[0]) *
                         static_cast<std::size_t>(metrics[1]));
    if (!line.Coverage.empty())
        PageDrawText(line.Sjis.data(), static_cast<int>(line.Sjis.size()), LineHeight, metrics[0],
                     metrics[1], metrics[2], line.Coverage.data());
    Lines.push_back(std::move(line));
}

const CanvasText::Line& CanvasText::Find(std::string_view sjis) {
    for (const auto& line : Lines)
        if (line.CharHeight == LineHeight && line.Sjis == sjis) return line;
    // A text nobody prepared: drawn all the same, at the cost of preparing it now.
    Prepare(sjis);
    return Lines.back();
}

TextExtent CanvasText::Measure(std::string_view sjis) {
    return Find(sjis).Extent;
}

void CanvasText::Render(std::string_view sjis, std::int32_t x, std::int32_t y, PlotFn plot,
                        void* context) {
    const Line& line = Find(sjis);
    const std::uint8_t* coverage = line.Coverage.data();
    for (std::int32_t row = 0; row < line.Extent.Height; ++row)
        for (std::int32_t column = 0; column < line.Extent.Width; ++column, ++coverage)
            if (*coverage != 0) plot(context, x + column, y + row, *coverage);
}
