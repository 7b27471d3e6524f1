// What must hold for any input of the settings' text parsers; shared by the libFuzzer target
// and the randomised test of the normal suite. Each check returns an empty text when the
// property holds, and what went wrong otherwise. None may crash or hang on any input.
#pragma once

#include <string>
#include <string_view>
#include <variant>

#include "settings/convert.h"
#include "settings/errors.h"
#ifndef _WIN32
#include "platform/posix/regfile.h"
#endif

namespace fuzzprops {

inline std::string CheckTextToInt(std::string_view text) {
    auto value = TextToInt(text);
    auto stored = StoredTextToInt(text);
    if (!(text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) &&
        stored != value)
        return "the 0x rule changed a text without 0x";
    if (!value) return {};
    // A decimal result reads back from its own text, and so does its hex form.
    if (TextToInt(std::to_string(*value)) != value) return "decimal text does not read back";
    static const char digits[] = "0123456789ABCDEF";
    std::string hex = "$";
    for (int shift = 28; shift >= 0; shift -= 4)
        hex += digits[(static_cast<std::uint32_t>(*value) >> shift) & 0xF];
    if (TextToInt(hex) != value) return "hex text does not read back";
    return {};
}

inline std::string CheckColorFromText(std::string_view text) {
    ColorValue color;
    try {
        color = ColorFromText(text);
    } catch (const ConvertError&) {
        if (TextToInt(text)) return "an integer text was refused";
        return {};
    }
    if (ColorFromText(ColorToText(color)) != color) return "ColorToText does not read back";
    return {};
}

#ifndef _WIN32
inline bool SameValues(const RegFileDocument& a, const RegFileDocument& b) {
    if (a.Keys.size() != b.Keys.size()) return false;
    for (std::size_t k = 0; k < a.Keys.size(); ++k) {
        const auto& x = a.Keys[k];
        const auto& y = b.Keys[k];
        if (!SameRegPath(x.Path, y.Path) || x.Deleted != y.Deleted) return false;
        std::vector<RegFileValue> vx, vy;
        for (const auto& e : x.Entries)
            if (e.IsValue) vx.push_back(EntryValue(a, e));
        for (const auto& e : y.Entries)
            if (e.IsValue) vy.push_back(EntryValue(b, e));
        if (vx.size() != vy.size()) return false;
        for (std::size_t i = 0; i < vx.size(); ++i)
            if (vx[i].Name != vy[i].Name || vx[i].Type != vy[i].Type || vx[i].Data != vy[i].Data)
                return false;
    }
    return true;
}

// A file that parses is written back byte for byte while nothing changed, and to the same
// values when every value is written anew.
inline std::string CheckRegFile(std::string_view bytes) {
    auto parsed = ParseRegFile(bytes);
    if (std::holds_alternative<RegFileError>(parsed)) return {};
    auto doc = std::get<RegFileDocument>(parsed);
    if (WriteRegFile(doc) != bytes) return "an unchanged file is not written back byte for byte";
    for (auto& key : doc.Keys)
        for (auto& entry : key.Entries)
            if (entry.IsValue) SetEntryValue(doc, entry, EntryValue(doc, entry));
    auto rewritten = ParseRegFile(WriteRegFile(doc));
    if (!std::holds_alternative<RegFileDocument>(rewritten))
        return "a rewritten file does not parse";
    if (!SameValues(doc, std::get<RegFileDocument>(rewritten))) return "a rewritten value changed";
    return {};
}
#endif

}  // namespace fuzzprops
