// Win32Form built from the settings form with each Japanese face the program may pick, and with a
// fixed-pitch one as the widest a substitute can be: every caption fits its control (labels their
// own boxes, which do not overlap), so no text is cut off or runs into its neighbour, and a font
// is made smaller only where the text needs it.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/win32/font.h"
#include "platform/win32/form.h"
#include "platform/win32/sjis.h"
#include "platform/win32/systemcolors.h"
#include "platform/win32/win.h"
#include "settings/settingsform.h"

namespace {

// The check mark of a check box or radio button at 96 dpi, and a pixel of gap after it.
constexpr int kMark = 14;

std::vector<std::wstring> FacesToTry() {
    std::vector<std::wstring> faces;
    for (const wchar_t* face : JapaneseUiFaces())
        if (FaceExists(face)) faces.emplace_back(face);
    if (FaceExists(L"IPAGothic")) faces.emplace_back(L"IPAGothic");
    return faces;
}

std::string WideToUtf8(const std::wstring& text) {
    char out[256];
    const int n =
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out, sizeof out, nullptr, nullptr);
    return n > 0 ? std::string(out) : std::string();
}

SIZE Extent(HFONT font, const std::wstring& text) {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return size;
}

int PixelHeight(HFONT font) {
    LOGFONTW lf{};
    GetObjectW(font, sizeof lf, &lf);
    return lf.lfHeight < 0 ? -lf.lfHeight : lf.lfHeight;
}

int ClientWidth(HWND window) {
    RECT r{};
    GetClientRect(window, &r);
    return r.right - r.left;
}

// One caption of the form: its text, the font the form drew it in, how wide it may be, and up
// to what width the form must leave its font alone (less than Room where the control's own
// margins are the toolkit's to choose).
struct Caption {
    std::string Name;
    std::wstring Text;
    HFONT Font;
    int Room;
    int DesignHeight;
    bool Bold;
    int KeepRoom = Room;
};

std::vector<Caption> Captions(const Win32Form& form) {
    std::vector<Caption> out;
    for (const auto& c : SettingsForm.Controls) {
        const int height = c.FontHeight != 0 ? c.FontHeight : SettingsForm.FontHeight;
        const std::string name(c.Name);
        switch (c.Kind) {
            case ControlKind::Label:
                out.push_back(
                    {name, SjisToWide(c.Caption), form.Font(c.Name), c.Width, height, c.Bold});
                break;
            case ControlKind::CheckBox:
                out.push_back({name, SjisToWide(c.Caption), form.Font(c.Name),
                               ClientWidth(form.Control(c.Name)) - kMark, height, c.Bold,
                               ClientWidth(form.Control(c.Name)) - 2 * kMark});
                break;
            case ControlKind::PushButton:
                out.push_back({name, SjisToWide(c.Caption), form.Font(c.Name), c.Width - 4, height,
                               c.Bold, c.Width - 8});
                break;
            case ControlKind::GlyphButton:
                out.push_back({name, SjisToWide(c.Caption), form.Font(c.Name), c.Width - 4 - 16,
                               height, c.Bold, c.Width - 8 - 20});
                break;
            case ControlKind::RadioGroup:
                out.push_back(
                    {name, SjisToWide(c.Caption), form.Font(c.Name), c.Width - 16, height, c.Bold});
                for (int i = 0; i < static_cast<int>(c.Items.size()); ++i)
                    out.push_back({name + "[" + std::to_string(i) + "]",
                                   SjisToWide(c.Items[static_cast<std::size_t>(i)]),
                                   form.Font(c.Name, i), ClientWidth(form.Item(c.Name, i)) - kMark,
                                   height, c.Bold, ClientWidth(form.Item(c.Name, i)) - 2 * kMark});
                break;
            default:
                break;
        }
    }
    return out;
}

class Win32FormTest : public ::testing::Test {
  protected:
    void SetUp() override {
        faces = FacesToTry();
        if (faces.empty()) GTEST_SKIP() << "no Japanese face on this system";
        std::string names;
        for (const auto& face : faces) names += " \"" + WideToUtf8(face) + "\"";
        std::printf("faces:%s\n", names.c_str());
    }
    std::vector<std::wstring> faces;
    Win32SystemColors colors;
};

TEST_F(Win32FormTest, EveryCaptionFitsItsControlInEachFace) {
    for (const auto& face : faces) {
        Win32Form form(SettingsForm, colors, face.c_str());
        ASSERT_TRUE(form.Create(nullptr, [](ControlId) {}));
        for (const auto& caption : Captions(form)) {
            SCOPED_TRACE(WideToUtf8(face) + " " + caption.Name);
            ASSERT_NE(caption.Font, nullptr);
            EXPECT_LE(Extent(caption.Font, caption.Text).cx, caption.Room);
        }
    }
}

TEST_F(Win32FormTest, FontsShrinkOnlyWhereTheTextWouldNotFit) {
    int shrunk = 0, kept = 0;
    for (const auto& face : faces) {
        Win32Form form(SettingsForm, colors, face.c_str());
        ASSERT_TRUE(form.Create(nullptr, [](ControlId) {}));
        for (const auto& caption : Captions(form)) {
            SCOPED_TRACE(WideToUtf8(face) + " " + caption.Name);
            LOGFONTW lf{};
            lf.lfHeight = -caption.DesignHeight;
            lf.lfWeight = caption.Bold ? FW_BOLD : FW_NORMAL;
            lf.lfCharSet = SHIFTJIS_CHARSET;
            wcsncpy_s(lf.lfFaceName, LF_FACESIZE, face.c_str(), _TRUNCATE);
            HFONT design = CreateFontIndirectW(&lf);
            const int width = Extent(design, caption.Text).cx;
            DeleteObject(design);
            if (width <= caption.KeepRoom) {
                EXPECT_EQ(PixelHeight(caption.Font), caption.DesignHeight);
                ++kept;
            } else if (width > caption.Room) {
                EXPECT_LT(PixelHeight(caption.Font), caption.DesignHeight);
                ++shrunk;
            }
        }
    }
    EXPECT_GT(kept, 0);
    // The fixed-pitch face cannot fit the widest captions at their size.
    if (FaceExists(L"IPAGothic")) {
        EXPECT_GT(shrunk, 0);
    }
}

}  // namespace
