#include "settings/convert.h"

#include "settings/errors.h"

const std::array<ColorName, 42> ColorNames = {{
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
    {"clNone", clNone},
}};

static int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::optional<std::int32_t> TextToInt(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    if (i == text.size()) return std::nullopt;

    if (text[i] == '$') {
        ++i;
        if (i == text.size()) return std::nullopt;
        std::uint32_t value = 0;
        int significant = 0;
        for (; i < text.size(); ++i) {
            int d = HexDigit(text[i]);
            if (d < 0) return std::nullopt;
            if (significant > 0 || d != 0) ++significant;
            if (significant > 8) return std::nullopt;
            value = (value << 4) | static_cast<std::uint32_t>(d);
        }
        return static_cast<std::int32_t>(value);
    }

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

std::optional<std::int32_t> StoredTextToInt(std::string_view text) {
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        std::string hex = "$";
        hex.append(text.substr(2));
        return TextToInt(hex);
    }
    return TextToInt(text);
}

static bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto fold = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; };
        if (fold(a[i]) != fold(b[i])) return false;
    }
    return true;
}

ColorValue ColorFromText(std::string_view text) {
    for (const auto& entry : ColorNames)
        if (SameNameIgnoringCase(entry.Name, text)) return entry.Value;
    if (auto value = TextToInt(text)) return *value;
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
