#pragma once

// What the roster shows of the journal's last word on a player for the game's year: a short
// mark in its "Mailed" column and the whole story as the row's tooltip. While this year has no
// word yet, the last turn mailed before is shown as such, never as this year's.

#include <optional>
#include <string>

#include "core/send_journal.h"

namespace zelvaro::core {

struct MailedMark {
  // "08:18" when mailed, "failed", "2426: 08:18" for an earlier year's turn, or empty when
  // the journal has nothing
  std::string column;
  std::string hint;      // empty when the journal has nothing
  bool earlier = false;  // shown greyed
};

MailedMark mailedMark(const std::optional<JournalEntry>& lastWord);
// `lastWord` for this year; when there is none, `earlierSent` (the last turn mailed before).
MailedMark mailedMark(const std::optional<JournalEntry>& lastWord,
                      const std::optional<JournalEntry>& earlierSent);

}  // namespace zelvaro::core
