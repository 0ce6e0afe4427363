#pragma once

// What the roster shows of the journal's last word on a player for the game's year: a short
// mark in its "Mailed" column and the whole story as the row's tooltip.

#include <optional>
#include <string>

#include "core/send_journal.h"

namespace zelvaro::core {

struct MailedMark {
  std::string column;  // "08:18" when mailed, "failed", or empty when the journal has nothing
  std::string hint;    // empty when the journal has nothing
};

MailedMark mailedMark(const std::optional<JournalEntry>& lastWord);

}  // namespace zelvaro::core
