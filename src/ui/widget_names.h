#pragma once

// Every control carries the name the program's documentation gives it, so tests, screenshots
// and style sheets find it by that name.

#include <QPushButton>
#include <QString>
#include <QWidget>

namespace zelvaro::ui {

template <typename Widget>
Widget* named(const char* objectName, QWidget* parent) {
  auto* widget = new Widget(parent);
  widget->setObjectName(QString::fromUtf8(objectName));
  return widget;
}

// For labels and buttons: the caption too.
template <typename Widget>
Widget* named(const char* objectName, QWidget* parent, const char* caption) {
  auto* widget = named<Widget>(objectName, parent);
  widget->setText(QString::fromUtf8(caption));
  return widget;
}

// A button whose clicks run `handler` of `window`.
template <typename Window>
QPushButton* namedButton(const char* objectName, const char* caption, Window* window,
                         void (Window::*handler)()) {
  auto* button = named<QPushButton>(objectName, window, caption);
  QObject::connect(button, &QPushButton::clicked, window, handler);
  return button;
}

// The same for a window whose edits take Enter: Enter never clicks this button.
template <typename Window>
QPushButton* namedClickOnlyButton(const char* objectName, const char* caption, Window* window,
                                  void (Window::*handler)()) {
  QPushButton* button = namedButton(objectName, caption, window, handler);
  button->setAutoDefault(false);
  return button;
}

// A "..." button beside a path, just wide enough for its dots.
inline void makeBrowseWidth(QPushButton* button) {
  button->setFixedWidth(button->fontMetrics().horizontalAdvance(QStringLiteral("....")) + 16);
}

}  // namespace zelvaro::ui
