// The page's entry points: the drive, the settings store kept in the page's storage, and the
// settings panel run by the dialog's own handlers. The page's script calls these; everything
// they reach is the saver's platform-free code and this folder's page backends.
#include <emscripten.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/common/systemcolors.h"
#include "platform/memory/virtualtimer.h"
#include "platform/posix/codepage.h"
#include "platform/web/canvastext.h"
#include "platform/web/colorpicker.h"
#include "platform/web/drive.h"
#include "platform/web/messagebox.h"
#include "platform/web/panelcontrols.h"
#include "platform/web/panelform.h"
#include "platform/web/registry.h"
#include "settings/convert.h"
#include "settings/errors.h"
#include "settings/settings.h"
#include "settings/settingsdialog.h"
#include "settings/settingsstore.h"

namespace {

// Everything the page holds, made once when the module loads.
struct Page {
    DefaultSystemColors Colors;
    CanvasText Text;
    PageDrive Drive{Colors, &Text};
    PageRegistry Store;
    PageMessageBox Box;
    PanelControls Controls;
    PageColorPicker Picker;
    std::unique_ptr<SettingsDialog> Panel;
    std::vector<std::pair<std::string, std::string>> Overrides;
    std::string Returned;  // the last text handed to the page
};

Page& ThePage() {
    static Page page;
    return page;
}

const char* Return(std::string text) {
    ThePage().Returned = std::move(text);
    return ThePage().Returned.c_str();
}

// The stored settings, read as the saver window reads them: a bad value is reported and the
// values read before it stay; then the page's own overrides.
SaverSettings ReadPageSettings() {
    Page& page = ThePage();
    SaverSettings settings;
    try {
        SettingsStore store(page.Store, kSettingsBaseKey);
        ReadSettings(store, settings);
    } catch (const ReportedError& e) {
        ReportError(page.Box, e);
    }
    for (const auto& [name, text] : page.Overrides) {
        try {
            ApplySettingText(settings, name, text);
        } catch (const ReportedError& e) {
            ReportError(page.Box, e);
        }
    }
    return settings;
}

}  // namespace

extern "C" {

// The stored text: 0 when taken, else the line (1-based; -1 for the whole) it cannot be parsed
// at, and the store is then empty.
EMSCRIPTEN_KEEPALIVE int velmora_store_load(const char* text, int length) {
    const auto error = ThePage().Store.Load(std::string(text, static_cast<std::size_t>(length)));
    if (!error) return 0;
    return error->Line > 0 ? error->Line : -1;
}
EMSCRIPTEN_KEEPALIVE const char* velmora_store_text() {
    return Return(ThePage().Store.Text());
}
EMSCRIPTEN_KEEPALIVE int velmora_returned_length() {
    return static_cast<int>(ThePage().Returned.size());
}
EMSCRIPTEN_KEEPALIVE unsigned velmora_store_changes() {
    return ThePage().Store.Changes();
}

// A setting in its stored text form over the stored ones, for the next start (the page's
// address can give them, as the recorder's --set does).
EMSCRIPTEN_KEEPALIVE int velmora_override(const char* name, const char* text) {
    if (FindSetting(name) == nullptr) return 0;
    ThePage().Overrides.emplace_back(name, text);
    return 1;
}

// Starts the drive on a `width` x `height` view; with `ownMode`, a stored DispMode other than 0
// makes the view 640 x 480 as it makes the saver window, and the page stretches it (a browser
// cannot switch the display). Returns the frame period.
EMSCRIPTEN_KEEPALIVE int velmora_start(int width, int height, int courseSteps, unsigned timeOfDay,
                                       int ownMode) {
    const SaverSettings settings = ReadPageSettings();
    if (ownMode != 0 && settings.DispMode != 0) {
        width = 640;
        height = 480;
    }
    FixedClock clock(timeOfDay);
    ThePage().Drive.Start(width, height, settings, courseSteps, clock);
    return ThePage().Drive.Period();
}
EMSCRIPTEN_KEEPALIVE int velmora_run_due(double elapsedMs) {
    return ThePage().Drive.RunDue(elapsedMs);
}
EMSCRIPTEN_KEEPALIVE void velmora_run_next() {
    ThePage().Drive.RunNext();
}
EMSCRIPTEN_KEEPALIVE long velmora_frames_run() {
    return ThePage().Drive.FramesRun();
}

EMSCRIPTEN_KEEPALIVE const std::uint32_t* velmora_pixels() {
    return ThePage().Drive.Surface().Pixels();
}
EMSCRIPTEN_KEEPALIVE int velmora_width() {
    return ThePage().Drive.Surface().Width();
}
EMSCRIPTEN_KEEPALIVE int velmora_height() {
    return ThePage().Drive.Surface().Height();
}
EMSCRIPTEN_KEEPALIVE int velmora_take_changes() {
    return ThePage().Drive.Surface().TakeChanges();
}
EMSCRIPTEN_KEEPALIVE const std::int32_t* velmora_changes() {
    return ThePage().Drive.Surface().Changes().data();
}
// Left, top, right, bottom of the banner's text boxes.
EMSCRIPTEN_KEEPALIVE const std::int32_t* velmora_text_bounds() {
    static std::int32_t box[4];
    const Rect32 r = ThePage().Drive.Surface().TextBounds();
    box[0] = r.Left, box[1] = r.Top, box[2] = r.Right, box[3] = r.Bottom;
    return box;
}

// The settings panel.
EMSCRIPTEN_KEEPALIVE const char* velmora_panel_form() {
    return Return(PanelFormJson());
}

// Opens the panel on the stored settings, as the dialog is created.
EMSCRIPTEN_KEEPALIVE void velmora_panel_open() {
    Page& page = ThePage();
    if (page.Panel) page.Panel->Destroy();
    page.Panel = std::make_unique<SettingsDialog>(page.Store, page.Controls, page.Picker, page.Box);
    page.Panel->Create();
}
EMSCRIPTEN_KEEPALIVE void velmora_panel_click(int control) {
    if (ThePage().Panel) ThePage().Panel->Click(static_cast<ControlId>(control));
}
// The colour the page's picker chose for colour row `row`, then a click on that row's button.
EMSCRIPTEN_KEEPALIVE void velmora_panel_pick(int buttonControl, int rgb) {
    const ColorValue bgr = ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
    ThePage().Picker.Offer(bgr);
    velmora_panel_click(buttonControl);
}

EMSCRIPTEN_KEEPALIVE const char* velmora_panel_text(int control) {
    return Return(ThePage().Controls.Text(static_cast<ControlId>(control)));
}
EMSCRIPTEN_KEEPALIVE void velmora_panel_set_text(int control, const char* text) {
    ThePage().Controls.SetText(static_cast<ControlId>(control), text);
}
EMSCRIPTEN_KEEPALIVE int velmora_panel_index(int control) {
    return ThePage().Controls.ItemIndex(static_cast<ControlId>(control));
}
EMSCRIPTEN_KEEPALIVE void velmora_panel_set_index(int control, int index) {
    ThePage().Controls.SetItemIndex(static_cast<ControlId>(control), index);
}
EMSCRIPTEN_KEEPALIVE int velmora_panel_checked(int control) {
    return ThePage().Controls.Checked(static_cast<ControlId>(control)) ? 1 : 0;
}
EMSCRIPTEN_KEEPALIVE void velmora_panel_set_checked(int control, int checked) {
    ThePage().Controls.SetChecked(static_cast<ControlId>(control), checked != 0);
}
EMSCRIPTEN_KEEPALIVE int velmora_panel_color(int control) {
    return ThePage().Controls.Color(static_cast<ControlId>(control));
}
// A swatch set from a colour text (a name or an integer): 0 when the text is refused, which the
// standard error report shows with the store's own message.
EMSCRIPTEN_KEEPALIVE int velmora_panel_set_color_text(int control, const char* text) {
    try {
        ThePage().Controls.SetColor(static_cast<ControlId>(control), ColorFromText(text));
        return 1;
    } catch (const ReportedError& e) {
        ReportError(ThePage().Box, e);
        return 0;
    }
}
// A colour's stored text and the 0xRRGGBB it draws as now.
EMSCRIPTEN_KEEPALIVE const char* velmora_color_text(int color) {
    return Return(ColorToText(color));
}
EMSCRIPTEN_KEEPALIVE int velmora_color_rgb(int color) {
    const std::uint32_t bgr = ColorToRGB(color, ThePage().Colors);
    return static_cast<int>(((bgr & 0xFF) << 16) | (bgr & 0xFF00) | ((bgr >> 16) & 0xFF));
}

// The spin field's rules on the panel's speed field.
EMSCRIPTEN_KEEPALIVE int velmora_spin_accepts(unsigned codePoint) {
    return SpinEditAcceptsChar(static_cast<char32_t>(codePoint)) ? 1 : 0;
}
EMSCRIPTEN_KEEPALIVE void velmora_spin_step(int control, int delta) {
    const ControlDesc* spin = FindControl(SettingsForm, static_cast<ControlId>(control));
    if (spin == nullptr) return;
    PanelControls& c = ThePage().Controls;
    c.SetText(spin->Id, SpinEditStep(c.Text(spin->Id), delta, spin->MinValue, spin->MaxValue));
}
EMSCRIPTEN_KEEPALIVE void velmora_spin_exit(int control) {
    const ControlDesc* spin = FindControl(SettingsForm, static_cast<ControlId>(control));
    if (spin == nullptr) return;
    PanelControls& c = ThePage().Controls;
    const std::string text = SpinEditOnExit(c.Text(spin->Id), spin->MinValue, spin->MaxValue);
    if (!text.empty()) c.SetText(spin->Id, text);
}

// A .reg file's settings into the panel, read as the dialog reads the store: a bad value is
// refused with the store's message and the controls not read yet keep what they show. Nothing
// is stored until the panel's OK. Returns 0, or the line the file cannot be parsed at (-1: the
// file as a whole), reported as well.
EMSCRIPTEN_KEEPALIVE int velmora_import(const char* bytes, int length) {
    Page& page = ThePage();
    PageRegistry file;
    if (const auto error = file.Load(std::string(bytes, static_cast<std::size_t>(length)))) {
        std::string where = error->Line > 0 ? "line " + std::to_string(error->Line) + ": " : "";
        page.Box.Show(where + error->What, kApplicationTitle, MessageIcon::Stop);
        return error->Line > 0 ? error->Line : -1;
    }
    SettingsDialog reader(file, page.Controls, page.Picker, page.Box);
    reader.Create();
    reader.Destroy();
    return 0;
}

}  // extern "C"
