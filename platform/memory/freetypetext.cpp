#include "platform/memory/freetypetext.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include <iconv.h>
#include FT_FREETYPE_H

#include <cerrno>
#include <cstring>
#include <stdexcept>

struct FreeTypeText::Impl {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    iconv_t toUtf32 = reinterpret_cast<iconv_t>(-1);
};

namespace {

// Code points decoded at a time; longer texts are taken in several batches.
constexpr std::size_t kBatch = 256;

std::string FindFontFile(std::string_view family) {
    FcConfig* config = FcInitLoadConfigAndFonts();
    std::string file;
    for (std::string query : {std::string(family), std::string(":lang=ja")}) {
        FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(query.c_str()));
        FcConfigSubstitute(config, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult result = FcResultNoMatch;
        FcPattern* match = FcFontMatch(config, pattern, &result);
        FcChar8* path = nullptr;
        FcChar8* matchedFamily = nullptr;
        bool ok = false;
        if (match != nullptr && FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch &&
            FcPatternGetString(match, FC_FAMILY, 0, &matchedFamily) == FcResultMatch) {
            // fontconfig always answers with something; take the first query only when it gave
            // the family asked for, and the second only when the face has Japanese.
            FcLangSet* langs = nullptr;
            const bool japanese =
                FcPatternGetLangSet(match, FC_LANG, 0, &langs) == FcResultMatch &&
                FcLangSetHasLang(langs, reinterpret_cast<const FcChar8*>("ja")) == FcLangEqual;
            ok = query.front() == ':'
                     ? japanese
                     : std::string_view(reinterpret_cast<char*>(matchedFamily)) == family;
            if (ok) file = reinterpret_cast<char*>(path);
        }
        if (match != nullptr) FcPatternDestroy(match);
        FcPatternDestroy(pattern);
        if (ok) break;
    }
    FcConfigDestroy(config);
    return file;
}

}  // namespace

FreeTypeText::FreeTypeText(std::string_view family) : Engine(std::make_unique<Impl>()) {
    FontPath = FindFontFile(family);
    if (FontPath.empty())
        throw std::runtime_error("no Japanese font found (install fonts-ipafont-gothic)");
    if (FT_Init_FreeType(&Engine->library) != 0)
        throw std::runtime_error("FreeType failed to start");
    if (FT_New_Face(Engine->library, FontPath.c_str(), 0, &Engine->face) != 0)
        throw std::runtime_error("cannot open font " + FontPath);
    Engine->toUtf32 = iconv_open("UTF-32LE", "CP932");
    if (Engine->toUtf32 == reinterpret_cast<iconv_t>(-1))
        throw std::runtime_error("no Shift-JIS converter (CP932) in this C library");
    SetCharHeight(16);
}

FreeTypeText::~FreeTypeText() {
    if (Engine->toUtf32 != reinterpret_cast<iconv_t>(-1)) iconv_close(Engine->toUtf32);
    if (Engine->face != nullptr) FT_Done_Face(Engine->face);
    if (Engine->library != nullptr) FT_Done_FreeType(Engine->library);
}

void FreeTypeText::SetCharHeight(int pixels) {
    FT_Set_Pixel_Sizes(Engine->face, 0, static_cast<FT_UInt>(pixels > 0 ? pixels : 1));
    const FT_Size_Metrics& m = Engine->face->size->metrics;
    Ascent = static_cast<std::int32_t>((m.ascender + 63) >> 6);
    Descent = static_cast<std::int32_t>((-m.descender + 63) >> 6);
    Glyphs.clear();
}

std::size_t FreeTypeText::Decode(std::string_view& sjis, char32_t* out, std::size_t capacity) {
    iconv(Engine->toUtf32, nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(sjis.data());
    std::size_t inLeft = sjis.size();
    char* dst = reinterpret_cast<char*>(out);
    std::size_t dstLeft = capacity * sizeof(char32_t);
    while (inLeft > 0 && dstLeft >= sizeof(char32_t)) {
        if (iconv(Engine->toUtf32, &in, &inLeft, &dst, &dstLeft) != static_cast<std::size_t>(-1))
            break;
        // The batch is full: the rest waits for the next call.
        if (errno == E2BIG || dstLeft < sizeof(char32_t)) break;
        // An invalid or cut-off byte shows as a replacement mark and is skipped.
        const char32_t mark = U'\uFFFD';
        std::memcpy(dst, &mark, sizeof mark);
        dst += sizeof mark;
        dstLeft -= sizeof mark;
        ++in;
        --inLeft;
    }
    sjis.remove_prefix(sjis.size() - inLeft);
    return static_cast<std::size_t>(dst - reinterpret_cast<char*>(out)) / sizeof(char32_t);
}

const FreeTypeText::Glyph& FreeTypeText::GlyphOf(char32_t code) {
    if (auto it = Glyphs.find(code); it != Glyphs.end()) return it->second;
    Glyph glyph;
    if (FT_Load_Char(Engine->face, code, FT_LOAD_RENDER) == 0) {
        const FT_GlyphSlot slot = Engine->face->glyph;
        glyph.Advance = static_cast<std::int32_t>((slot->advance.x + 32) >> 6);
        glyph.Left = slot->bitmap_left;
        glyph.Top = slot->bitmap_top;
        glyph.Width = static_cast<std::int32_t>(slot->bitmap.width);
        glyph.Rows = static_cast<std::int32_t>(slot->bitmap.rows);
        glyph.Coverage.resize(static_cast<std::size_t>(glyph.Width) * glyph.Rows);
        for (std::int32_t r = 0; r < glyph.Rows; ++r)
            for (std::int32_t c = 0; c < glyph.Width; ++c)
                glyph.Coverage[static_cast<std::size_t>(r) * glyph.Width + c] =
                    slot->bitmap.buffer[r * slot->bitmap.pitch + c];
    }
    return Glyphs.emplace(code, std::move(glyph)).first->second;
}

void FreeTypeText::Prepare(std::string_view sjis) {
    char32_t codes[kBatch];
    while (!sjis.empty()) {
        const std::size_t n = Decode(sjis, codes, kBatch);
        for (std::size_t i = 0; i < n; ++i) GlyphOf(codes[i]);
    }
}

TextExtent FreeTypeText::Measure(std::string_view sjis) {
    char32_t codes[kBatch];
    TextExtent extent{0, Ascent + Descent};
    while (!sjis.empty()) {
        const std::size_t n = Decode(sjis, codes, kBatch);
        for (std::size_t i = 0; i < n; ++i) extent.Width += GlyphOf(codes[i]).Advance;
    }
    return extent;
}

void FreeTypeText::Render(std::string_view sjis, std::int32_t x, std::int32_t y, PlotFn plot,
                          void* context) {
    char32_t codes[kBatch];
    const std::int32_t baseline = y + Ascent;
    std::int32_t penX = x;
    while (!sjis.empty()) {
        const std::size_t n = Decode(sjis, codes, kBatch);
        for (std::size_t i = 0; i < n; ++i) {
            const Glyph& g = GlyphOf(codes[i]);
            for (std::int32_t r = 0; r < g.Rows; ++r)
                for (std::int32_t c = 0; c < g.Width; ++c)
                    if (std::uint8_t cover = g.Coverage[static_cast<std::size_t>(r) * g.Width + c])
                        plot(context, penX + g.Left + c, baseline - g.Top + r, cover);
            penX += g.Advance;
        }
    }
}
