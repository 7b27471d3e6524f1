#include "platform/win32/form.h"

#include "platform/win32/win.h"

#include <commctrl.h>

#include <algorithm>

#include "platform/win32/font.h"
#include "platform/win32/sjis.h"

namespace {

constexpr wchar_t kFormClass[] = L"SettingsDialog";
constexpr wchar_t kPanelClass[] = L"TPanel";

// A panel holds its controls as real children, so that they paint over it and the dialog
// manager tabs into them at the panel's own place. Their notifications go on to the form; the
// panel's background brush rides in its user data.
LRESULT CALLBACK PanelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
        case WM_NOTIFY:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLOREDIT:
            return SendMessageW(GetParent(window), message, wParam, lParam);
        case WM_ERASEBKGND: {
            RECT r;
            GetClientRect(window, &r);
            FillRect(reinterpret_cast<HDC>(wParam), &r, reinterpret_cast<HBRUSH>(GetWindowLongPtrW(window, GWLP_USERDATA)));
            return 1;
        }
        default:
            return DefWindowProcW(window, message, wParam, lParam);
    }
}

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

}  // namespace

Win32Form::Win32Form(const FormDesc& form, const SystemColorSource& colors) : form_(form), colors_(colors) {}

Win32Form::~Win32Form() {
    if (window_ != nullptr && IsWindow(window_)) DestroyWindow(window_);
    for (auto& [name, native] : controls_) {
        if (native.Brush != nullptr) DeleteObject(native.Brush);
        if (native.Font != nullptr) DeleteObject(native.Font);
    }
    for (HBITMAP glyph : glyphs_) DeleteObject(glyph);
    if (font_ != nullptr) DeleteObject(font_);
}

HFONT Win32Form::MakeFont(int height, bool bold) const {
    LOGFONTW lf{};
    lf.lfHeight = -height;
    lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    lf.lfCharSet = SHIFTJIS_CHARSET;
    lf.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
    wcsncpy_s(lf.lfFaceName, LF_FACESIZE, JapaneseUiFace(), _TRUNCATE);
    return CreateFontIndirectW(&lf);
}

bool Win32Form::Create(HWND owner, ClickHandler onClick) {
    onClick_ = std::move(onClick);
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
    panel.lpfnWndProc = &PanelProc;
    panel.hInstance = wc.hInstance;
    panel.hCursor = wc.hCursor;
    panel.lpszClassName = kPanelClass;
    RegisterClassExW(&panel);

    // A fixed dialog frame; without border icons there is no system menu and no close box.
    const DWORD style = WS_POPUP | WS_CAPTION | WS_CLIPCHILDREN | (form_.BorderIcons ? WS_SYSMENU : 0);
    const DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
    RECT frame{0, 0, form_.ClientWidth, form_.ClientHeight};
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    window_ = CreateWindowExW(exStyle, kFormClass, SjisToWide(form_.Caption).c_str(), style, CW_USEDEFAULT,
                              CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top, owner, nullptr,
                              GetModuleHandleW(nullptr), this);
    if (window_ == nullptr) return false;
    font_ = MakeFont(form_.FontHeight, false);
    for (const auto& control : form_.Controls) Build(control);
    ArrangeZOrder();
    SendMessageW(window_, DM_SETDEFID, IDOK, 0);
    return true;
}

void Win32Form::Build(const ControlDesc& c) {
    if (c.Kind == ControlKind::ColorDialog) return;
    int left = c.Left, top = c.Top;
    HWND parentWindow = window_;
    if (!c.Parent.empty()) {
        // Placed relative to the panel's outer edge, as the form describes it: the bevel takes
        // its width off the client area.
        if (const Native* parent = Find(c.Parent)) {
            parentWindow = parent->Window;
            left -= parent->Spec->BevelWidth;
            top -= parent->Spec->BevelWidth;
        }
    }
    Native native;
    native.Spec = &c;
    const int id = (c.Default ? IDOK : c.Cancel ? IDCANCEL : nextId_++);
    const std::wstring caption = SjisToWide(c.Caption);
    DWORD style = WS_CHILD | WS_VISIBLE;
    DWORD exStyle = 0;
    const wchar_t* cls = WC_STATICW;
    if (c.TabStop) style |= WS_TABSTOP | WS_GROUP;
    HINSTANCE instance = GetModuleHandleW(nullptr);
    auto make = [&](const wchar_t* klass, const wchar_t* text, DWORD s, DWORD ex, int x, int y, int w, int h, int cid) {
        HWND hwnd = CreateWindowExW(ex, klass, text, s, x, y, w, h, parentWindow,
                                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(cid)), instance, nullptr);
        SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
        return hwnd;
    };

    switch (c.Kind) {
        case ControlKind::Frame:
            style |= SS_ETCHEDFRAME;
            break;
        case ControlKind::Label:
            style |= SS_LEFTNOWORDWRAP | SS_NOPREFIX;  // one line, cut rather than wrapped
            // Painted after the siblings under it (the title's shadow), through its box.
            if (c.Transparent) exStyle |= WS_EX_TRANSPARENT;
            break;
        case ControlKind::Panel:
            cls = kPanelClass;
            exStyle |= WS_EX_CLIENTEDGE | WS_EX_CONTROLPARENT;  // the lowered bevel, two pixels wide
            break;
        case ControlKind::Swatch:
            style |= SS_LEFT | SS_SUNKEN;
            break;
        case ControlKind::CheckBox:
            cls = WC_BUTTONW;
            style |= BS_AUTOCHECKBOX;
            break;
        case ControlKind::PushButton:
            cls = WC_BUTTONW;
            style |= BS_PUSHBUTTON;
            break;
        case ControlKind::GlyphButton:
            cls = WC_BUTTONW;
            style |= c.Default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
            break;
        case ControlKind::SpinEdit:
            cls = WC_EDITW;
            style |= ES_LEFT | ES_AUTOHSCROLL;
            exStyle |= WS_EX_CLIENTEDGE;
            break;
        case ControlKind::RadioGroup:
            cls = WC_BUTTONW;
            style = (style & ~static_cast<DWORD>(WS_TABSTOP | WS_GROUP)) | BS_GROUPBOX;
            break;
        case ControlKind::ColorDialog:
            return;
    }
    native.Window = make(cls, caption.c_str(), style, exStyle, left, top, c.Width, c.Height, id);
    names_[id] = std::string(c.Name);

    if (c.FontHeight != 0 || c.Bold) {
        native.Font = MakeFont(c.FontHeight != 0 ? c.FontHeight : form_.FontHeight, c.Bold);
        SendMessageW(native.Window, WM_SETFONT, reinterpret_cast<WPARAM>(native.Font), FALSE);
    }
    if (c.Kind == ControlKind::Panel)
        SetWindowLongPtrW(native.Window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(BrushFor(native, c.Background)));
    if (c.Kind == ControlKind::Label && c.Align == Alignment::None) {
        // Labels size themselves to their text: the substitute face may run wider than the
        // one the form was laid out with.
        HDC dc = GetDC(native.Window);
        HGDIOBJ old = SelectObject(dc, native.Font != nullptr ? native.Font : font_);
        SIZE extent{};
        GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &extent);
        SelectObject(dc, old);
        ReleaseDC(native.Window, dc);
        SetWindowPos(native.Window, nullptr, 0, 0, std::max<int>(c.Width, extent.cx + 1),
                     std::max<int>(c.Height, extent.cy), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (c.Kind == ControlKind::GlyphButton) {
        HBITMAP glyph = MakeGlyph(c.Glyph);
        glyphs_.push_back(glyph);
        SendMessageW(native.Window, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(glyph));
    }
    if (c.Kind == ControlKind::Swatch) native.Swatch = c.Color;
    if (c.Kind == ControlKind::SpinEdit) {
        native.UpDown = CreateWindowExW(0, UPDOWN_CLASSW, nullptr,
                                        WS_CHILD | WS_VISIBLE | UDS_ALIGNRIGHT | UDS_ARROWKEYS | UDS_NOTHOUSANDS,
                                        0, 0, 0, 0, parentWindow, reinterpret_cast<HMENU>(static_cast<INT_PTR>(nextId_++)),
                                        instance, nullptr);
        SendMessageW(native.UpDown, UDM_SETBUDDY, reinterpret_cast<WPARAM>(native.Window), 0);
        SendMessageW(native.UpDown, UDM_SETRANGE32, static_cast<WPARAM>(c.MinValue), c.MaxValue);
        SetWindowSubclass(native.Window, reinterpret_cast<SUBCLASSPROC>(&SpinEditProc), 1,
                          reinterpret_cast<DWORD_PTR>(this));
        SetWindowTextW(native.Window, std::to_wstring(c.Value).c_str());
    }
    if (c.Kind == ControlKind::RadioGroup) {
        // The items share the box evenly below its caption, one column, as the framework lays
        // them out.
        const int count = static_cast<int>(c.Items.size());
        const int topMargin = form_.FontHeight + 2;
        const int step = count > 0 ? (c.Height - topMargin - 4) / count : 0;
        for (int i = 0; i < count; ++i) {
            DWORD itemStyle = WS_CHILD | WS_VISIBLE | BS_AUTORADIOBUTTON;
            if (i == 0) itemStyle |= WS_GROUP | WS_TABSTOP;
            const int itemId = nextId_++;
            HWND item = make(WC_BUTTONW, SjisToWide(c.Items[static_cast<std::size_t>(i)]).c_str(), itemStyle, 0,
                             left + 8, top + topMargin + i * step, c.Width - 16, step, itemId);
            native.Items.push_back(item);
        }
        if (c.ItemIndex >= 0 && c.ItemIndex < count)
            SendMessageW(native.Items[static_cast<std::size_t>(c.ItemIndex)], BM_SETCHECK, BST_CHECKED, 0);
    }
    controls_[std::string(c.Name)] = native;
}

void Win32Form::ArrangeZOrder() {
    // For the dialog manager tab order is z-order. Within each parent (the form, the panel) the
    // tab-stop controls go on top in their tab order, then the others, later-created above
    // earlier. Nothing clips its siblings, so bevels and group boxes, which draw only lines,
    // never hide the labels inside them.
    struct Entry {
        int Order;
        HWND Window;
    };
    std::map<HWND, std::vector<Entry>> tabbed;
    std::map<HWND, std::vector<HWND>> rest;
    for (const auto& c : form_.Controls) {
        const Native* n = Find(c.Name);
        if (n == nullptr) continue;
        HWND parent = GetParent(n->Window);
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
        std::stable_sort(list.begin(), list.end(), [](const Entry& a, const Entry& b) { return a.Order < b.Order; });
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
        if (std::find(parents.begin(), parents.end(), parent) == parents.end()) parents.push_back(parent);
    for (HWND parent : parents) arrange(parent);
}

void Win32Form::RunModal(const std::function<bool()>& done) {
    RECT frame;
    GetWindowRect(window_, &frame);
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int w = frame.right - frame.left, h = frame.bottom - frame.top;
    SetWindowPos(window_, nullptr, work.left + ((work.right - work.left) - w) / 2,
                 work.top + ((work.bottom - work.top) - h) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ShowWindow(window_, SW_SHOW);
    SetForegroundWindow(window_);
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
        if (!IsDialogMessageW(window_, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}

void Win32Form::Hide() {
    if (window_ != nullptr) ShowWindow(window_, SW_HIDE);
}

HWND Win32Form::Control(std::string_view name) const {
    const Native* n = Find(name);
    return n != nullptr ? n->Window : nullptr;
}

const Win32Form::Native* Win32Form::Find(std::string_view name) const {
    auto it = controls_.find(name);
    return it == controls_.end() ? nullptr : &it->second;
}

Win32Form::Native* Win32Form::Find(std::string_view name) {
    auto it = controls_.find(name);
    return it == controls_.end() ? nullptr : &it->second;
}

const Win32Form::Native* Win32Form::Find(ControlId id) const {
    const ControlDesc* c = FindControl(form_, id);
    return c != nullptr ? Find(c->Name) : nullptr;
}

Win32Form::Native* Win32Form::Find(ControlId id) {
    const ControlDesc* c = FindControl(form_, id);
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
        SendMessageW(n->Items[i], BM_SETCHECK, static_cast<int>(i) == index ? BST_CHECKED : BST_UNCHECKED, 0);
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
    if (native.Brush == nullptr) native.Brush = CreateSolidBrush(Rgb(color, colors_));
    return native.Brush;
}

void Win32Form::ClickById(int id) {
    auto it = names_.find(id);
    if (it == names_.end() || !onClick_) return;
    if (const ControlDesc* c = FindControl(form_, it->second)) onClick_(c->Id);
}

std::intptr_t __stdcall Win32Form::FormProc(HWND window, unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
    auto* self = reinterpret_cast<Win32Form*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_NCCREATE) {
        self = static_cast<Win32Form*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->window_ = window;
    }
    if (self != nullptr) {
        bool handled = false;
        const std::intptr_t result = self->Dispatch(message, wParam, lParam, handled);
        if (handled) return result;
    }
    return DefDlgProcW(window, message, wParam, lParam);
}

std::intptr_t Win32Form::Dispatch(unsigned message, std::uintptr_t wParam, std::intptr_t lParam, bool& handled) {
    switch (message) {
        case WM_COMMAND: {
            const int id = LOWORD(wParam);
            const int code = HIWORD(wParam);
            handled = true;
            if (code == BN_CLICKED) {
                ClickById(id);
            } else if (code == EN_KILLFOCUS) {
                // Leaving the spin field clamps a number to its range; other text stays.
                auto it = names_.find(id);
                if (it != names_.end()) {
                    const ControlDesc* c = FindControl(form_, it->second);
                    if (c != nullptr && c->Kind == ControlKind::SpinEdit) {
                        const std::string clamped = SpinEditOnExit(Text(c->Id), c->MinValue, c->MaxValue);
                        if (!clamped.empty()) SetText(c->Id, clamped);
                    }
                }
            }
            return 0;
        }
        case WM_NOTIFY: {
            auto* header = reinterpret_cast<NMHDR*>(lParam);
            if (header->code == UDN_DELTAPOS) {
                for (auto& [name, native] : controls_) {
                    if (native.UpDown != header->hwndFrom) continue;
                    auto* delta = reinterpret_cast<NMUPDOWN*>(lParam);
                    const ControlDesc& c = *native.Spec;
                    SetText(c.Id, SpinEditStep(Text(c.Id), delta->iDelta > 0 ? 1 : -1, c.MinValue, c.MaxValue));
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
            for (auto& [name, native] : controls_) {
                if (native.Window != child) continue;
                const ControlDesc& c = *native.Spec;
                if (c.FontColor != clDefault) SetTextColor(dc, Rgb(c.FontColor, colors_));
                if (c.Kind == ControlKind::Swatch) {
                    handled = true;
                    SetBkColor(dc, Rgb(native.Swatch, colors_));
                    return reinterpret_cast<std::intptr_t>(BrushFor(native, native.Swatch));
                }
                if (c.Transparent) {
                    handled = true;
                    SetBkMode(dc, TRANSPARENT);
                    return reinterpret_cast<std::intptr_t>(GetStockObject(NULL_BRUSH));
                }
                if (c.Background != clDefault) {
                    handled = true;
                    SetBkColor(dc, Rgb(c.Background, colors_));
                    return reinterpret_cast<std::intptr_t>(BrushFor(native, c.Background));
                }
            }
            // Everything else on the form's face colour.
            handled = true;
            SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
            return reinterpret_cast<std::intptr_t>(GetSysColorBrush(COLOR_BTNFACE));
        }
        case WM_CLOSE:
            // No close box, but Alt+F4 and the task list can still ask: that is a Cancel.
            handled = true;
            for (const auto& c : form_.Controls)
                if (c.Cancel && onClick_) onClick_(c.Id);
            return 0;
        default:
            return 0;
    }
}

std::intptr_t __stdcall Win32Form::SpinEditProc(HWND window, unsigned message, std::uintptr_t wParam,
                                                std::intptr_t lParam, std::uintptr_t, std::uintptr_t) {
    if (message == WM_CHAR && !SpinEditAcceptsChar(static_cast<char32_t>(wParam))) {
        MessageBeep(0);
        return 0;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}
