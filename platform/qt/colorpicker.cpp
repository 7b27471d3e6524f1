#include "platform/qt/colorpicker.h"

#include <QColorDialog>
#include <QSettings>

#include "platform/qt/application.h"

namespace {

QColor FromBgr(std::uint32_t bgr) {
    return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                  static_cast<int>((bgr >> 16) & 0xFF));
}

std::uint32_t ToBgr(const QColor& c) {
    return static_cast<std::uint32_t>(c.red()) | (static_cast<std::uint32_t>(c.green()) << 8) |
           (static_cast<std::uint32_t>(c.blue()) << 16);
}

// Qt keeps the dialog's custom colours in the user's QtProject.conf, shared by every Qt program,
// and writes them there once they were set. Ours live only as long as the settings dialog and
// the program keeps no configuration files, so Qt's user settings are sent where nothing can
// be created ("/dev/null" is not a directory): nothing is written, nobody's colours are lost.
void KeepQtSettingsOffDisk() {
    static const bool done = [] {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           QStringLiteral("/dev/null"));
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("/dev/null"));
        return true;
    }();
    (void)done;
}

}  // namespace

bool QtColorPicker::Pick(ColorValue& color, std::array<std::uint32_t, 16>& customColors) {
    EnsureQtApplication();
    KeepQtSettingsOffDisk();
    // Qt keeps the custom colours per application; load ours, and take back only the slots the
    // user changed, so an untouched slot keeps its value exactly (the unset 0xFFFFFFFF included).
    std::array<QRgb, 16> shown{};
    for (int i = 0; i < 16; ++i) {
        QColor c = FromBgr(customColors[static_cast<std::size_t>(i)]);
        QColorDialog::setCustomColor(i, c);
        shown[static_cast<std::size_t>(i)] = c.rgb();
    }
    QColorDialog dialog(FromBgr(static_cast<std::uint32_t>(color)), Owner);
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    bool ok = dialog.exec() == QDialog::Accepted;
    for (int i = 0; i < 16; ++i) {
        QColor c = QColorDialog::customColor(i);
        if (c.rgb() != shown[static_cast<std::size_t>(i)])
            customColors[static_cast<std::size_t>(i)] = ToBgr(c);
    }
    if (ok) color = static_cast<ColorValue>(ToBgr(dialog.selectedColor()));
    return ok;
}
