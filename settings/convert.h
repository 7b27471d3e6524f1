// The text forms of the settings: the integer rule, the "0x" rule and the colour vocabulary.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/color.h"

namespace convert_detail {

constexpr int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Hex digits only, up to eight significant ones, taken as a signed 32-bit pattern.
constexpr std::optional<std::int32_t> HexToInt(std::string_view digits) {
    if (digits.empty()) return std::nullopt;
    std::uint32_t value = 0;
    int significant = 0;
    for (char c : digits) {
        int d = HexDigit(c);
        if (d < 0) return std::nullopt;
        if (significant > 0 || d != 0) ++significant;
        if (significant > 8) return std::nullopt;
        value = (value << 4) | static_cast<std::uint32_t>(d);
    }
    return static_cast<std::int32_t>(value);
}

constexpr bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto fold = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; };
        if (fold(a[i]) != fold(b[i])) return false;
    }
    return true;
}

}  // namespace convert_detail

// Leading spaces, then a signed decimal number or "$" and up to eight significant hex digits
// (taken as a signed 32-bit pattern). Nothing may follow. Empty when the text is not an integer.
constexpr std::optional<std::int32_t> TextToInt(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    if (i == text.size()) return std::nullopt;
    if (text[i] == '$') return convert_detail::HexToInt(text.substr(i + 1));

    bool negative = false;
    if (text[i] == '-' || text[i] == '+') {
        negative = text[i] == '-';
        ++i;
    }
    if (i == text.size()) return std::nullopt;
    std::int64_t value = 0;
    for (; i < text.size(); ++i) {
        char c = text[i];
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > 2147483648LL) return std::nullopt;
    }
    if (negative) value = -value;
    if (value > 2147483647LL) return std::nullopt;
    return static_cast<std::int32_t>(value);
}

// TextToInt after the "0x" rule: a text longer than two characters that starts with "0x" or "0X"
// is read as hexadecimal.
constexpr std::optional<std::int32_t> StoredTextToInt(std::string_view text) {
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        return convert_detail::HexToInt(text.substr(2));
    return TextToInt(text);
}

struct ColorName {
    std::string_view Name;
    ColorValue Value;
};

// The 42 colour names in the order that decides which name is written.
inline constexpr std::array<ColorName, 42> ColorNames = {{
    {"clBlack", 0x000000},
    {"clMaroon", 0x000080},
    {"clGreen", 0x008000},
    {"clOlive", 0x008080},
    {"clNavy", 0x800000},
    {"clPurple", 0x800080},
    {"clTeal", 0x808000},
    {"clGray", 0x808080},
    {"clSilver", 0xC0C0C0},
    {"clRed", 0x0000FF},
    {"clLime", 0x00FF00},
    {"clYellow", 0x00FFFF},
    {"clBlue", 0xFF0000},
    {"clFuchsia", 0xFF00FF},
    {"clAqua", 0xFFFF00},
    {"clWhite", 0xFFFFFF},
    {"clScrollBar", clSystemColor | 0},
    {"clBackground", clSystemColor | 1},
    {"clActiveCaption", clSystemColor | 2},
    {"clInactiveCaption", clSystemColor | 3},
    {"clMenu", clSystemColor | 4},
    {"clWindow", clSystemColor | 5},
    {"clWindowFrame", clSystemColor | 6},
    {"clMenuText", clSystemColor | 7},
    {"clWindowText", clSystemColor | 8},
    {"clCaptionText", clSystemColor | 9},
    {"clActiveBorder", clSystemColor | 10},
    {"clInactiveBorder", clSystemColor | 11},
    {"clAppWorkSpace", clSystemColor | 12},
    {"clHighlight", clSystemColor | 13},
    {"clHighlightText", clSystemColor | 14},
    {"clBtnFace", clSystemColor | 15},
    {"clBtnShadow", clSystemColor | 16},
    {"clGrayText", clSystemColor | 17},
    {"clBtnText", clSystemColor | 18},
    {"clInactiveCaptionText", clSystemColor | 19},
    {"clBtnHighlight", clSystemColor | 20},
    {"cl3DDkShadow", clSystemColor | 21},
    {"cl3DLight", clSystemColor | 22},
    {"clInfoText", clSystemColor | 23},
    {"clInfoBk", clSystemColor | 24},
    {"clNone", 0x1FFFFFFF},
}};

// The colour a text names (any case), else its value as an integer text; empty when it is
// neither.
constexpr std::optional<ColorValue> ColorTextValue(std::string_view text) {
    for (const auto& entry : ColorNames)
        if (convert_detail::SameNameIgnoringCase(entry.Name, text)) return entry.Value;
    return TextToInt(text);
}

// The value of an entry of ColorNames, for constants: a name that is not there does not compile.
consteval ColorValue NamedColor(std::string_view name) {
    for (const auto& entry : ColorNames)
        if (entry.Name == name) return entry.Value;
    throw "not a name of ColorNames";
}

inline constexpr ColorValue cl3DLight = NamedColor("cl3DLight");
inline constexpr ColorValue clNone = NamedColor("clNone");

// A colour name (any case) or an integer text; raises ConvertError otherwise.
ColorValue ColorFromText(std::string_view text);

// The first name whose value matches, else "$" and eight upper-case hex digits.
std::string ColorToText(ColorValue color);
