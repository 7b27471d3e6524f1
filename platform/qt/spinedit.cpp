#include "platform/qt/spinedit.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QTimer>
#include <QToolButton>

#include "settings/settingsdialog.h"

QtSpinLineEdit::QtSpinLineEdit(QWidget* parent, int minValue, int maxValue)
    : QLineEdit(parent), min_(minValue), max_(maxValue) {}

void QtSpinLineEdit::Step(int delta) {
    setText(QString::fromStdString(SpinEditStep(text().toStdString(), delta, min_, max_)));
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
        std::string clamped = SpinEditOnExit(text().toStdString(), min_, max_);
        if (!clamped.empty()) setText(QString::fromStdString(clamped));
    }
    QLineEdit::focusOutEvent(event);
}

QtSpinEdit::QtSpinEdit(QWidget* parent, int minValue, int maxValue)
    : QWidget(parent),
      edit_(new QtSpinLineEdit(this, minValue, maxValue)),
      up_(new QToolButton(this)),
      down_(new QToolButton(this)) {
    for (auto* button : {up_, down_}) {
        button->setFocusPolicy(Qt::NoFocus);
        button->setAutoRepeat(true);
    }
    up_->setArrowType(Qt::UpArrow);
    down_->setArrowType(Qt::DownArrow);
    QObject::connect(up_, &QToolButton::clicked, edit_, [this] { edit_->Step(1); });
    QObject::connect(down_, &QToolButton::clicked, edit_, [this] { edit_->Step(-1); });
    setFocusProxy(edit_);
}

void QtSpinEdit::resizeEvent(QResizeEvent*) {
    const int buttonWidth = 15;
    const int w = width(), h = height();
    edit_->setGeometry(0, 0, w, h);
    edit_->setTextMargins(0, 0, buttonWidth, 0);
    up_->setGeometry(w - buttonWidth - 1, 1, buttonWidth, h / 2 - 1);
    down_->setGeometry(w - buttonWidth - 1, h / 2, buttonWidth, h - h / 2 - 1);
    up_->raise();
    down_->raise();
}
