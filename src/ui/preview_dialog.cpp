#include "ui/preview_dialog.h"

#include <QFontDatabase>
#include <QLabel>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>

#include "platform/desktop.h"
#include "platform/messages.h"
#include "ui/widget_names.h"

namespace zelvaro::ui {

PreviewDialog::PreviewDialog(QWidget* parent)
    : FixedDialog(QStringLiteral("Preview"), parent), openFolder(platform::openFolder) {
  setWindowTitle(QStringLiteral("Preview messages"));
  folderLabel_ = named<QLabel>("PreviewFolder", this);
  folderLabel_->setTextFormat(Qt::PlainText);
  folderLabel_->setWordWrap(true);
  folderLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  addControl(folderLabel_);
  message_ = named<QPlainTextEdit>("PreviewMessage", this);
  message_->setReadOnly(true);
  message_->setLineWrapMode(QPlainTextEdit::NoWrap);
  message_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  message_->setFixedSize(620, 320);
  addControl(message_);
  attachments_ = named<QLabel>("PreviewAttachments", this);
  attachments_->setTextFormat(Qt::PlainText);
  addControl(attachments_);
  addButton(namedButton("OpenFolder", "Open folder", this, &PreviewDialog::openFolderClick));
  addButtonGap();
  addButton(namedButton("Close", "Close", this, &PreviewDialog::closeClick))->setDefault(true);
}

void PreviewDialog::setMessage(const send::MessageView& first, int count,
                               const std::string& folder) {
  folder_ = folder;
  const QString where = QString::fromStdString(folder);
  folderLabel_->setText(
      count == 1 ? QStringLiteral("1 message, nothing sent. It is in %1:").arg(where)
                 : QStringLiteral("%1 messages, nothing sent. They are in %2; the first one:")
                       .arg(count)
                       .arg(where));
  QString text;
  for (const auto& [name, value] : first.header) {
    text += QString::fromStdString(name) + ": " + QString::fromStdString(value) + "\n";
  }
  text += "\n";
  for (const std::string& line : first.text) text += QString::fromStdString(line) + "\n";
  message_->setPlainText(text);
  QString files = first.attachments.empty() ? QStringLiteral("No attachments.")
                                            : QStringLiteral("Attachments:");
  const QLocale locale;
  for (const send::MessageView::Attachment& file : first.attachments) {
    files += "\n  " + QString::fromStdString(file.name) + "  (" +
             locale.toString(static_cast<qulonglong>(file.size)) +
             (file.size == 1 ? " byte)" : " bytes)");
  }
  attachments_->setText(files);
  adjustSize();
}

void PreviewDialog::openFolderClick() {
  if (!openFolder || !openFolder(folder_)) {
    platform::messages().show("No program to open the folder with. The messages are in " + folder_ +
                                  "; open them with your mail reader.",
                              platform::MessageKind::Warning);
  }
}

void PreviewDialog::closeClick() {
  accept();
}

}  // namespace zelvaro::ui
