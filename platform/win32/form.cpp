#include "platform/win32/form.h"

#include "platform/win32/win.h"

#include <commctrl.h>

#include <algorithm>

#include "platform/win32/font.h"
#include "platform/win32/sjis.h"

namespace {

constexpr wchar_t kFormClass[] = L"SettingsDialog";
constexpr wchar_t kPanelClass[] = L"TPanel";

COLORREF Rgb(ColorValue color, const SystemColorSource& colors) {
    return static_cast<COLORREF>(ColorToRGB(color, colors));
}

// The stock glyphs of the OK and Cancel kinds: a green tick and a red cross on the button face.
HBITMAP MakeGlyph(GlyphKind kind) {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 16, 16);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT all{0, 0, 16, 16};
    FillRect(dc, &all, GetSysColorBrush(COLOR_BTNFACE));
    HPEN pen = CreatePen(PS_SOLID, 2, kind == GlyphKind::Ok ? RGB(0, 128, 0) : RGB(192, 0, 0));
    HGDIOBJ oldPen = SelectObject(dc, pen);
    if (kind == GlyphKind::Ok) {
        POINT tick[] = {{2, 8}, {6, 12}, {13, 3}};
        Polyline(dc, tick, 3);
    } else {
        MoveToEx(dc, 3, 3, nullptr);
        LineTo(dc, 13, 13);
        MoveToEx(dc, 13, 3, nullptr);
        LineTo(dc, 3, 13);
    }
    SelectObject(dc, oldPen);
    DeleteObject(pen);
    SelectObject(dc, old);
    DeleteDC(dc);
    return bitmap;
}

// Room a check box or radio button takes from its caption: the check mark and the gap after it,
// half a digit of its font.
int CheckReserve(HDC dc, HFONT font) {
    const int mark = 12 * GetDeviceCaps(dc, LOGPIXELSX) / 96 + 1;
    HGDIOBJ old = SelectObject(dc, font);
    INT zero = 0;
    GetCharWidth32W(dc, L'0', L'0', &zero);
    SelectObject(dc, old);
    return mark + zero / 2 + 2;
}

int TextWidth(HDC dc, HFONT font, const std::wstring& text) {
    HGDIOBJ old = SelectObject(dc, font);
    SIZE extent{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    SelectObject(dc, old);
    return extent.cx;
}

bool IsGraphic(ControlKind kind) {
    return kind == ControlKind::Frame || kind == ControlKind::Label;
}

}  // namespace

Win32Form::Win32Form(const FormDesc& form, const SystemColorSource& colors, const wchar_t* face)
    : Form(form), SystemColors(colors), Face(face != nullptr ? face : JapaneseUiFace()) {}

Win32Form::~Win32Form() {
    if (Hwnd != nullptr && IsWindow(Hwnd)) DestroyWindow(Hwnd);
    for (auto& [name, native] : NativeControls)
        if (native.Brush != nullptr) DeleteObject(native.Brush);
    for (HBITMAP glyph : Glyphs) DeleteObject(glyph);
    for (HFONT font : Fonts) DeleteObject(font);
}

HFONT Win32Form::MakeFont(int height, bool bold) {
    LOGFONTW lf{};
    lf.lfHeight = -height;
    lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    lf.lfCharSet = SHIFTJIS_CHARSET;
    lf.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
    wcsncpy_s(lf.lfFaceName, LF_FACESIZE, Face, _TRUNCATE);
    HFONT font = CreateFontIndirectW(&lf);
    Fonts.push_back(font);
    return font;
}

HFONT Win32Form::FittingFont(const std::wstring& text, int room, int height, bool bold) {
    HFONT font = (height == Form.FontHeight && !bold) ? FontHandle : MakeFont(height, bold);
    // A substitute face may run wider than the one the form was laid out with: rather than cut
    // the text or run into the neighbour, the font gets smaller, down to half its size.
    HDC dc = GetDC(nullptr);
    for (int h = height - 1; h >= std::max(6, height / 2) && TextWidth(dc, font, text) > room; --h)
        font = MakeFont(h, bold);
    ReleaseDC(nullptr, dc);
    return font;
}

bool Win32Form::Create(HWND owner, ClickHandler onClick) {
    OnClick = std::move(onClick);
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES | ICC_UPDOWN_CLASS};
    InitCommonControlsEx(&icc);

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = reinterpret_cast<WNDPROC>(&FormProc);
    wc.cbWndExtra = DLGWINDOWEXTRA;  // the dialog manager's own storage: Enter, Esc and Tab
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kFormClass;
    RegisterClassExW(&wc);
    WNDCLASSEXW panel{};
    panel.cbSize = sizeof panel;
    panel.lpfnWndProc = reinterpret_cast<WNDPROC>(&PanelProc);
    panel.hInstance = wc.hInstance;
    panel.hCursor = wc.hCursor;
    panel.lpszClassName = kPanelClass;
    RegisterClassExW(&panel);

    // A fixed dialog frame; without border icons there is no system menu and no close box.
    const DWORD style =
        WS_POPUP | WS_CAPTION | WS_CLIPCHILDREN | (Form.BorderIcons ? WS_SYSMENU : 0);
    const DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
    RECT frame{0, 0, Form.ClientWidth, Form.ClientHeight};
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    Hwnd =
        CreateWindowExW(exStyle, kFormClass, SjisToWide(Form.Caption).c_str(), style, CW_USEDEFAULT,
                        CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top, owner,
                        nullptr, GetModuleHandleW(nullptr), this);
    if (Hwnd == nullptr) return false;
    FontHandle = MakeFont(Form.FontHeight, false);
    for (const auto& control : Form.Controls) Build(control);
    ArrangeZOrder();
    SendMessageW(Hwnd, DM_SETDEFID, IDOK, 0);
    return true;
}

void Win32Form::Build(const ControlDesc& c) {
    if (c.Kind == ControlKind::ColorDialog) return;
    Native native;
    native.Spec = &c;
    native.Parent = Hwnd;
    native.Left = c.Left;
    native.Top = c.Top;
    if (!c.Parent.empty()) {
        // Placed relative to the panel's outer edge, as the form describes it: the bevel takes
        // its width off the client area.
        if (const Native* parent = Find(c.Parent)) {
            native.Parent = parent->Window;
            native.Left -= parent->Spec->BevelWidth;
            native.Top -= parent->Spec->BevelWidth;
        }
    }
    const int left = native.Left, top = native.Top;
    const std::wstring caption = SjisToWide(c.Caption);
    const int fontHeight = c.FontHeight != 0 ? c.FontHeight : Form.FontHeight;
    HDC screen = GetDC(nullptr);
    const int checkReserve = CheckReserve(screen, FontHandle);
    ReleaseDC(nullptr, screen);

    if (IsGraphic(c.Kind)) {
        // Painted by its parent: a label's text must stay inside its box.
        if (c.Kind == ControlKind::Label)
            native.Font = FittingFont(caption, c.Width, fontHeight, c.Bold);
        NativeControls[std::string(c.Name)] = native;
        return;
    }

    const int id = (c.Default ? IDOK : c.Cancel ? IDCANCEL : NextId++);
    // Siblings clip each other, so a group box's face never covers the radio buttons on it.
    DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
    DWORD exStyle = 0;
    const wchar_t* cls = WC_STATICW;
    void* createParam = nullptr;
    int room = c.Width;  // how wide the caption may be
    if (c.TabStop) style |= WS_TABSTOP | WS_GROUP;
    HINSTANCE instance = GetModuleHandleW(nullptr);
    auto make = [&](const wchar_t* klass, const wchar_t* text, DWORD s, DWORD ex, int x, int y,
                    int w, int h, int cid, HFONT font) {
        HWND hwnd = CreateWindowExW(ex, klass, text, s, x, y, w, h, native.Parent,
                                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(cid)), instance,
                                    createParam);
        SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        return hwnd;
    };

    switch (c.Kind) {
        case ControlKind::Panel:
            cls = kPanelClass;
            exStyle |=
                WS_EX_CLIENTEDGE | WS_EX_CONTROLPARENT;  // the lowered bevel, two pixels wide
            createParam = this;
            break;
        case ControlKind::Swatch:
            style |= SS_LEFT | SS_SUNKEN;
            break;
        case ControlKind::CheckBox:
            cls = WC_BUTTONW;
            style |= BS_AUTOCHECKBOX;
            room = c.Width - checkReserve;
            break;
        case ControlKind::PushButton:
            cls = WC_BUTTONW;
            style |= BS_PUSHBUTTON;
            room = c.Width - 8;
            break;
        case ControlKind::GlyphButton:
            cls = WC_BUTTONW;
            style |= c.Default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
            room = c.Width - 8 - 20;
            break;
        case ControlKind::SpinEdit:
            cls = WC_EDITW;
            style |= ES_LEFT | ES_AUTOHSCROLL;
            exStyle |= WS_EX_CLIENTEDGE;
            break;
        case ControlKind::RadioGroup:
            cls = WC_BUTTONW;
            style = (style & ~static_cast<DWORD>(WS_TABSTOP | WS_GROUP)) | BS_GROUPBOX;
            room = c.Width - 16;
            break;
        case ControlKind::Frame:
        case ControlKind::Label:
        case ControlKind::ColorDialog:
            return;
    }
    native.Font = FittingFont(caption, room, fontHeight, c.Bold);
    native.Window =
        make(cls, caption.c_str(), style, exStyle, left, top, c.Width, c.Height, id, native.Font);
    createParam = nullptr;
    Names[id] = std::string(c.Name);

    if (c.Kind == ControlKind::GlyphButton) {
        HBITMAP glyph = MakeGlyph(c.Glyph);
        Glyphs.push_back(glyph);
        SendMessageW(native.Window, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(glyph));
    }
    if (c.Kind == ControlKind::Swatch) native.Swatch = c.Color;
    if (c.Kind == ControlKind::SpinEdit) {
        native.UpDown = CreateWindowExW(0, UPDOWN_CLASSW, nullptr,
                                        WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | UDS_ALIGNRIGHT |
                                            UDS_ARROWKEYS | UDS_NOTHOUSANDS,
                                        0, 0, 0, 0, native.Parent,
                                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(NextId++)),
                                        instance, nullptr);
        SendMessageW(native.UpDown, UDM_SETBUDDY, reinterpret_cast<WPARAM>(native.Window), 0);
        SendMessageW(native.UpDown, UDM_SETRANGE32, static_cast<WPARAM>(c.MinValue), c.MaxValue);
        SetWindowSubclass(native.Window, reinterpret_cast<SUBCLASSPROC>(&SpinEditProc), 1,
                          reinterpret_cast<DWORD_PTR>(this));
        SetWindowTextW(native.Window, std::to_wstring(c.Value).c_str());
    }
    if (c.Kind == ControlKind::RadioGroup) {
        SetWindowSubclass(native.Window, reinterpret_cast<SUBCLASSPROC>(&GroupBoxProc), 1,
                          reinterpret_cast<DWORD_PTR>(this));
        // The items share the height below the caption evenly, one column, as the toolkit lays
        // them out.
        const int count = static_cast<int>(c.Items.size());
        const int free = c.Height - Form.FontHeight - 5;
        const int step = count > 0 ? free / count : 0;
        const int itemTop = top + Form.FontHeight + 1 + (count > 0 ? (free % count) / 2 : 0);
        for (int i = 0; i < count; ++i) {
            DWORD itemStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | BS_AUTORADIOBUTTON;
            if (i == 0) itemStyle |= WS_GROUP | WS_TABSTOP;
            const std::wstring text = SjisToWide(c.Items[static_cast<std::size_t>(i)]);
            HFONT itemFont = FittingFont(text, c.Width - 10 - checkReserve, fontHeight, c.Bold);
            HWND item = make(WC_BUTTONW, text.c_str(), itemStyle, 0, left + 8, itemTop + i * step,
                             c.Width - 10, step, NextId++, itemFont);
            native.Items.push_back(item);
            native.ItemFonts.push_back(itemFont);
        }
        if (c.ItemIndex >= 0 && c.ItemIndex < count)
            SendMessageW(native.Items[static_cast<std::size_t>(c.ItemIndex)], BM_SETCHECK,
                         BST_CHECKED, 0);
    }
    NativeControls[std::string(c.Name)] = native;
}

void Win32Form::PaintGraphics(HWND parent, HDC dc) {
    // In creation order, so later labels draw over earlier ones (the title over its shadow).
    const ColorValue parentFontColor = [&] {
        for (const auto& [name, native] : NativeControls)
            if (native.Window == parent && native.Spec->FontColor != clDefault)
                return native.Spec->FontColor;
        return Form.FontColor;
    }();
    for (const auto& c : Form.Controls) {
        Native* n = Find(c.Name);
        if (n == nullptr || n->Window != nullptr || n->Parent != parent) continue;
        RECT box{n->Left, n->Top, n->Left + c.Width, n->Top + c.Height};
        if (c.Kind == ControlKind::Frame) {
            DrawEdge(dc, &box, EDGE_ETCHED, BF_RECT);
            continue;
        }
        if (c.Background != clDefault) FillRect(dc, &box, BrushFor(*n, c.Background));
        const std::wstring caption = SjisToWide(c.Caption);
        HGDIOBJ oldFont = SelectObject(dc, n->Font);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc,
                     Rgb(c.FontColor != clDefault ? c.FontColor : parentFontColor, SystemColors));
        DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &box,
                  DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
        SelectObject(dc, oldFont);
    }
}

void Win32Form::ArrangeZOrder() {
    // For the dialog manager tab order is z-order. Within each parent (the form, the panel) the
    // tab-stop controls go on top in their tab order, then the others, later-created above
    // earlier. Each clips the siblings above it, so a group box fills its face around its radio
    // buttons, never over them.
    struct Entry {
        int Order;
        HWND Window;
    };
    std::map<HWND, std::vector<Entry>> tabbed;
    std::map<HWND, std::vector<HWND>> rest;
    for (const auto& c : Form.Controls) {
        const Native* n = Find(c.Name);
        if (n == nullptr || n->Window == nullptr) continue;
        HWND parent = n->Parent;
        const bool tabs = c.TabStop || c.Kind == ControlKind::Panel;
        if (tabs) {
            for (HWND item : n->Items) tabbed[parent].push_back({c.TabOrder, item});
            if (n->Items.empty()) tabbed[parent].push_back({c.TabOrder, n->Window});
            if (n->UpDown != nullptr) tabbed[parent].push_back({c.TabOrder, n->UpDown});
            if (!n->Items.empty()) rest[parent].push_back(n->Window);
        } else {
            rest[parent].push_back(n->Window);
        }
    }
    for (auto& [parent, list] : tabbed)
        std::stable_sort(list.begin(), list.end(),
                         [](const Entry& a, const Entry& b) { return a.Order < b.Order; });
    auto arrange = [&](HWND parent) {
        HWND after = HWND_TOP;
        auto place = [&after](HWND window) {
            SetWindowPos(window, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            after = window;
        };
        for (const auto& e : tabbed[parent]) place(e.Window);
        auto& others = rest[parent];
        for (auto it = others.rbegin(); it != others.rend(); ++it) place(*it);
    };
    std::vector<HWND> parents;
    for (const auto& [parent, list] : tabbed) parents.push_back(parent);
    for (const auto& [parent, list] : rest)
        if (std::find(parents.begin(), parents.end(), parent) == parents.end())
            parents.push_back(parent);
    for (HWND parent : parents) arrange(parent);
}

void Win32Form::RunModal(const std::function<bool()>& done) {
    RECT frame;
    GetWindowRect(Hwnd, &frame);
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int w = frame.right - frame.left, h = frame.bottom - frame.top;
    SetWindowPos(Hwnd, nullptr, work.left + ((work.right - work.left) - w) / 2,
                 work.top + ((work.bottom - work.top) - h) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ShowWindow(Hwnd, SW_SHOW);
    SetForegroundWindow(Hwnd);
    if (const Native* first = Find("speedEdit")) {
        SetFocus(first->Window);
        SendMessageW(first->Window, EM_SETSEL, 0, -1);
    }
    MSG msg;
    while (!done()) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got <= 0) {
            if (got == 0) PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (!IsDialogMessageW(Hwnd, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}

void Win32Form::Hide() {
    if (Hwnd != nullptr) ShowWindow(Hwnd, SW_HIDE);
}

HWND Win32Form::Control(std::string_view name) const {
    const Native* n = Find(name);
    return n != nullptr ? n->Window : nullptr;
}

HWND Win32Form::Item(std::string_view name, int index) const {
    const Native* n = Find(name);
    if (n == nullptr || index < 0 || index >= static_cast<int>(n->Items.size())) return nullptr;
    return n->Items[static_cast<std::size_t>(index)];
}

HFONT Win32Form::Font(std::string_view name, int index) const {
    const Native* n = Find(name);
    if (n == nullptr) return nullptr;
    if (index < 0) return n->Font;
    return index < static_cast<int>(n->ItemFonts.size())
               ? n->ItemFonts[static_cast<std::size_t>(index)]
               : nullptr;
}

const Win32Form::Native* Win32Form::Find(std::string_view name) const {
    auto it = NativeControls.find(name);
    return it == NativeControls.end() ? nullptr : &it->second;
}

Win32Form::Native* Win32Form::Find(std::string_view name) {
    auto it = NativeControls.find(name);
    return it == NativeControls.end() ? nullptr : &it->second;
}

const Win32Form::Native* Win32Form::Find(ControlId id) const {
    const ControlDesc* c = FindControl(Form, id);
    return c != nullptr ? Find(c->Name) : nullptr;
}

Win32Form::Native* Win32Form::Find(ControlId id) {
    const ControlDesc* c = FindControl(Form, id);
    return c != nullptr ? Find(c->Name) : nullptr;
}

std::string Win32Form::Text(ControlId control) const {
    const Native* n = Find(control);
    if (n == nullptr) return {};
    wchar_t text[256] = L"";
    const int len = GetWindowTextW(n->Window, text, 256);
    return WideToSjis(std::wstring_view(text, static_cast<std::size_t>(len)));
}

void Win32Form::SetText(ControlId control, std::string_view text) {
    if (const Native* n = Find(control)) SetWindowTextW(n->Window, SjisToWide(text).c_str());
}

int Win32Form::ItemIndex(ControlId control) const {
    const Native* n = Find(control);
    if (n == nullptr) return -1;
    for (std::size_t i = 0; i < n->Items.size(); ++i)
        if (SendMessageW(n->Items[i], BM_GETCHECK, 0, 0) == BST_CHECKED) return static_cast<int>(i);
    return -1;
}

void Win32Form::SetItemIndex(ControlId control, int index) {
    const Native* n = Find(control);
    if (n == nullptr) return;
    for (std::size_t i = 0; i < n->Items.size(); ++i)
        SendMessageW(n->Items[i], BM_SETCHECK,
                     static_cast<int>(i) == index ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool Win32Form::Checked(ControlId control) const {
    const Native* n = Find(control);
    return n != nullptr && SendMessageW(n->Window, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Win32Form::SetChecked(ControlId control, bool checked) {
    if (const Native* n = Find(control))
        SendMessageW(n->Window, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

ColorValue Win32Form::Color(ControlId control) const {
    const Native* n = Find(control);
    return n != nullptr ? n->Swatch : 0;
}

void Win32Form::SetColor(ControlId control, ColorValue color) {
    Native* n = Find(control);
    if (n == nullptr) return;
    n->Swatch = color;
    if (n->Brush != nullptr) {
        DeleteObject(n->Brush);
        n->Brush = nullptr;
    }
    InvalidateRect(n->Window, nullptr, TRUE);
}

HBRUSH Win32Form::BrushFor(Native& native, ColorValue color) {
    if (native.Brush == nullptr) native.Brush = CreateSolidBrush(Rgb(color, SystemColors));
    return native.Brush;
}

void Win32Form::ClickById(int id) {
    auto it = Names.find(id);
    if (it == Names.end() || !OnClick) return;
    if (const ControlDesc* c = FindControl(Form, it->second)) OnClick(c->Id);
}

std::intptr_t __stdcall Win32Form::FormProc(HWND window, unsigned message, std::uintptr_t wParam,
                                            std::intptr_t lParam) {
    auto* self = reinterpret_cast<Win32Form*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_NCCREATE) {
        self = static_cast<Win32Form*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->Hwnd = window;
    }
    if (self != nullptr) {
        bool handled = false;
        const std::intptr_t result = self->Dispatch(message, wParam, lParam, handled);
        if (handled) return result;
    }
    return DefDlgProcW(window, message, wParam, lParam);
}

std::intptr_t Win32Form::Dispatch(unsigned message, std::uintptr_t wParam, std::intptr_t lParam,
                                  bool& handled) {
    switch (message) {
        case WM_COMMAND: {
            const int id = LOWORD(wParam);
            const int code = HIWORD(wParam);
            handled = true;
            if (code == BN_CLICKED) {
                ClickById(id);
            }
            return 0;
        }
        case WM_NOTIFY: {
            auto* header = reinterpret_cast<NMHDR*>(lParam);
            if (header->code == UDN_DELTAPOS) {
                for (auto& [name, native] : NativeControls) {
                    if (native.UpDown != header->hwndFrom) continue;
                    auto* delta = reinterpret_cast<NMUPDOWN*>(lParam);
                    const ControlDesc& c = *native.Spec;
                    SetText(c.Id, SpinEditStep(Text(c.Id), delta->iDelta > 0 ? 1 : -1, c.MinValue,
                                               c.MaxValue));
                    handled = true;
                    return 1;  // the field holds the value; the up-down keeps none of its own
                }
            }
            return 0;
        }
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN: {
            HWND child = reinterpret_cast<HWND>(lParam);
            HDC dc = reinterpret_cast<HDC>(wParam);
            for (auto& [name, native] : NativeControls) {
                if (native.Window != child) continue;
                const ControlDesc& c = *native.Spec;
                if (c.FontColor != clDefault) SetTextColor(dc, Rgb(c.FontColor, SystemColors));
                if (c.Kind == ControlKind::Swatch) {
                    handled = true;
                    SetBkColor(dc, Rgb(native.Swatch, SystemColors));
                    return reinterpret_cast<std::intptr_t>(BrushFor(native, native.Swatch));
                }
                if (c.Background != clDefault) {
                    handled = true;
                    SetBkColor(dc, Rgb(c.Background, SystemColors));
                    return reinterpret_cast<std::intptr_t>(BrushFor(native, c.Background));
                }
            }
            // Everything else on the form's face colour.
            handled = true;
            SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
            return reinterpret_cast<std::intptr_t>(GetSysColorBrush(COLOR_BTNFACE));
        }
        case WM_PAINT: {
            handled = true;
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(Hwnd, &paint);
            PaintGraphics(Hwnd, dc);
            EndPaint(Hwnd, &paint);
            return 0;
        }
        case WM_CLOSE:
            // No close box, but Alt+F4 and the task list can still ask: that is a Cancel.
            handled = true;
            for (const auto& c : Form.Controls)
                if (c.Cancel && OnClick) OnClick(c.Id);
            return 0;
        default:
            return 0;
    }
}

void Win32Form::ClampSpinEdit(const Native& native) {
    const ControlDesc& c = *native.Spec;
    const std::string clamped = SpinEditOnExit(Text(c.Id), c.MinValue, c.MaxValue);
    if (!clamped.empty()) SetText(c.Id, clamped);
}

std::intptr_t __stdcall Win32Form::SpinEditProc(HWND window, unsigned message,
                                                std::uintptr_t wParam, std::intptr_t lParam,
                                                std::uintptr_t, std::uintptr_t data) {
    if (message == WM_CHAR && !SpinEditAcceptsChar(static_cast<char32_t>(wParam))) {
        MessageBeep(0);
        return 0;
    }
    if (message == WM_KILLFOCUS) {
        const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
        // Leaving the field for another control of the dialog clamps a number to its range;
        // the whole window losing the focus (another program activated) leaves it as typed.
        auto* self = reinterpret_cast<Win32Form*>(data);
        HWND next = reinterpret_cast<HWND>(wParam);
        if (next != nullptr && (next == self->Hwnd || IsChild(self->Hwnd, next)))
            for (const auto& [name, native] : self->NativeControls)
                if (native.Window == window) self->ClampSpinEdit(native);
        return result;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

std::intptr_t __stdcall Win32Form::GroupBoxProc(HWND window, unsigned message,
                                                std::uintptr_t wParam, std::intptr_t lParam,
                                                std::uintptr_t, std::uintptr_t) {
    if (message == WM_ERASEBKGND) {
        // A group box draws only its line and caption, and the form does not paint beneath its
        // children: the face inside the box is the box's own to fill, in the colour the parent
        // gives its static controls.
        HDC dc = reinterpret_cast<HDC>(wParam);
        auto brush = reinterpret_cast<HBRUSH>(SendMessageW(
            GetParent(window), WM_CTLCOLORSTATIC, wParam, reinterpret_cast<LPARAM>(window)));
        RECT r;
        GetClientRect(window, &r);
        FillRect(dc, &r, brush != nullptr ? brush : GetSysColorBrush(COLOR_BTNFACE));
        return 1;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

std::intptr_t __stdcall Win32Form::PanelProc(HWND window, unsigned message, std::uintptr_t wParam,
                                             std::intptr_t lParam) {
    auto* self = reinterpret_cast<Win32Form*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_NCCREATE) {
        self = static_cast<Win32Form*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    if (self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
    switch (message) {
        // A panel holds its controls as real children, so that they paint over it and the dialog
        // manager tabs into them at the panel's own place. Their notifications go on to the form.
        case WM_COMMAND:
        case WM_NOTIFY:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLOREDIT:
            return SendMessageW(GetParent(window), message, wParam, lParam);
        case WM_ERASEBKGND:
            for (auto& [name, native] : self->NativeControls) {
                if (native.Window != window) continue;
                RECT r;
                GetClientRect(window, &r);
                FillRect(reinterpret_cast<HDC>(wParam), &r,
                         self->BrushFor(native, native.Spec->Background));
                return 1;
            }
            break;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(window, &paint);
            self->PaintGraphics(window, dc);
            EndPaint(window, &paint);
            return 0;
        }
        default:
            break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}
