#include "core/mailed_mark.h"

#include <algorithm>

namespace zelvaro::core {

namespace {

std::string hourMinute(const JournalEntry& entry) {
  return entry.time.size() >= 16 ? entry.time.substr(11, 5) : entry.time;
}

}  // namespace

MailedMark mailedMark(const std::optional<JournalEntry>& lastWord,
                      const std::optional<JournalEntry>& earlierSent) {
  if (lastWord || !earlierSent) return mailedMark(lastWord);
  MailedMark mark = mailedMark(earlierSent);
  const std::string year = std::to_string(earlierSent->year);
  mark.column = year + ": " + hourMinute(*earlierSent);
  // "Mailed on ..." goes on the sentence.
  mark.hint = "Not mailed this year yet. The turn of " + year + " was m" + mark.hint.substr(1);
  mark.earlier = true;
  return mark;
}

MailedMark mailedMark(const std::optional<JournalEntry>& lastWord) {
  if (!lastWord) return {};
  const JournalEntry& entry = *lastWord;
  std::string files;
  for (const JournalFile& file : entry.files) files += (files.empty() ? "" : ", ") + file.name;
  MailedMark mark;
  if (entry.sent()) {
    mark.column = hourMinute(entry);
    mark.hint = "Mailed on " + entry.when() + " to " + entry.recipients;
    // Files that were not right, mailed all the same on the operator's word.
    if (entry.outcome != "sent") mark.hint += "\n" + entry.outcome;
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
