// UTF-16LE to UTF-8 and back, apart from the code page conversions: plain C++ that every build,
// the browser's included, compiles as it is.
#include <cstdint>

#include "platform/posix/codepage.h"

namespace {

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
        std::uint32_t cp = extra == 0   ? c
                           : extra == 1 ? (c & 0x1F)
                           : extra == 2 ? (c & 0x0F)
                                        : (c & 0x07);
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
