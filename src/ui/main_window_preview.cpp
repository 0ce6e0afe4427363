// File > Preview messages...: the session Send would run, with its messages written into a
// temporary folder instead of mailed, and the first of them shown.

#include <QDir>
#include <QTemporaryDir>
#include <algorithm>
#include <filesystem>

#include "core/text_file.h"
#include "platform/messages.h"
#include "send/message_view.h"
#include "send/send_session.h"
#include "ui/main_window.h"
#include "ui/preview_dialog.h"

namespace zelvaro::ui {

namespace {

std::vector<std::string> messageFiles(const std::string& folder) {
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path().extension() == ".eml") files.push_back(entry.path().string());
  }
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace

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
  // Every selected player as Send all would mail him, whatever the journal says.
  send::SendOptions options;
  options.files = send::SendOptions::Files::SendAnyway;
  options.again = true;
  options.previewFolder = path;
  sendGame(options);
  guarded([this, &path] {
    const std::vector<std::string> files = messageFiles(path);
    if (files.empty()) {
      platform::messages().show(
          "No message to preview: no player is marked for sending with an address.",
          platform::MessageKind::Information);
      return;
    }
    const send::MessageView first = send::readMessageView(
        core::readAllLines(files.front()).value_or(std::vector<std::string>{}));
    PreviewDialog dialog(this);
    dialog.setMessage(first, static_cast<int>(files.size()), path);
    dialog.exec();
  });
}

}  // namespace zelvaro::ui
