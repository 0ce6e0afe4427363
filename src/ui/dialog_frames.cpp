#include "ui/dialog_frames.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/widget_names.h"

namespace zelvaro::ui {

FixedDialog::FixedDialog(const QString& objectName, QWidget* parent) : QDialog(parent) {
  setObjectName(objectName);
  // A title but no close, minimise or maximise button: the dialog's own buttons end it.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setModal(true);

  fields_ = new QGridLayout;
  controls_ = new QVBoxLayout;
  buttons_ = new QHBoxLayout;
  auto* layout = new QVBoxLayout(this);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  layout->addLayout(fields_);
  layout->addLayout(controls_);
  layout->addLayout(buttons_);
}

QLineEdit* FixedDialog::addField(const char* labelName, const char* caption, const char* editName,
                                 int minimumWidth) {
  auto* edit = named<QLineEdit>(editName, this);
  edit->setMinimumWidth(minimumWidth);
  auto* label = named<QLabel>(labelName, this, caption);
  label->setBuddy(edit);
  fields_->addWidget(label, fieldCount_, 0);
  fields_->addWidget(edit, fieldCount_, 1);
  ++fieldCount_;
  return edit;
}

void FixedDialog::addControl(QWidget* control) {
  controls_->addWidget(control);
}

QPushButton* FixedDialog::addButton(QPushButton* button) {
  buttons_->addWidget(button);
  return button;
}

void FixedDialog::addButtonGap() {
  buttons_->addStretch();
}

FloatingTool::FloatingTool(const QString& objectName, QWidget* parent) : QFrame(parent) {
  setObjectName(objectName);
  setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
  setWindowModality(Qt::NonModal);
  // Without a window frame, a raised edge keeps it apart from the window below.
  setFrameStyle(QFrame::Panel | QFrame::Raised);
}

void FloatingTool::showAt(int left, int top) {
  move(left, top);
  show();
  raise();
  activateWindow();
}

}  // namespace zelvaro::ui
