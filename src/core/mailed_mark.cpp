#include "core/mailed_mark.h"

#include <algorithm>

namespace zelvaro::core {

MailedMark mailedMark(const std::optional<JournalEntry>& lastWord) {
  if (!lastWord) return {};
  const JournalEntry& entry = *lastWord;
  std::string files;
  for (const JournalFile& file : entry.files) files += (files.empty() ? "" : ", ") + file.name;
  MailedMark mark;
  if (entry.sent()) {
    mark.column = entry.time.size() >= 16 ? entry.time.substr(11, 5) : entry.time;
    mark.hint = "Mailed on " + entry.when() + " to " + entry.recipients;
  } else {
    mark.column = "failed";
    const std::string reason = entry.outcome.substr(std::min<size_t>(entry.outcome.size(), 8));
    mark.hint = "Not mailed on " + entry.when() + ": " + reason;
  }
  if (!files.empty()) mark.hint += "\nFiles: " + files;
  if (!entry.lastReply.empty()) mark.hint += "\nThe server's last word: " + entry.lastReply;
  return mark;
}

}  // namespace zelvaro::core
