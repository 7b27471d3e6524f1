// The settings dialog's handlers against a fake form built from the form description, over the
// in-memory registry.
#include "settings/settingsdialog.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <deque>
#include <map>
#include <set>

#include "platform/colorpicker.h"
#include "platform/messagebox.h"
#include "settings/settings.h"
#include "tests/settings/messages.h"
#include "tests/support/memoryregistry.h"

namespace {

using ::testing::ElementsAre;

constexpr std::string_view kKey = "Software\\Velmora";

using enum ControlId;

// The controls as the form description designs them; only what the handlers touch. A handler
// that touches a control of the wrong kind fails the test.
class FakeForm : public FormControls {
    template <typename M>
    static auto& Known(M& map, ControlId c) {
        auto it = map.find(c);
        if (it == map.end())
            throw std::logic_error("no such control: " + std::to_string(static_cast<int>(c)));
        return it->second;
    }

  public:
    FakeForm() {
        for (const auto& c : SettingsForm.Controls) {
            switch (c.Kind) {
                case ControlKind::SpinEdit:
                    texts[c.Id] = std::to_string(c.Value);
                    break;
                case ControlKind::RadioGroup:
                    items[c.Id] = c.ItemIndex;
                    break;
                case ControlKind::CheckBox:
                    checks[c.Id] = false;
                    break;
                case ControlKind::Swatch:
                    colors[c.Id] = c.Color;
                    break;
                default:
                    break;
            }
        }
    }
    std::string Text(ControlId c) const override { return Known(texts, c); }
    void SetText(ControlId c, std::string_view t) override { Known(texts, c) = t; }
    int ItemIndex(ControlId c) const override { return Known(items, c); }
    void SetItemIndex(ControlId c, int i) override { Known(items, c) = i; }
    bool Checked(ControlId c) const override { return Known(checks, c); }
    void SetChecked(ControlId c, bool v) override { Known(checks, c) = v; }
    ColorValue Color(ControlId c) const override { return Known(colors, c); }
    void SetColor(ControlId c, ColorValue v) override { Known(colors, c) = v; }

    std::map<ControlId, std::string> texts;
    std::map<ControlId, int> items;
    std::map<ControlId, bool> checks;
    std::map<ControlId, ColorValue> colors;
};

// The swatch drawn beside a colour button: left of it, one pixel higher.
const ControlDesc* SwatchBeside(const ControlDesc& button) {
    for (const auto& c : SettingsForm.Controls)
        if (c.Kind == ControlKind::Swatch && c.Left + 19 == button.Left && c.Top + 1 == button.Top)
            return &c;
    return nullptr;
}

struct ScriptedPicker : ColorPicker {
    struct Answer {
        bool Ok;
        ColorValue Color;
    };
    std::deque<Answer> answers;
    std::vector<ColorValue> openedAt;
    std::vector<std::array<std::uint32_t, 16>> customsSeen;
    bool Pick(ColorValue& color, std::array<std::uint32_t, 16>& custom) override {
        openedAt.push_back(color);
        customsSeen.push_back(custom);
        custom[static_cast<std::size_t>(openedAt.size() % 16)] =
            0x00123456;  // the user edits a slot
        Answer a = answers.empty() ? Answer{false, 0} : answers.front();
        if (!answers.empty()) answers.pop_front();
        if (a.Ok) color = a.Color;
        return a.Ok;
    }
};

struct RecordingBox : MessageBoxService {
    struct Shown {
        std::string Text, Caption;
        MessageIcon Icon;
    };
    std::vector<Shown> shown;
    void Show(std::string_view text, std::string_view caption, MessageIcon icon) override {
        shown.push_back({std::string(text), std::string(caption), icon});
    }
};

class SettingsDialogTest : public ::testing::Test {
  protected:
    MemoryRegistry reg;
    FakeForm form;
    ScriptedPicker picker;
    RecordingBox box;
    SettingsDialog dialog{reg, form, picker, box};

    std::map<std::string, std::string> Stored() const {
        std::map<std::string, std::string> out;
        for (const auto& name : reg.ValueNames(kKey))
            out[name] = reg.GetText(kKey, name).value_or("?");
        return out;
    }
    std::vector<std::string> SetOrder() const {
        std::vector<std::string> out;
        for (const auto& line : reg.Log())
            if (line.rfind("SetValue ", 0) == 0) out.push_back(line.substr(9));
        return out;
    }
};

TEST_F(SettingsDialogTest, CreateShowsTheDefaultsWhenNothingIsStored) {
    form.texts[speedEdit] = "x";
    form.colors[roadSwatch] = 0;
    dialog.Create();
    EXPECT_EQ(form.Text(speedEdit), "30");
    EXPECT_EQ(form.ItemIndex(displayModeGroup), 0);
    EXPECT_EQ(form.ItemIndex(reliefGroup), 1);
    EXPECT_FALSE(form.Checked(starScrollCheck) || form.Checked(cometCheck) ||
                 form.Checked(seeThroughCheck));
    EXPECT_EQ(form.Color(roadSwatch), cl3DLight);
    EXPECT_EQ(form.Color(town2Swatch), clTeal);
    EXPECT_TRUE(box.shown.empty());
    EXPECT_FALSE(reg.KeyExists(kKey));
}

TEST_F(SettingsDialogTest, CreateReadsInTheDialogsOrder) {
    reg.PutText(kKey, "Speed", "30");
    dialog.Create();
    std::vector<std::string> names;
    for (const auto& line : reg.Log())
        if (line.rfind("QueryValueInfo ", 0) == 0 &&
            (names.empty() || names.back() != line.substr(15)))
            names.push_back(line.substr(15));
    EXPECT_THAT(names, ElementsAre("Speed", "DispMode", "StarScroll", "UpDown", "Comet", "Trans",
                                   "road_Color", "porl_Color", "star1_Color", "star2_Color",
                                   "star3_Color", "town1_Color", "town2_Color", "town3_Color"));
}

TEST_F(SettingsDialogTest, CreateClampsWhatItShows) {
    reg.PutTexts(kKey, {{"Speed", "99"},
                        {"DispMode", "5"},
                        {"UpDown", "-4"},
                        {"StarScroll", "5"},
                        {"road_Color", "CL3DLIGHT"},
                        {"porl_Color", "16711680"}});
    dialog.Create();
    EXPECT_EQ(form.Text(speedEdit), "50");
    EXPECT_EQ(form.ItemIndex(displayModeGroup), 1);
    EXPECT_EQ(form.ItemIndex(reliefGroup), -1);
    EXPECT_TRUE(form.Checked(starScrollCheck));
    EXPECT_EQ(form.Color(lampSwatch), 0xFF0000);

    reg.PutText(kKey, "Speed", "3");
    reg.PutText(kKey, "UpDown", "7");
    SettingsDialog again(reg, form, picker, box);
    again.Create();
    EXPECT_EQ(form.Text(speedEdit), "15");
    EXPECT_EQ(form.ItemIndex(reliefGroup), 3);
}

TEST_F(SettingsDialogTest, OkWithNoChangeRewritesAllFourteenDefaultsInOrder) {
    dialog.Create();
    dialog.Click(okButton);
    EXPECT_EQ(dialog.ModalResult, DialogResult::Ok);
    EXPECT_THAT(SetOrder(),
                ElementsAre("Speed", "DispMode", "UpDown", "StarScroll", "Comet", "Trans",
                            "road_Color", "porl_Color", "star1_Color", "star2_Color", "star3_Color",
                            "town1_Color", "town2_Color", "town3_Color"));
    auto s = Stored();
    EXPECT_EQ(s, (std::map<std::string, std::string>{{"Speed", "30"},
                                                     {"DispMode", "0"},
                                                     {"UpDown", "1"},
                                                     {"StarScroll", "0"},
                                                     {"Comet", "0"},
                                                     {"Trans", "0"},
                                                     {"road_Color", "cl3DLight"},
                                                     {"porl_Color", "clYellow"},
                                                     {"star1_Color", "clAqua"},
                                                     {"star2_Color", "clGray"},
                                                     {"star3_Color", "clYellow"},
                                                     {"town1_Color", "clYellow"},
                                                     {"town2_Color", "clTeal"},
                                                     {"town3_Color", "clRed"}}));
}

TEST_F(SettingsDialogTest, OkNormalisesWhatWasStored) {
    reg.PutText(kKey, "DispMode", "5");
    reg.PutText(kKey, "UpDown", "-2");
    reg.PutText(kKey, "StarScroll", "5");
    reg.PutText(kKey, "road_Color", "$00FF0000");
    reg.PutText(kKey, "porl_Color", "$0001FEFF");
    reg.PutText(kKey, "town3_Color", "0x0000009B");  // not a colour text: read as an error
    dialog.Create();
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].Text, NotAnInteger("0x0000009B") + ".");
    dialog.Click(okButton);
    auto s = Stored();
    EXPECT_EQ(s["DispMode"], "1");
    EXPECT_EQ(s["UpDown"], "-1");
    EXPECT_EQ(s["StarScroll"], "1");
    EXPECT_EQ(s["road_Color"], "clBlue");
    EXPECT_EQ(s["porl_Color"], "$0001FEFF");
    EXPECT_EQ(s["town3_Color"], "clRed");  // the design value stayed
}

TEST_F(SettingsDialogTest, ReadErrorIsReportedAndLeavesLaterControlsAtTheirDesignValues) {
    reg.PutText(kKey, "Speed", "44");
    reg.PutText(kKey, "porl_Color", "clLime");
    reg.Put(kKey, "star1_Color", kRegDword, {1, 0, 0, 0});
    reg.PutText(kKey, "star2_Color", "clRed");
    dialog.Create();
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].Text, BadDataType("star1_Color") + ".");
    EXPECT_EQ(box.shown[0].Caption, "Velmora");
    EXPECT_EQ(box.shown[0].Icon, MessageIcon::Stop);
    EXPECT_EQ(form.Text(speedEdit), "44");
    EXPECT_EQ(form.Color(lampSwatch), 0x00FF00);
    EXPECT_EQ(form.Color(star2Swatch), clGray);  // not reached
    ASSERT_TRUE(dialog.Store);                   // still open: OK can write
    dialog.Click(okButton);
    EXPECT_EQ(reg.GetText(kKey, "star1_Color"), "clAqua");
}

TEST_F(SettingsDialogTest, WriteErrorIsReportedKeepsEarlierValuesAndStillCloses) {
    dialog.Create();
    reg.FailCall(RegCall::SetValue, "Comet");
    dialog.Click(okButton);
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].Text, WriteFailed("Comet") + ".");
    EXPECT_EQ(dialog.ModalResult, DialogResult::Ok);
    EXPECT_THAT(reg.ValueNames(kKey), ElementsAre("Speed", "DispMode", "UpDown", "StarScroll"));
}

TEST_F(SettingsDialogTest, KeyThatCannotBeCreatedOnOkIsReported) {
    dialog.Create();
    reg.FailCall(RegCall::CreateKey);
    dialog.Click(okButton);
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].Text, CreateKeyFailed("Velmora") + ".");
}

// The eight stored colours: road, lamps, the three star layers, the three town layers.
static void ExpectColours(const std::map<std::string, std::string>& stored,
                          const std::array<const char*, 8>& expected) {
    static constexpr const char* kNames[] = {"road_Color",  "porl_Color",  "star1_Color",
                                             "star2_Color", "star3_Color", "town1_Color",
                                             "town2_Color", "town3_Color"};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const auto it = stored.find(kNames[i]);
        EXPECT_EQ(it == stored.end() ? std::string("(missing)") : it->second, expected[i])
            << kNames[i];
    }
}

TEST_F(SettingsDialogTest, DarkPresetThenOkStoresTheComputedColours) {
    dialog.Create();
    dialog.Click(darkPresetButton);
    EXPECT_TRUE(SetOrder().empty());  // nothing is written before OK
    dialog.Click(okButton);
    ExpectColours(Stored(), {"cl3DLight", "$0001FEFF", "cl3DLight", "clAqua", "clYellow",
                             "$0001807F", "clTeal", "$0000009B"});
}

TEST_F(SettingsDialogTest, BrightPresetDiffersFromTheDefaultsInRoadAndTownTwo) {
    dialog.Create();
    dialog.Click(darkPresetButton);
    dialog.Click(brightPresetButton);
    dialog.Click(okButton);
    ExpectColours(Stored(), {"clWhite", "clYellow", "clAqua", "clGray", "clYellow", "clYellow",
                             "clLime", "clRed"});
}

TEST_F(SettingsDialogTest, PresetThenCancelWritesNothing) {
    dialog.Create();
    dialog.Click(darkPresetButton);
    dialog.Click(cancelButton);
    EXPECT_EQ(dialog.ModalResult, DialogResult::Cancel);
    dialog.Destroy();
    EXPECT_TRUE(SetOrder().empty());
    EXPECT_FALSE(reg.KeyExists(kKey));
}

TEST_F(SettingsDialogTest, PickerOpensAtItsOwnLastColourNotAtTheSwatch) {
    dialog.Create();
    picker.answers = {{true, 0x0000FF}, {true, 0x010000 | 0xFF}, {false, 0}};
    dialog.Click(roadButton);
    dialog.Click(lampButton);
    dialog.Click(town3Button);
    EXPECT_THAT(picker.openedAt, ElementsAre(clBlack, 0x0000FF, 0x0100FF));
    EXPECT_EQ(form.Color(roadSwatch), 0x0000FF);
    EXPECT_EQ(form.Color(lampSwatch), 0x0100FF);
    EXPECT_EQ(form.Color(town3Swatch), clRed);  // cancelled: unchanged
    dialog.Click(okButton);
    EXPECT_EQ(reg.GetText(kKey, "road_Color"), "clRed");
    EXPECT_EQ(reg.GetText(kKey, "porl_Color"), "$000100FF");
}

TEST_F(SettingsDialogTest, EveryColourButtonSetsTheSwatchBesideIt) {
    dialog.Create();
    int buttons = 0;
    for (const auto& button : SettingsForm.Controls) {
        if (button.OnClick != ClickAction::ColorButton) continue;
        ++buttons;
        const ControlDesc* swatch = SwatchBeside(button);
        ASSERT_NE(swatch, nullptr) << button.Name;
        const ColorValue picked = 0x000100 * (button.Tag + 1);
        picker.answers = {{true, picked}};
        dialog.Click(button.Id);
        EXPECT_EQ(form.Color(swatch->Id), picked) << button.Name;
    }
    EXPECT_EQ(buttons, 8);
    picker.answers = {{true, 0x0A0B0C}};
    dialog.ColorButtonClicked(8);  // a Tag outside the rows sets nothing but the picker's colour
    EXPECT_EQ(dialog.PickerColor, 0x0A0B0C);
    for (const auto& [swatch, color] : form.colors) EXPECT_NE(color, 0x0A0B0C);
}

// A value the dialog offers that is not the setting's default, and its stored text.
std::int32_t OtherThanDefault(const SaverSetting& setting) {
    const std::int32_t def = DefaultValue(setting);
    switch (setting.Kind) {
        case SettingKind::Integer:
            return def == setting.Max ? setting.Min : setting.Max;
        case SettingKind::Flag:
            return def != 0 ? 0 : 1;
        case SettingKind::Colour:
            return def == 0x00102030 ? 0x00302010 : 0x00102030;
    }
    return def;
}
std::string StoredText(const SaverSetting& setting, std::int32_t value) {
    if (setting.Kind == SettingKind::Colour) return ColorToText(value);
    return std::to_string(value);
}

// The record's fields by the names of their stored values, written out here rather than taken
// from the table, so that a field given to the wrong setting shows.
std::map<std::string_view, std::int32_t> FieldsByName(const SaverSettings& s) {
#define FIELD(name) \
    { #name, s.name }
    return {FIELD(Speed),       FIELD(DispMode),    FIELD(StarScroll),  FIELD(Comet),
            FIELD(UpDown),      FIELD(Trans),       FIELD(road_Color),  FIELD(porl_Color),
            FIELD(star1_Color), FIELD(star2_Color), FIELD(star3_Color), FIELD(town1_Color),
            FIELD(town2_Color), FIELD(town3_Color)};
#undef FIELD
}

TEST(SettingsRoundTrip, EachSettingSurvivesOkAndReachesItsOwnField) {
    for (const auto& setting : SaverSettingTable) {
        MemoryRegistry reg;
        FakeForm form;
        ScriptedPicker picker;
        RecordingBox box;
        const std::int32_t value = OtherThanDefault(setting);
        reg.PutText(kKey, setting.Name, StoredText(setting, value));
        {
            SettingsDialog dialog(reg, form, picker, box);
            dialog.Create();
            dialog.Click(okButton);
            dialog.Destroy();
        }
        EXPECT_TRUE(box.shown.empty()) << setting.Name;
        EXPECT_EQ(reg.ValueNames(kKey).size(), SaverSettingTable.size());
        EXPECT_EQ(reg.GetText(kKey, setting.Name), StoredText(setting, value));

        auto expected = FieldsByName(SaverSettings{});
        expected[setting.Name] = value;
        SaverSettings read;
        SettingsStore ini(reg, kSettingsBaseKey);
        ReadSettings(ini, read);
        EXPECT_EQ(FieldsByName(read), expected) << setting.Name;
    }
}

TEST_F(SettingsDialogTest, CustomColoursStartUnsetAndLastForTheDialogsLifetime) {
    dialog.Create();
    dialog.Click(roadButton);
    dialog.Click(roadButton);
    ASSERT_EQ(picker.customsSeen.size(), 2u);
    for (auto c : picker.customsSeen[0]) EXPECT_EQ(c, 0xFFFFFFFFu);
    EXPECT_EQ(picker.customsSeen[1][1], 0x00123456u);  // what the first run left
}

TEST_F(SettingsDialogTest, SpinFieldTextIsTakenUnclampedOrAsFifteen) {
    dialog.Create();
    form.texts[speedEdit] = "99";  // typed, and Enter pressed while the field has the focus
    dialog.Click(okButton);
    EXPECT_EQ(reg.GetText(kKey, "Speed"), "99");
    form.texts[speedEdit] = "";
    dialog.Click(okButton);
    EXPECT_EQ(reg.GetText(kKey, "Speed"), "15");
    form.texts[speedEdit] = "2.5";
    dialog.Click(okButton);
    EXPECT_EQ(reg.GetText(kKey, "Speed"), "15");
}

TEST_F(SettingsDialogTest, DestroyReleasesTheAccessor) {
    dialog.Create();
    EXPECT_EQ(reg.OpenHandles(), 1u);
    dialog.Destroy();
    EXPECT_EQ(reg.OpenHandles(), 0u);
    EXPECT_FALSE(dialog.Store);
}

TEST(SpinEdit, KeepsDigitsSignsTheSeparatorAndControlCharactersButCarriageReturn) {
    for (char32_t c : {U'0', U'9', U'+', U'-', U'.', U'\b', U'\t', U'\x1B', U'\x16'})
        EXPECT_TRUE(SpinEditAcceptsChar(c)) << static_cast<int>(c);
    for (char32_t c : {U'\r', U'a', U' ', U'$', U'x', U',', U'\x7F', U'\x3000', U'\xFF11'})
        EXPECT_FALSE(SpinEditAcceptsChar(c)) << static_cast<int>(c);
}

TEST(SpinEdit, StepsByOneAndClamps) {
    EXPECT_EQ(SpinEditStep("30", 1, 15, 50), "31");
    EXPECT_EQ(SpinEditStep("30", -1, 15, 50), "29");
    EXPECT_EQ(SpinEditStep("50", 1, 15, 50), "50");
    EXPECT_EQ(SpinEditStep("15", -1, 15, 50), "15");
    EXPECT_EQ(SpinEditStep("99", -1, 15, 50), "50");
    EXPECT_EQ(SpinEditStep("abc", 1, 15, 50), "16");  // not an integer counts as 15
    EXPECT_EQ(SpinEditStep("", -1, 15, 50), "15");
    EXPECT_EQ(SpinEditStep("2147483647", 1, 15, 50), "50");
    EXPECT_EQ(SpinEditStep("-2147483648", -1, 15, 50), "15");
}

TEST(SpinEdit, LeavingTheFieldClampsNumbersAndKeepsOtherText) {
    EXPECT_EQ(SpinEditOnExit("99", 15, 50), "50");
    EXPECT_EQ(SpinEditOnExit("-3", 15, 50), "15");
    EXPECT_EQ(SpinEditOnExit("30", 15, 50), "");
    EXPECT_EQ(SpinEditOnExit("abc", 15, 50), "");
    EXPECT_EQ(SpinEditOnExit("", 15, 50), "");
    EXPECT_EQ(SpinEditValue("99", 15), 99);
    EXPECT_EQ(SpinEditValue("x", 15), 15);
}

TEST_F(SettingsDialogTest, DesignValuesAreWhatAnEmptyStoreShows) {
    // A read error leaves the controls not reached at their design values, which must then be
    // the defaults.
    const FakeForm designed;
    dialog.Create();
    EXPECT_EQ(form.texts, designed.texts);
    EXPECT_EQ(form.items, designed.items);
    EXPECT_EQ(form.checks, designed.checks);
    EXPECT_EQ(form.colors, designed.colors);
}

TEST(SettingsFormTest, ColourRowsAreButtonsBesideTheirSwatches) {
    for (const auto& button : SettingsForm.Controls) {
        if (button.OnClick != ClickAction::ColorButton) continue;
        EXPECT_EQ(button.Width, 66) << button.Name;
        EXPECT_EQ(button.Height, 16) << button.Name;
        EXPECT_NE(SwatchBeside(button), nullptr) << button.Name;
    }
}

TEST(SettingsFormTest, NamesAreUniqueAndTabOrdersRunWithoutGapsPerParent) {
    std::set<std::string_view> names;
    std::map<std::string_view, std::set<int>> tabs;
    for (const auto& c : SettingsForm.Controls) {
        EXPECT_TRUE(names.insert(c.Name).second) << c.Name;
        if (c.TabOrder >= 0) {
            EXPECT_TRUE(tabs[c.Parent].insert(c.TabOrder).second) << c.Name;
        }
    }
    EXPECT_EQ(SettingsForm.Controls.size(), 40u);
    EXPECT_EQ(tabs[""].size(), 9u);
    EXPECT_EQ(*tabs[""].rbegin(), 8);
    EXPECT_EQ(tabs["colorPanel"].size(), 18u);
    EXPECT_EQ(*tabs["colorPanel"].rbegin(), 17);
}

TEST(SettingsFormTest, EveryControlFitsInsideItsParent) {
    for (const auto& c : SettingsForm.Controls) {
        if (c.Kind == ControlKind::ColorDialog) continue;
        int width = SettingsForm.ClientWidth, height = SettingsForm.ClientHeight;
        if (!c.Parent.empty()) {
            const auto* parent = FindControl(SettingsForm, c.Parent);
            ASSERT_NE(parent, nullptr) << c.Name;
            width = parent->Width;
            height = parent->Height;
        }
        EXPECT_GE(c.Left, 0) << c.Name;
        EXPECT_GE(c.Top, 0) << c.Name;
        EXPECT_LE(c.Left + c.Width, width) << c.Name;
        EXPECT_LE(c.Top + c.Height, height) << c.Name;
    }
}

TEST(SettingsFormTest, OkAndCancelAreTheDefaultAndCancelButtons) {
    const auto* ok = FindControl(SettingsForm, okButton);
    const auto* cancel = FindControl(SettingsForm, cancelButton);
    EXPECT_TRUE(ok->Default && !ok->Cancel);
    EXPECT_EQ(ok->ModalResult, DialogResult::Ok);
    EXPECT_TRUE(cancel->Cancel && !cancel->Default);
    EXPECT_EQ(cancel->ModalResult, DialogResult::Cancel);
    EXPECT_EQ(ok->OnClick, ClickAction::Ok);
    EXPECT_EQ(cancel->OnClick, ClickAction::None);
    EXPECT_EQ(SettingsForm.ClientWidth, 306);
    EXPECT_EQ(SettingsForm.ClientHeight, 411);
    EXPECT_FALSE(SettingsForm.BorderIcons);
}

}  // namespace
