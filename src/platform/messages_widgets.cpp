#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

#include "platform/messages.h"

namespace zelvaro::platform {

namespace {

QMessageBox::StandardButton toQt(Button button) {
  switch (button) {
    case Button::Ok:
      return QMessageBox::Ok;
    case Button::Cancel:
      return QMessageBox::Cancel;
    case Button::Yes:
      return QMessageBox::Yes;
    case Button::No:
      return QMessageBox::No;
    case Button::Ignore:
      return QMessageBox::Ignore;
    case Button::Abort:
      return QMessageBox::Abort;
    case Button::Retry:
      return QMessageBox::Retry;
  }
  return QMessageBox::Ok;
}

Button fromQt(int button, Button fallback) {
  for (Button b : {Button::Ok, Button::Cancel, Button::Yes, Button::No, Button::Ignore,
                   Button::Abort, Button::Retry}) {
    if (toQt(b) == button) return b;
  }
  return fallback;
}

QMessageBox::Icon icon(MessageKind kind) {
  switch (kind) {
    case MessageKind::Plain:
      return QMessageBox::NoIcon;
    case MessageKind::Information:
      return QMessageBox::Information;
    case MessageKind::Warning:
      return QMessageBox::Warning;
    case MessageKind::Error:
      return QMessageBox::Critical;
    case MessageKind::Question:
      return QMessageBox::Question;
  }
  return QMessageBox::NoIcon;
}

QString title(const std::string& caption) {
  return caption.empty() ? QApplication::applicationName() : QString::fromStdString(caption);
}

class WidgetMessages : public Messages {
 public:
  void show(const std::string& text, MessageKind kind) override {
    QMessageBox box(icon(kind), title({}), QString::fromStdString(text), QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
  }

  Button ask(const Question& question) override {
    QMessageBox::StandardButtons buttons;
    for (Button b : question.buttons) buttons |= toQt(b);
    QMessageBox box(icon(question.kind), title(question.caption),
                    QString::fromStdString(question.text), buttons, QApplication::activeWindow());
    box.setDefaultButton(toQt(question.defaultButton));
    for (const auto& [button, label] : question.labels) {
      if (QAbstractButton* shown = box.button(toQt(button))) {
        shown->setText(QString::fromStdString(label));
      }
    }
    // Closing the box with Escape or the title bar answers with Cancel where offered.
    const bool hasCancel = (buttons & QMessageBox::Cancel) != 0;
    int result = box.exec();
    if (result == QMessageBox::Escape || result == 0) {
      return hasCancel ? Button::Cancel : question.defaultButton;
    }
    return fromQt(result, hasCancel ? Button::Cancel : question.defaultButton);
  }

  std::optional<std::string> openFile(const FileDialog& dialog) override {
    return result(QFileDialog::getOpenFileName(
        QApplication::activeWindow(), QString::fromStdString(dialog.caption), start(dialog),
        QString::fromStdString(dialog.filter)));
  }

  std::optional<std::string> saveFile(const FileDialog& dialog) override {
    QFileDialog::Options options;
    if (!dialog.confirmOverwrite) options |= QFileDialog::DontConfirmOverwrite;
    return result(QFileDialog::getSaveFileName(
        QApplication::activeWindow(), QString::fromStdString(dialog.caption), start(dialog),
        QString::fromStdString(dialog.filter), nullptr, options));
  }

 private:
  static QString start(const FileDialog& dialog) {
    if (dialog.fileName.empty()) return QString::fromStdString(dialog.directory);
    if (dialog.directory.empty()) return QString::fromStdString(dialog.fileName);
    return QString::fromStdString(dialog.directory + "/" + dialog.fileName);
  }

  static std::optional<std::string> result(const QString& path) {
    if (path.isEmpty()) return std::nullopt;
    return path.toStdString();
  }
};

}  // namespace

std::unique_ptr<Messages> makeWidgetMessages() {
  return std::make_unique<WidgetMessages>();
}

}  // namespace zelvaro::platform
