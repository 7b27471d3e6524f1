// The spin field on Qt: a one-line edit with up and down buttons at its right edge, following
// the shared spin rules of settings/settingsdialog.h.
#pragma once

#include <QLineEdit>
#include <QWidget>

class QToolButton;

class QtSpinLineEdit : public QLineEdit {
  public:
    QtSpinLineEdit(QWidget* parent, int minValue, int maxValue);
    void Step(int delta);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    int min_, max_;
};

class QtSpinEdit : public QWidget {
  public:
    QtSpinEdit(QWidget* parent, int minValue, int maxValue);
    QtSpinLineEdit* Edit() const { return edit_; }

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    QtSpinLineEdit* edit_;
    QToolButton* up_;
    QToolButton* down_;
};
