#pragma once

// The two kinds of small window the main window opens: a modal dialog of fixed size without
// title-bar buttons (WindowPlacement centres it over the main window); and a borderless tool that
// floats above the main window, non-modal, placed by its opener.

#include <QDialog>
#include <QFrame>

class QGridLayout;
class QHBoxLayout;
class QLineEdit;
class QPushButton;
class QVBoxLayout;

namespace zelvaro::ui {

class FixedDialog : public QDialog {
  Q_OBJECT

 public:
  FixedDialog(const QString& objectName, QWidget* parent);

 protected:
  // The controls go in three bands, top to bottom: labelled fields, other controls, a row of
  // buttons. The window keeps the size they ask for; the operator cannot resize it.
  QLineEdit* addField(const char* labelName, const char* caption, const char* editName,
                      int minimumWidth);
  void addControl(QWidget* control);
  // Returns `button` (made with namedButton).
  QPushButton* addButton(QPushButton* button);
  // Pushes the buttons added after it to the right.
  void addButtonGap();

 private:
  QGridLayout* fields_;
  int fieldCount_ = 0;
  QVBoxLayout* controls_;
  QHBoxLayout* buttons_;
};

class FloatingTool : public QFrame {
  Q_OBJECT

 public:
  FloatingTool(const QString& objectName, QWidget* parent);

  // Puts the window's top-left corner at (left, top) in screen coordinates, shows it and
  // brings it to the front.
  void showAt(int left, int top);
};

}  // namespace zelvaro::ui
