// Shift-JIS (code page 932) to and from UTF-8 through the browser's own decoder, for the page's
// boundary: the program keeps its texts in code page 932 as everywhere else.
#include "platform/posix/codepage.h"

#include <emscripten.h>

#include <string>

// clang-format off
// Decodes `length` bytes into at most `capacity` UTF-8 bytes at `out`; returns the size needed.
EM_JS(int, PageSjisToUtf8, (const char* sjis, int length, char* out, int capacity), {
    const text = new TextDecoder("shift_jis").decode(HEAPU8.slice(sjis, sjis + length));
    const bytes = new TextEncoder().encode(text);
    if (bytes.length <= capacity) HEAPU8.set(bytes, out);
    return bytes.length;
});
// Encodes UTF-8 as code page 932 by the inverse of the decoder's table, built once; returns the
// size needed, or -1 when the text is not UTF-8 or has a character the code page lacks.
EM_JS(int, PageUtf8ToSjis, (const char* utf8, int length, char* out, int capacity), {
    let text;
    try {
        text = new TextDecoder("utf-8", {fatal: true}).decode(HEAPU8.slice(utf8, utf8 + length));
    } catch (e) {
        return -1;
    }
    if (!Module.sjisCodes) {
        const codes = new Map();
        const decoder = new TextDecoder("shift_jis");
        for (let b = 0; b < 0x100; ++b) {
            if ((b >= 0x81 && b <= 0x9F) || b >= 0xE0) continue;
            const c = decoder.decode(new Uint8Array([b]));
            if (c !== "\uFFFD" && !codes.has(c)) codes.set(c, [b]);
        }
        for (let lead = 0x81; lead <= 0xFC; ++lead) {
            if (lead > 0x9F && lead < 0xE0) continue;
            for (let trail = 0x40; trail <= 0xFC; ++trail) {
                if (trail === 0x7F) continue;
                const c = decoder.decode(new Uint8Array([lead, trail]));
                if (c.length && c !== "\uFFFD" && !codes.has(c)) codes.set(c, [lead, trail]);
            }
        }
        Module.sjisCodes = codes;
    }
    const bytes = [];
    for (const c of text) {
        const code = Module.sjisCodes.get(c);
        if (!code) return -1;
        bytes.push(...code);
    }
    if (bytes.length <= capacity) HEAPU8.set(bytes, out);
    return bytes.length;
});
// clang-format on

std::string SjisToUtf8(std::string_view sjis) {
    std::string out(sjis.size() * 3, '\0');
    const int length = static_cast<int>(sjis.size());
    int needed = PageSjisToUtf8(sjis.data(), length, out.data(), static_cast<int>(out.size()));
    if (needed > static_cast<int>(out.size())) {
        out.resize(static_cast<std::size_t>(needed));
        needed = PageSjisToUtf8(sjis.data(), length, out.data(), needed);
    }
    out.resize(static_cast<std::size_t>(needed));
    return out;
}

std::string SjisToLocale(std::string_view sjis) {
    return SjisToUtf8(sjis);
}

std::optional<std::string> Utf8ToSjis(std::string_view utf8) {
    std::string out(utf8.size(), '\0');
    const int length = static_cast<int>(utf8.size());
    int needed = PageUtf8ToSjis(utf8.data(), length, out.data(), static_cast<int>(out.size()));
    if (needed < 0) return std::nullopt;
    if (needed > static_cast<int>(out.size())) {
        out.resize(static_cast<std::size_t>(needed));
        needed = PageUtf8ToSjis(utf8.data(), length, out.data(), needed);
    }
    out.resize(static_cast<std::size_t>(needed));
    return out;
}
