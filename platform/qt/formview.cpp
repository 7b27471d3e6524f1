#include "platform/qt/formview.h"

#include <QCheckBox>
#include <QDialog>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>

#include <algorithm>

#include "platform/common/systemcolors.h"
#include "platform/qt/application.h"
#include "platform/qt/spinedit.h"

namespace {

QColor Resolve(ColorValue color) {
    static const DefaultSystemColors system;
    std::uint32_t rgb = ColorToRGB(color, system);
    return QColor(static_cast<int>(rgb & 0xFF), static_cast<int>((rgb >> 8) & 0xFF),
                  static_cast<int>((rgb >> 16) & 0xFF));
}

void SetRole(QWidget* w, QPalette::ColorRole role, ColorValue color) {
    if (color == clDefault) return;
    QPalette p = w->palette();
    p.setColor(role, Resolve(color));
    w->setPalette(p);
}

void SetBackground(QWidget* w, ColorValue color) {
    if (color == clDefault) return;
    w->setAutoFillBackground(true);
    SetRole(w, QPalette::Window, color);
}

bool IsGraphic(ControlKind kind) {
    return kind == ControlKind::Frame || kind == ControlKind::Label;
}

// Radio items laid out the way a Windows radio group spreads them: one column, the height
// below the caption shared evenly.
void PlaceRadioItems(const ControlDesc& desc, const std::vector<QRadioButton*>& items,
                     int fontHeight) {
    const int count = static_cast<int>(items.size());
    if (count == 0) return;
    const int free = desc.Height - fontHeight - 5;
    const int itemHeight = free / count;
    const int top = fontHeight + 1 + (free % count) / 2;
    for (int i = 0; i < count; ++i)
        items[static_cast<std::size_t>(i)]->setGeometry(8, top + i * itemHeight, desc.Width - 10,
                                                        itemHeight);
}

// The widgets of the kinds that need nothing of the view.
QWidget* MakeFrame(QWidget* parent) {
    auto* frame = new QFrame(parent);
    frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
    frame->setAttribute(Qt::WA_TransparentForMouseEvents);
    return frame;
}

QWidget* MakeLabel(const ControlDesc& desc, QWidget* parent) {
    auto* label = new QLabel(QtText(desc.Caption), parent);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QWidget* MakePanel(const ControlDesc& desc, QWidget* parent) {
    auto* panel = new QFrame(parent);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setLineWidth(desc.BevelWidth);
    return panel;
}

QWidget* MakeSwatch(const ControlDesc& desc, QWidget* parent) {
    auto* swatch = new QLabel(QtText(desc.Caption), parent);
    swatch->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    swatch->setLineWidth(1);
    swatch->setFixedSize(desc.Width, desc.Height);
    return swatch;
}

void ApplyFont(const ControlDesc& desc, QWidget* w) {
    if (desc.FontHeight == 0 && !desc.Bold) return;
    QFont font = w->font();
    if (desc.FontHeight != 0) font.setPixelSize(desc.FontHeight);
    font.setBold(desc.Bold);
    w->setFont(font);
}

// Labels size themselves to their text, as Windows labels do: the substitute face may be wider
// than the one the layout was drawn with.
void FitLabelToText(const ControlDesc& desc, QWidget* w) {
    if (desc.Kind != ControlKind::Label || desc.Align != Alignment::None) return;
    w->resize(std::max(desc.Width, w->sizeHint().width()),
              std::max(desc.Height, w->sizeHint().height()));
}

}  // namespace

QtFormView::QtFormView(const FormDesc& form, QDialog& dialog,
                       std::function<void(ControlId)> onClick)
    : Form(form), DialogWidget(dialog), OnClick(std::move(onClick)) {
    dialog.setWindowTitle(QtText(form.Caption));
    QFont font;
    // The form's face first; where it is missing, a proportional Japanese face of the same size.
    font.setFamilies({QtText(form.FontFace), QStringLiteral("MS PGothic"),
                      QStringLiteral("IPAPGothic"),
                      QStringLiteral("IPA P\u30B4\u30B7\u30C3\u30AF")});
    font.setPixelSize(form.FontHeight);
    dialog.setFont(font);
    SetRole(&dialog, QPalette::WindowText, form.FontColor);
    dialog.setFixedSize(form.ClientWidth, form.ClientHeight);
    if (!form.BorderIcons)
        dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::MSWindowsFixedSizeDialogHint);

    std::vector<QWidget*> graphic;
    for (const auto& desc : form.Controls) {
        QWidget* parent = &dialog;
        if (!desc.Parent.empty()) {
            const ControlDesc* parentDesc = FindControl(form, desc.Parent);
            parent = parentDesc ? Widget(parentDesc->Id) : nullptr;
        }
        if (!parent) continue;
        QWidget* w = Build(desc, parent);
        if (!w) continue;
        Widgets.emplace(desc.Id, w);
        if (IsGraphic(desc.Kind)) graphic.push_back(w);
    }
    // Labels and bevels are drawn on their parent, beneath every control that takes input,
    // in the order they were created.
    for (auto it = graphic.rbegin(); it != graphic.rend(); ++it) (*it)->lower();
    MakeTabChain(form);
}

QWidget* QtFormView::Build(const ControlDesc& desc, QWidget* parent) {
    QWidget* w = MakeWidget(desc, parent);
    if (!w) return nullptr;
    w->setGeometry(desc.Left, desc.Top, desc.Width, desc.Height);
    ApplyFont(desc, w);
    FitLabelToText(desc, w);
    SetRole(w, QPalette::WindowText, desc.FontColor);
    SetBackground(w, desc.Background);
    ShowDesignValue(desc, w);
    return w;
}

QWidget* QtFormView::MakeWidget(const ControlDesc& desc, QWidget* parent) {
    switch (desc.Kind) {
        case ControlKind::Frame:
            return MakeFrame(parent);
        case ControlKind::Label:
            return MakeLabel(desc, parent);
        case ControlKind::SpinEdit:
            return new QtSpinEdit(parent, desc.MinValue, desc.MaxValue);
        case ControlKind::GlyphButton:
        case ControlKind::PushButton:
            return MakeButton(desc, parent);
        case ControlKind::RadioGroup:
            return MakeRadioGroup(desc, parent);
        case ControlKind::CheckBox:
            return new QCheckBox(QtText(desc.Caption), parent);
        case ControlKind::Panel:
            return MakePanel(desc, parent);
        case ControlKind::Swatch:
            return MakeSwatch(desc, parent);
        case ControlKind::ColorDialog:
            return nullptr;  // the picker is made by the dialog
    }
    return nullptr;
}

QWidget* QtFormView::MakeButton(const ControlDesc& desc, QWidget* parent) {
    auto* button = new QPushButton(QtText(desc.Caption), parent);
    button->setAutoDefault(true);
    if (desc.Glyph != GlyphKind::None)
        button->setIcon(DialogWidget.style()->standardIcon(desc.Glyph == GlyphKind::Ok
                                                               ? QStyle::SP_DialogOkButton
                                                               : QStyle::SP_DialogCancelButton));
    if (desc.Default) button->setDefault(true);
    const ControlId id = desc.Id;
    QObject::connect(button, &QPushButton::clicked, button, [this, id] { OnClick(id); });
    // The panel's white font is for its labels; buttons keep the system's button text.
    button->setPalette(DialogWidget.palette());
    return button;
}

QWidget* QtFormView::MakeRadioGroup(const ControlDesc& desc, QWidget* parent) {
    // Drawn as a Windows group box: a lowered box from the middle of the caption down, and the
    // caption on the box's line.
    auto* group = new QWidget(parent);
    auto* box = new QFrame(group);
    box->setFrameStyle(QFrame::Box | QFrame::Sunken);
    const int half = Form.FontHeight / 2;
    box->setGeometry(0, half, desc.Width, desc.Height - half);
    auto* title = new QLabel(QtText(desc.Caption), group);
    title->setAutoFillBackground(true);
    title->move(8, 0);
    title->adjustSize();
    auto& items = Radios[desc.Id];
    const ControlId id = desc.Id;
    for (auto item : desc.Items) {
        auto* radio = new QRadioButton(QtText(item), group);
        items.push_back(radio);
        QObject::connect(radio, &QRadioButton::toggled, radio,
                         [this, id] { UpdateRadioFocus(id); });
    }
    PlaceRadioItems(desc, items, Form.FontHeight);
    return group;
}

void QtFormView::ShowDesignValue(const ControlDesc& desc, QWidget* w) {
    switch (desc.Kind) {
        case ControlKind::SpinEdit:
            static_cast<QtSpinEdit*>(w)->Edit()->setText(QString::number(desc.Value));
            break;
        case ControlKind::RadioGroup:
            SetItemIndex(desc.Id, desc.ItemIndex);
            break;
        case ControlKind::Swatch:
            Colors[desc.Id] = desc.Color;
            SetBackground(w, desc.Color);
            break;
        default:
            break;
    }
}

void QtFormView::MakeTabChain(const FormDesc& form) {
    auto ordered = [&](std::string_view parent) {
        std::vector<const ControlDesc*> out;
        for (const auto& c : form.Controls)
            if (c.Parent == parent && c.TabOrder >= 0) out.push_back(&c);
        std::sort(out.begin(), out.end(),
                  [](auto* a, auto* b) { return a->TabOrder < b->TabOrder; });
        return out;
    };
    std::function<void(std::string_view)> add = [&](std::string_view parent) {
        for (const auto* c : ordered(parent)) {
            if (c->Kind == ControlKind::Panel) {
                add(c->Name);
                continue;
            }
            if (!c->TabStop) continue;
            if (c->Kind == ControlKind::RadioGroup) {
                for (auto* radio : Radios[c->Id]) TabChain.push_back(radio);
                continue;
            }
            QWidget* w = Widget(c->Id);
            if (auto* spin = dynamic_cast<QtSpinEdit*>(w)) w = spin->Edit();
            if (w) TabChain.push_back(w);
        }
    };
    add("");
    for (std::size_t i = 1; i < TabChain.size(); ++i)
        QWidget::setTabOrder(TabChain[i - 1], TabChain[i]);
}

void QtFormView::UpdateRadioFocus(ControlId group) {
    // A radio group is one stop of the tab order: its checked item, or its first when none is.
    auto it = Radios.find(group);
    if (it == Radios.end()) return;
    auto& items = it->second;
    bool any = std::any_of(items.begin(), items.end(), [](auto* r) { return r->isChecked(); });
    for (std::size_t i = 0; i < items.size(); ++i) {
        bool stop = any ? items[i]->isChecked() : i == 0;
        items[i]->setFocusPolicy(stop ? Qt::StrongFocus : Qt::ClickFocus);
    }
}

QWidget* QtFormView::Widget(ControlId control) const {
    auto it = Widgets.find(control);
    return it == Widgets.end() ? nullptr : it->second;
}

std::string QtFormView::Text(ControlId control) const {
    if (auto* spin = dynamic_cast<QtSpinEdit*>(Widget(control)))
        return spin->Edit()->text().toStdString();
    return {};
}

void QtFormView::SetText(ControlId control, std::string_view text) {
    if (auto* spin = dynamic_cast<QtSpinEdit*>(Widget(control)))
        spin->Edit()->setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

int QtFormView::ItemIndex(ControlId control) const {
    auto it = Radios.find(control);
    if (it == Radios.end()) return -1;
    for (std::size_t i = 0; i < it->second.size(); ++i)
        if (it->second[i]->isChecked()) return static_cast<int>(i);
    return -1;
}

void QtFormView::SetItemIndex(ControlId control, int index) {
    auto it = Radios.find(control);
    if (it == Radios.end()) return;
    auto& items = it->second;
    if (index < 0 || index >= static_cast<int>(items.size())) {
        // Exclusive buttons cannot all be cleared while exclusive.
        for (auto* r : items) {
            r->setAutoExclusive(false);
            r->setChecked(false);
            r->setAutoExclusive(true);
        }
    } else {
        items[static_cast<std::size_t>(index)]->setChecked(true);
    }
    UpdateRadioFocus(control);
}

bool QtFormView::Checked(ControlId control) const {
    auto* box = dynamic_cast<QCheckBox*>(Widget(control));
    return box && box->isChecked();
}

void QtFormView::SetChecked(ControlId control, bool checked) {
    if (auto* box = dynamic_cast<QCheckBox*>(Widget(control))) box->setChecked(checked);
}

ColorValue QtFormView::Color(ControlId control) const {
    auto it = Colors.find(control);
    return it == Colors.end() ? clBlack : it->second;
}

void QtFormView::SetColor(ControlId control, ColorValue color) {
    auto it = Colors.find(control);
    if (it == Colors.end()) return;
    it->second = color;
    SetBackground(Widget(control), color);
}
