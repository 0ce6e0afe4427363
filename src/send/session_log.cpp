#include "send/session_log.h"

#include "core/errors.h"
#include "core/text_file.h"
#include "core/version.h"
#include "platform/messages.h"

namespace zelvaro::send {

std::string logFileHeader() {
  return std::string("Zelvaro logfile. Version:") + core::ProgramVersion;
}

template <typename Write>
void SessionLog::writeFile(Write write) {
  const core::Settings& settings = host_.settings();
  if (!settings.logging || fileFailed_) return;
  try {
    if (settings.logfile.empty()) {
      throw std::runtime_error("No log file is named in the settings.");
    }
    write(settings.logfile, settings.overwrite);
  } catch (const std::exception& e) {
    fileFailed_ = true;
    platform::messages().show(
        std::string(e.what()) + "\nThe log of this session is kept in the window only.",
        platform::MessageKind::Warning);
  }
}

void SessionLog::BeginLog() {
  host_.clearLogWindow();
  fileFailed_ = false;
  writeFile([](const std::string& path, bool overwrite) {
    if (!overwrite && core::fileExists(path)) return;
    core::CreateEmpty(path);
    core::AppendLine(path, logFileHeader());
    core::AppendLine(path, "");
  });
}

void SessionLog::LogLine(const std::string& text) {
  host_.appendLogWindowLine(text);
  writeFile([&text](const std::string& path, bool) { core::AppendLine(path, text); });
}

}  // namespace zelvaro::send
