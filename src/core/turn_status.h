#pragma once

// Where each player of a game stands for its current year: already mailed (the journal has his
// very files as sent) and whether his files pass the check. What the send session skips by,
// and what a watcher decides by.

#include <optional>
#include <string>
#include <vector>

#include "core/game.h"
#include "core/send_journal.h"

namespace zelvaro::core {

// The game file's absolute path, the journal's name for the game; empty without a game file.
std::string journalGameFile(const Game& game);

// The files the message of entry `player` carries as they are now: those of turnFilesOf() that
// exist and are not empty.
std::vector<std::string> attachablePaths(const Game& game, int player,
                                         const std::vector<std::string>& fields);

// The journal's "sent" line for this entry's files of the game's year; nothing when there is
// none, when one of his addresses is still due, when the game has no game file, or when a file
// cannot be read.
std::optional<JournalEntry> mailedBefore(const Game& game, const SendJournal& journal, int player,
                                         const std::vector<std::string>& fields);

struct PlayerTurnStatus {
  int number = 0;
  bool mailed = false;                   // his files of this year went out already
  bool filesReady = false;               // every file to attach passes the check
  std::optional<JournalEntry> lastWord;  // the journal's last line on him for this year
};

// Every entry a session would mail (selected, with an address), in roster order.
std::vector<PlayerTurnStatus> turnStatus(const Game& game, const SendJournal& journal);

}  // namespace zelvaro::core
