// Win32Form: a form built from its description (settings/settingsform.h). Controls that take
// input are native windows: group boxes with radio buttons, check boxes, an edit with an up-down
// control, sunken static swatches, glyph buttons and a panel. Bevels and labels are graphics of
// the form (or of the panel) that it paints itself beneath those windows, as the form's toolkit
// drew them. It shows and sets the controls' values for the form's handlers and reports clicks by
// control id.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "settings/settingsdialog.h"

struct HWND__;
struct HFONT__;
struct HBRUSH__;
struct HBITMAP__;
struct HDC__;

class Win32Form final : public FormControls {
  public:
    using ClickHandler = std::function<void(ControlId control)>;

    // `face`: the font face for the form's text; null for the program's Japanese UI face.
    Win32Form(const FormDesc& form, const SystemColorSource& colors, const wchar_t* face = nullptr);
    ~Win32Form() override;
    Win32Form(const Win32Form&) = delete;
    Win32Form& operator=(const Win32Form&) = delete;

    // Creates the hidden window and its controls, owned by `owner` (may be null).
    bool Create(HWND__* owner, ClickHandler onClick);
    // Shows the window centred on the screen and runs its messages until `done` says so, the
    // window is closed (which counts as a click on the Cancel control) or the loop is quit.
    void RunModal(const std::function<bool()>& done);
    void Hide();
    HWND__* Handle() const { return Hwnd; }
    // The native window of a control; null for bevels and labels, which have none.
    HWND__* Control(std::string_view name) const;
    // The window of item `index` of a radio group.
    HWND__* Item(std::string_view name, int index) const;
    // The font a control's text is drawn in (item `index` of a radio group): the form's, or a
    // smaller one where the text would not fit its box in the form's.
    HFONT__* Font(std::string_view name, int index = -1) const;

    std::string Text(ControlId control) const override;
    void SetText(ControlId control, std::string_view text) override;
    int ItemIndex(ControlId control) const override;
    void SetItemIndex(ControlId control, int index) override;
    bool Checked(ControlId control) const override;
    void SetChecked(ControlId control, bool checked) override;
    ColorValue Color(ControlId control) const override;
    void SetColor(ControlId control, ColorValue color) override;

  private:
    struct Native {
        const ControlDesc* Spec = nullptr;
        HWND__* Window = nullptr;    // null for a graphic (bevel, label)
        HWND__* Parent = nullptr;    // the window it sits on: the form or the panel
        int Left = 0, Top = 0;       // in the parent's client area
        std::vector<HWND__*> Items;  // radio buttons of a group
        std::vector<HFONT__*> ItemFonts;
        HWND__* UpDown = nullptr;   // spin edit's buttons
        ColorValue Swatch = 0;      // swatch colour
        HBRUSH__* Brush = nullptr;  // background, when the control has one of its own
        HFONT__* Font = nullptr;    // the font its text is drawn in
    };

    static std::intptr_t __stdcall FormProc(HWND__* window, unsigned message, std::uintptr_t wParam,
                                            std::intptr_t lParam);
    static std::intptr_t __stdcall PanelProc(HWND__* window, unsigned message,
                                             std::uintptr_t wParam, std::intptr_t lParam);
    static std::intptr_t __stdcall SpinEditProc(HWND__* window, unsigned message,
                                                std::uintptr_t wParam, std::intptr_t lParam,
                                                std::uintptr_t id, std::uintptr_t data);
    static std::intptr_t __stdcall GroupBoxProc(HWND__* window, unsigned message,
                                                std::uintptr_t wParam, std::intptr_t lParam,
                                                std::uintptr_t id, std::uintptr_t data);
    std::intptr_t Dispatch(unsigned message, std::uintptr_t wParam, std::intptr_t lParam,
                           bool& handled);
    void Build(const ControlDesc& control);
    void ArrangeZOrder();
    void ClickById(int id);
    void PaintGraphics(HWND__* parent, HDC__* dc);
    void ClampSpinEdit(const Native& native);
    HFONT__* MakeFont(int height, bool bold);
    // The largest font up to `height` pixels in which `text` is at most `room` pixels wide.
    HFONT__* FittingFont(const std::wstring& text, int room, int height, bool bold);
    HBRUSH__* BrushFor(Native& native, ColorValue color);
    const Native* Find(std::string_view name) const;
    Native* Find(std::string_view name);
    const Native* Find(ControlId id) const;
    Native* Find(ControlId id);

    const FormDesc& Form;
    const SystemColorSource& SystemColors;
    const wchar_t* Face;
    ClickHandler OnClick;
    HWND__* Hwnd = nullptr;
    HFONT__* FontHandle = nullptr;
    std::vector<HFONT__*> Fonts;  // every font made, the form's first
    std::vector<HBITMAP__*> Glyphs;
    std::map<std::string, Native, std::less<>> NativeControls;
    std::map<int, std::string> Names;  // control id -> name
    int NextId = 100;
};
