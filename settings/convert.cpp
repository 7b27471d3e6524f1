#include "settings/convert.h"

#include "settings/errors.h"

ColorValue ColorFromText(std::string_view text) {
    if (auto value = ColorTextValue(text)) return *value;
    // "'%s' は整数ではありません"
    throw ConvertError(FormatMessage1(
        "'%s' \x82\xCD\x90\xAE\x90\x94\x82\xC5\x82\xCD\x82\xA0\x82\xE8\x82\xDC\x82\xB9\x82\xF1",
        text));
}

std::string ColorToText(ColorValue color) {
    for (const auto& entry : ColorNames)
        if (entry.Value == color) return std::string(entry.Name);
    static const char digits[] = "0123456789ABCDEF";
    std::string out = "$";
    auto value = static_cast<std::uint32_t>(color);
    for (int shift = 28; shift >= 0; shift -= 4) out += digits[(value >> shift) & 0xF];
    return out;
}
