#pragma once

// Shared ground for the tests of the small windows: the recorded message boxes, controls found
// by their names, and real mouse clicks on them.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QWidget>
#include <string>
#include <vector>

#include "platform/messages.h"

namespace zelvaro::test {

inline platform::RecordingMessages& recorded() {
  return dynamic_cast<platform::RecordingMessages&>(platform::messages());
}

// The control named `name`; fails the test when it is missing or of another kind.
template <typename Widget>
Widget* control(const QWidget& window, const char* name) {
  auto* widget = window.findChild<Widget*>(QString::fromUtf8(name));
  EXPECT_NE(widget, nullptr) << "no control " << name << " in "
                             << window.objectName().toStdString();
  return widget;
}

// A real left click in the middle of the button (a disabled one ignores it).
inline void click(const QWidget& window, const char* buttonName) {
  auto* button = control<QAbstractButton>(window, buttonName);
  ASSERT_NE(button, nullptr);
  ASSERT_TRUE(button->isVisible()) << buttonName << " is not shown";
  QTest::mouseClick(button, Qt::LeftButton);
}

// The caption of a label or button, the text of an edit.
inline std::string text(const QWidget& window, const char* name) {
  auto* widget = control<QWidget>(window, name);
  if (auto* label = qobject_cast<QLabel*>(widget)) return label->text().toStdString();
  if (auto* button = qobject_cast<QAbstractButton*>(widget)) return button->text().toStdString();
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) return edit->text().toStdString();
  return "<no text in " + std::string(name) + ">";
}

inline std::string hint(const QWidget& window, const char* name) {
  auto* widget = control<QWidget>(window, name);
  return widget != nullptr ? widget->toolTip().toStdString() : std::string();
}

// The window's name and caption and the texts of its controls (control name, text).
inline void expectTexts(const QWidget& window, const char* name, const char* caption,
                        const std::vector<std::pair<const char*, const char*>>& texts) {
  EXPECT_EQ(window.objectName().toStdString(), name);
  EXPECT_EQ(window.windowTitle().toStdString(), caption);
  for (const auto& [control, expected] : texts) {
    EXPECT_EQ(text(window, control), expected) << "the text of " << control;
  }
}

// Modal, of fixed size and without title-bar buttons (shows the dialog to lay it out).
inline void expectFixedDialog(QDialog& dialog) {
  EXPECT_TRUE(dialog.isModal());
  EXPECT_FALSE(dialog.windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(dialog.windowFlags() & Qt::WindowMaximizeButtonHint);
  dialog.show();
  EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize()) << "the border is fixed";
  dialog.hide();
}

class DialogTest : public testing::Test {
 protected:
  void SetUp() override {
    recorded().clear();
    recorded().answers.clear();
    recorded().fileAnswers.clear();
    recorded().dialogs.clear();
  }
  static std::vector<std::string> shown() { return recorded().texts(); }
};

}  // namespace zelvaro::test
