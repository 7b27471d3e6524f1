#include "platform/qt/spinedit.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QTimer>
#include <QToolButton>

#include "settings/settingsdialog.h"

QtSpinLineEdit::QtSpinLineEdit(QWidget* parent, int minValue, int maxValue)
    : QLineEdit(parent), Min(minValue), Max(maxValue) {}

void QtSpinLineEdit::Step(int delta) {
    setText(QString::fromStdString(SpinEditStep(text().toStdString(), delta, Min, Max)));
    selectAll();
}

void QtSpinLineEdit::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        // The dialog's default button takes it; the text stays as typed.
        event->ignore();
        return;
    }
    if (key == Qt::Key_Up || key == Qt::Key_Down) {
        Step(key == Qt::Key_Up ? 1 : -1);
        return;
    }
    // X11 hands the Delete key over with the text "\x7f"; it is an editing key, not a typed
    // character, so the filter must not see it.
    const QString typed = key == Qt::Key_Delete ? QString() : event->text();
    if (!typed.isEmpty() && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        for (QChar c : typed) {
            if (!SpinEditAcceptsChar(c.unicode())) {
                QApplication::beep();
                return;
            }
        }
    }
    QLineEdit::keyPressEvent(event);
}

void QtSpinLineEdit::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    // The whole text is selected when the field is entered from the keyboard or at start, so
    // typing replaces it.
    if (event->reason() != Qt::MouseFocusReason)
        QTimer::singleShot(0, this, [this] { selectAll(); });
}

void QtSpinLineEdit::focusOutEvent(QFocusEvent* event) {
    // Leaving the field means focus moving to another control of the dialog; the whole window
    // losing focus (another application, a popup menu) leaves the field as it is, as on Windows.
    const Qt::FocusReason reason = event->reason();
    if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
        std::string clamped = SpinEditOnExit(text().toStdString(), Min, Max);
        if (!clamped.empty()) setText(QString::fromStdString(clamped));
    }
    QLineEdit::focusOutEvent(event);
}

QtSpinEdit::QtSpinEdit(QWidget* parent, int minValue, int maxValue)
    : QWidget(parent),
      LineEdit(new QtSpinLineEdit(this, minValue, maxValue)),
      Up(new QToolButton(this)),
      Down(new QToolButton(this)) {
    for (auto* button : {Up, Down}) {
        button->setFocusPolicy(Qt::NoFocus);
        button->setAutoRepeat(true);
    }
    Up->setArrowType(Qt::UpArrow);
    Down->setArrowType(Qt::DownArrow);
    QObject::connect(Up, &QToolButton::clicked, LineEdit, [this] { LineEdit->Step(1); });
    QObject::connect(Down, &QToolButton::clicked, LineEdit, [this] { LineEdit->Step(-1); });
    setFocusProxy(LineEdit);
}

void QtSpinEdit::resizeEvent(QResizeEvent*) {
    const int buttonWidth = 15;
    const int w = width(), h = height();
    LineEdit->setGeometry(0, 0, w, h);
    LineEdit->setTextMargins(0, 0, buttonWidth, 0);
    Up->setGeometry(w - buttonWidth - 1, 1, buttonWidth, h / 2 - 1);
    Down->setGeometry(w - buttonWidth - 1, h / 2, buttonWidth, h - h / 2 - 1);
    Up->raise();
    Down->raise();
}
