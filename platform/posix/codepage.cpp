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
