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
    int Min, Max;
};

class QtSpinEdit : public QWidget {
  public:
    QtSpinEdit(QWidget* parent, int minValue, int maxValue);
    QtSpinLineEdit* Edit() const { return LineEdit; }

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    QtSpinLineEdit* LineEdit;
    QToolButton* Up;
    QToolButton* Down;
};
