#include "platform/win32/font.h"

#include "platform/win32/win.h"

namespace {

// "ＭＳ Ｐゴシック", written with full-width letters as the face is registered.
constexpr const wchar_t* kPreferred[] = {
    L"\xFF2D\xFF33 \xFF30\x30B4\x30B7\x30C3\x30AF",
    L"MS PGothic",
    // Substitutes with Latin and Japanese glyphs at the same pixel sizes.
    L"Meiryo UI",
    L"Yu Gothic UI",
    L"MS UI Gothic",
    L"IPAPGothic",
    L"Noto Sans CJK JP",
    L"VL PGothic",
};

int CALLBACK Found(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

bool FaceExistsOn(HDC dc, const wchar_t* face) {
    LOGFONTW lf{};
    lf.lfCharSet = DEFAULT_CHARSET;
    wcsncpy_s(lf.lfFaceName, LF_FACESIZE, face, _TRUNCATE);
    bool found = false;
    EnumFontFamiliesExW(dc, &lf, &Found, reinterpret_cast<LPARAM>(&found), 0);
    return found;
}

}  // namespace

std::span<const wchar_t* const> JapaneseUiFaces() {
    return kPreferred;
}

bool FaceExists(const wchar_t* face) {
    HDC dc = GetDC(nullptr);
    const bool found = FaceExistsOn(dc, face);
    ReleaseDC(nullptr, dc);
    return found;
}

const wchar_t* JapaneseUiFace() {
    // Looked up once, on the window's thread, before any frame draws text.
    static const wchar_t* face = [] {
        HDC dc = GetDC(nullptr);
        const wchar_t* chosen = kPreferred[0];
        for (const wchar_t* candidate : kPreferred)
            if (FaceExistsOn(dc, candidate)) {
                chosen = candidate;
                break;
            }
        ReleaseDC(nullptr, dc);
        return chosen;
    }();
    return face;
}
