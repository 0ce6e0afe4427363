// A send session that writes its messages into files instead of mailing them, so the host can
// look at what the players would get before anything goes.

#include <filesystem>

#include "core/text_file.h"
#include "send/preview_files.h"
#include "send/send_session.h"
#include "send/wire_lines.h"

namespace zelvaro::send {

void SendSession::writePreview(int slot, const std::vector<std::string>& fields,
                               const std::string& sender) {
  if (_smtp.RcptName.empty()) {
    log_.LogLine("Player #" + std::to_string(slot) + " has no email adress.. what gives?");
    fail(slot, "no address to mail to");
    return;
  }
  const bool everyFile = composeEntry(slot, fields, sender);
  const std::string path =
      (std::filesystem::path(options_.previewFolder) / previewFileName(++previewCount_, slot))
          .string();
  // The same lines the engine would send after DATA, so the file is the message a player gets.
  WireLines lines;
  _smtp.WriteMessage([&lines](const std::string& block) { lines.add(block); });
  core::writeNewFile(path, lines.take());
  log_.LogLine("Message written to:\"" + path + "\"");
  noteMailed(slot, path);
  if (everyFile) {
    ++cleanlyMailed_;
  } else {
    anyFailure_ = true;
  }
}

}  // namespace zelvaro::send
