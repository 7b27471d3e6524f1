#include "platform/win32/sjis.h"

#include "platform/win32/win.h"

namespace {
constexpr UINT kShiftJis = 932;
}

std::size_t SjisToWide(std::string_view sjis, wchar_t* out, std::size_t capacity) {
    if (capacity == 0) return 0;
    if (sjis.empty()) {
        out[0] = L'\0';
        return 0;
    }
    int n = MultiByteToWideChar(kShiftJis, 0, sjis.data(), static_cast<int>(sjis.size()), out,
                                static_cast<int>(capacity - 1));
    if (n <= 0) {
        // Too long for the buffer: convert the longest head that fits, cutting at a character.
        std::size_t keep = sjis.size();
        while (n <= 0 && keep > 0) {
            keep = keep > capacity - 1 ? capacity - 1 : keep - 1;
            n = MultiByteToWideChar(kShiftJis, 0, sjis.data(), static_cast<int>(keep), out,
                                    static_cast<int>(capacity - 1));
        }
        if (n < 0) n = 0;
    }
    out[n] = L'\0';
    return static_cast<std::size_t>(n);
}

std::wstring SjisToWide(std::string_view sjis) {
    if (sjis.empty()) return {};
    int n =
        MultiByteToWideChar(kShiftJis, 0, sjis.data(), static_cast<int>(sjis.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0)
        MultiByteToWideChar(kShiftJis, 0, sjis.data(), static_cast<int>(sjis.size()), out.data(),
                            n);
    return out;
}

std::string WideToSjis(std::wstring_view wide) {
    if (wide.empty()) return {};
    int n = WideCharToMultiByte(kShiftJis, 0, wide.data(), static_cast<int>(wide.size()), nullptr,
                                0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        WideCharToMultiByte(kShiftJis, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n,
                            nullptr, nullptr);
    return out;
}
