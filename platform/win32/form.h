// Win32Form: a form built with native controls from its description (settings/settingsform.h):
// group boxes with radio buttons, check boxes, an edit with an up-down control, sunken static
// swatches, glyph buttons, etched bevels and a panel. It shows and sets the controls' values for
// the form's handlers and reports clicks by control id.
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

class Win32Form final : public FormControls {
public:
    using ClickHandler = std::function<void(ControlId control)>;

    Win32Form(const FormDesc& form, const SystemColorSource& colors);
    ~Win32Form() override;
    Win32Form(const Win32Form&) = delete;
    Win32Form& operator=(const Win32Form&) = delete;

    // Creates the hidden window and its controls, owned by `owner` (may be null).
    bool Create(HWND__* owner, ClickHandler onClick);
    // Shows the window centred on the screen and runs its messages until `done` says so, the
    // window is closed (which counts as a click on the Cancel control) or the loop is quit.
    void RunModal(const std::function<bool()>& done);
    void Hide();
    HWND__* Handle() const { return window_; }
    HWND__* Control(std::string_view name) const;

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
        HWND__* Window = nullptr;
        std::vector<HWND__*> Items;  // radio buttons of a group
        HWND__* UpDown = nullptr;    // spin edit's buttons
        ColorValue Swatch = 0;           // swatch colour
        HBRUSH__* Brush = nullptr;   // background, when the control has one of its own
        HFONT__* Font = nullptr;     // when not the form's
    };

    static std::intptr_t __stdcall FormProc(HWND__* window, unsigned message, std::uintptr_t wParam,
                                            std::intptr_t lParam);
    static std::intptr_t __stdcall SpinEditProc(HWND__* window, unsigned message, std::uintptr_t wParam,
                                                std::intptr_t lParam, std::uintptr_t id, std::uintptr_t data);
    std::intptr_t Dispatch(unsigned message, std::uintptr_t wParam, std::intptr_t lParam, bool& handled);
    void Build(const ControlDesc& control);
    void ArrangeZOrder();
    void ClickById(int id);
    HFONT__* MakeFont(int height, bool bold) const;
    HBRUSH__* BrushFor(Native& native, ColorValue color);
    const Native* Find(std::string_view name) const;
    Native* Find(std::string_view name);
    const Native* Find(ControlId id) const;
    Native* Find(ControlId id);

    const FormDesc& form_;
    const SystemColorSource& colors_;
    ClickHandler onClick_;
    HWND__* window_ = nullptr;
    HFONT__* font_ = nullptr;
    std::vector<HBITMAP__*> glyphs_;
    std::map<std::string, Native, std::less<>> controls_;
    std::map<int, std::string> names_;  // control id -> name
    int nextId_ = 100;
};
