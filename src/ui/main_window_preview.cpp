// File > Preview messages...: the session Send would run with its default choices, the same
// check and journal, with its messages written into a temporary folder instead of mailed.

#include <QDir>
#include <QTemporaryDir>

#include "platform/messages.h"
#include "send/send_session.h"
#include "ui/main_window.h"
#include "ui/preview_dialog.h"

namespace zelvaro::ui {

void MainWindow::Previewmessages1Click() {
  if (session_ && session_->running()) return;
  previewFolder_.reset();
  auto folder =
      std::make_shared<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/zelvaro-preview-XXXXXX"));
  if (!folder->isValid()) {
    platform::messages().show(
        "Cannot make a folder for the preview: " + folder->errorString().toStdString(),
        platform::MessageKind::Error);
    return;
  }
  previewFolder_ = folder;
  const std::string path = folder->path().toStdString();
  // What Enter in "Before sending" would mail: the players whose files are right and who do
  // not have this turn yet.
  send::SendOptions options;
  options.files = send::SendOptions::Files::RefuseAny;
  options.previewFolder = path;
  sendGame(options);
  if (!session_) return;
  const std::vector<send::PlayerOutcome> outcomes = session_->outcomes();
  if (outcomes.empty()) {
    platform::messages().show(
        "No message to preview: no player is marked for sending with an address.",
        platform::MessageKind::Information);
    return;
  }
  PreviewDialog dialog(this);
  guarded([&] { dialog.setPreview(outcomes, path); });
  dialog.exec();
}

}  // namespace zelvaro::ui
