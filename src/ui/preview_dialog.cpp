#include "ui/preview_dialog.h"

#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>

#include "core/text_file.h"
#include "platform/desktop.h"
#include "send/message_view.h"
#include "ui/widget_names.h"

namespace zelvaro::ui {

namespace {

QString messageText(const send::MessageView& view) {
  QString text;
  for (const auto& [name, value] : view.header) {
    text += QString::fromStdString(name) + ": " + QString::fromStdString(value) + "\n";
  }
  text += "\n";
  for (const std::string& line : view.text) text += QString::fromStdString(line) + "\n";
  return text;
}

QString attachmentsText(const send::MessageView& view) {
  QString files =
      view.attachments.empty() ? QStringLiteral("No attachments.") : QStringLiteral("Attachments:");
  const QLocale locale;
  for (const send::MessageView::Attachment& file : view.attachments) {
    files += "\n  " + QString::fromStdString(file.name) + "  (" +
             locale.toString(static_cast<qulonglong>(file.size)) +
             (file.size == 1 ? " byte)" : " bytes)");
  }
  return files;
}

}  // namespace

PreviewDialog::PreviewDialog(QWidget* parent)
    : FixedDialog(QStringLiteral("Preview"), parent), openFolder(platform::openFolder) {
  setWindowTitle(QStringLiteral("Preview messages"));
  folderLabel_ = named<QLabel>("PreviewFolder", this);
  folderLabel_->setTextFormat(Qt::PlainText);
  folderLabel_->setWordWrap(true);
  folderLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  addControl(folderLabel_);
  players_ = named<QListWidget>("PreviewPlayers", this);
  players_->setFixedSize(620, 96);
  connect(players_, &QListWidget::currentRowChanged, this, &PreviewDialog::showPlayer);
  addControl(players_);
  message_ = named<QPlainTextEdit>("PreviewMessage", this);
  message_->setReadOnly(true);
  message_->setLineWrapMode(QPlainTextEdit::NoWrap);
  message_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  message_->setFixedSize(620, 240);
  addControl(message_);
  attachments_ = named<QLabel>("PreviewAttachments", this);
  attachments_->setTextFormat(Qt::PlainText);
  // Room for a few files, so the dialog keeps its size from player to player.
  attachments_->setMinimumHeight(attachments_->fontMetrics().lineSpacing() * 4);
  attachments_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  addControl(attachments_);
  // Where no program opens folders, the path is there to copy.
  pathLabel_ = named<QLabel>("PreviewPathLabel", this,
                             "No program here opens folders. The messages are in this folder; "
                             "copy its path (Ctrl+C) and open them with your mail reader:");
  pathLabel_->setWordWrap(true);
  pathLabel_->setFixedWidth(620);
  pathLabel_->hide();
  addControl(pathLabel_);
  path_ = named<QLineEdit>("PreviewPath", this);
  path_->setReadOnly(true);
  path_->hide();
  addControl(path_);
  addButton(
      namedClickOnlyButton("OpenFolder", "Open folder", this, &PreviewDialog::openFolderClick));
  addButtonGap();
  addButton(namedButton("Close", "Close", this, &PreviewDialog::closeClick))->setDefault(true);
}

std::string PreviewDialog::verdictLine(const send::PlayerOutcome& outcome) {
  std::string line = "#" + std::to_string(outcome.player);
  if (!outcome.name.empty()) line += " " + outcome.name;
  switch (outcome.kind) {
    case send::PlayerOutcome::Kind::MailedNow:
      return line + ": mail" + (outcome.reason.empty() ? "" : " (" + outcome.reason + ")");
    case send::PlayerOutcome::Kind::HadIt:
      return line + ": skip: already " + outcome.reason;
    case send::PlayerOutcome::Kind::NotMailed:
      break;
  }
  return line + ": not mailed: " + outcome.reason;
}

void PreviewDialog::setPreview(const std::vector<send::PlayerOutcome>& outcomes,
                               const std::string& folder) {
  outcomes_ = outcomes;
  folder_ = folder;
  int messages = 0;
  for (const send::PlayerOutcome& outcome : outcomes)
    messages += outcome.previewFile.empty() ? 0 : 1;
  folderLabel_->setText(
      QStringLiteral("What Send would do now; nothing has been sent. %1 in %2. Pick a player to "
                     "see his message.")
          .arg(messages == 1 ? QStringLiteral("1 message")
                             : QStringLiteral("%1 messages").arg(messages))
          .arg(QString::fromStdString(folder)));
  path_->setText(QString::fromStdString(folder));
  players_->clear();
  int first = -1;
  for (size_t row = 0; row < outcomes.size(); ++row) {
    players_->addItem(QString::fromStdString(verdictLine(outcomes[row])));
    if (first < 0 && !outcomes[row].previewFile.empty()) first = static_cast<int>(row);
  }
  players_->setCurrentRow(first >= 0 ? first : 0);
  adjustSize();
}

void PreviewDialog::showPlayer(int row) {
  if (row < 0 || static_cast<size_t>(row) >= outcomes_.size()) return;
  const send::PlayerOutcome& outcome = outcomes_[static_cast<size_t>(row)];
  if (outcome.previewFile.empty()) {
    message_->setPlainText(QString::fromStdString("Send would mail nothing to this player.\n\n" +
                                                  verdictLine(outcome)));
    attachments_->setText(QString());
    return;
  }
  const send::MessageView view = send::readMessageView(
      core::readAllLines(outcome.previewFile).value_or(std::vector<std::string>{}));
  message_->setPlainText(messageText(view));
  attachments_->setText(attachmentsText(view));
}

void PreviewDialog::openFolderClick() {
  if (openFolder && openFolder(folder_)) return;
  pathLabel_->show();
  path_->show();
  path_->selectAll();
  path_->setFocus();
  adjustSize();
}

void PreviewDialog::closeClick() {
  accept();
}

}  // namespace zelvaro::ui
