#include "platform/posix/codepage.h"

#include <iconv.h>
#include <langinfo.h>

#include <cerrno>
#include <cstdint>

namespace {

// Runs iconv over the whole text; on an invalid sequence either stops (strict) or emits
// `replacement` and skips one byte.
std::optional<std::string> Convert(const char* to, const char* from, std::string_view text,
                                   bool strict, std::string_view replacement) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::string out;
    char buffer[256];
    auto* in = const_cast<char*>(text.data());
    std::size_t inLeft = text.size();
    while (inLeft > 0) {
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        std::size_t r = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
        if (r != static_cast<std::size_t>(-1)) continue;
        if (errno == E2BIG) continue;
        if (strict) {
            iconv_close(cd);
            return std::nullopt;
        }
        // EILSEQ or EINVAL (a cut multibyte character at the end): replace one byte, go on.
        out.append(replacement);
        ++in;
        --inLeft;
    }
    iconv_close(cd);
    return out;
}

void PutUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

void PutUtf16(std::string& out, std::uint32_t unit) {
    out += static_cast<char>(unit & 0xFF);
    out += static_cast<char>(unit >> 8);
}

}  // namespace

std::string SjisToUtf8(std::string_view sjis) {
    // CP932 rather than SHIFT_JIS: it has the NEC and IBM extensions Windows texts use.
    return Convert("UTF-8", "CP932", sjis, false, "\xEF\xBF\xBD").value_or(std::string());
}

std::string SjisToLocale(std::string_view sjis) {
    const std::string codeset = nl_langinfo(CODESET);
    if (codeset == "UTF-8") return SjisToUtf8(sjis);
    return Convert((codeset + "//TRANSLIT").c_str(), "CP932", sjis, false, "?")
        .value_or(std::string(sjis.size(), '?'));
}

std::string SjisForTerminal(std::string_view sjis) {
    // Escaped after the conversion, which passes controls through: C1 controls exist only as
    // characters of the terminal's encoding (U+0080 to U+009F, two bytes in UTF-8).
    const std::string text = SjisToLocale(sjis);
    const bool utf8 = std::string_view(nl_langinfo(CODESET)) == "UTF-8";
    std::string out;
    out.reserve(text.size());
    const auto hex = [&](unsigned value) {
        constexpr char kDigits[] = "0123456789abcdef";
        out += "\\x";
        out += kDigits[(value >> 4) & 0xF];
        out += kDigits[value & 0xF];
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (utf8 && c == 0xC2 && i + 1 < text.size() &&
            static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
            static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
            hex(static_cast<unsigned char>(text[++i]));
        } else if (c == 0x1B) {
            out += "\\e";
        } else if (c == 0x07) {
            out += "\\a";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c < 0x20 || c == 0x7F) {
            hex(c);
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::optional<std::string> Utf8ToSjis(std::string_view utf8) {
    return Convert("CP932", "UTF-8", utf8, true, {});
}

std::string Utf16LeToUtf8(std::string_view utf16) {
    std::string out;
    auto unit = [&](std::size_t i) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(utf16[i])) |
               (static_cast<std::uint32_t>(static_cast<unsigned char>(utf16[i + 1])) << 8);
    };
    std::size_t i = 0;
    for (; i + 1 < utf16.size(); i += 2) {
        std::uint32_t u = unit(i);
        if (u >= 0xD800 && u < 0xDC00 && i + 3 < utf16.size()) {
            std::uint32_t low = unit(i + 2);
            if (low >= 0xDC00 && low < 0xE000) {
                PutUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
                i += 2;
                continue;
            }
        }
        PutUtf8(out, (u >= 0xD800 && u < 0xE000) ? 0xFFFD : u);
    }
    if (i < utf16.size()) PutUtf8(out, 0xFFFD);  // an odd byte at the end
    return out;
}

std::string Utf8ToUtf16Le(std::string_view utf8) {
    std::string out;
    std::size_t i = 0;
    while (i < utf8.size()) {
        auto c = static_cast<unsigned char>(utf8[i]);
        int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
        std::uint32_t cp = extra == 0 ? c : extra == 1 ? (c & 0x1F) : extra == 2 ? (c & 0x0F) : (c & 0x07);
        bool ok = extra >= 0 && i + static_cast<std::size_t>(extra) < utf8.size();
        for (int k = 1; ok && k <= extra; ++k) {
            auto t = static_cast<unsigned char>(utf8[i + static_cast<std::size_t>(k)]);
            if ((t & 0xC0) != 0x80) ok = false;
            cp = (cp << 6) | (t & 0x3F);
        }
        if (!ok || cp > 0x10FFFF) {
            PutUtf16(out, 0xFFFD);
            ++i;
            continue;
        }
        i += static_cast<std::size_t>(extra) + 1;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            PutUtf16(out, 0xD800 + (cp >> 10));
            PutUtf16(out, 0xDC00 + (cp & 0x3FF));
        } else {
            PutUtf16(out, cp);
        }
    }
    return out;
}
