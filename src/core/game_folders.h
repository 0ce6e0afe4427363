#pragma once

// Where a game's files belong: the folder of its game file and that of its universe file. A
// game file holds absolute paths, so a game copied elsewhere still names the old folder's
// files; these tell the window so.

#include <optional>
#include <string>
#include <vector>

#include "core/game.h"

namespace zelvaro::core {

// The game file's folder and the universe file's, each once, absolute; none for a game
// without either.
std::vector<std::string> gameFolders(const Game& game);

struct StrayFile {
  int player = 0;
  std::string path;
};

// The files a send would attach (for every entry it would mail) that lie in none of the
// game's folders nor below them.
std::vector<StrayFile> filesOutsideGameFolders(const Game& game);

// Names, sizes and times of the files the year and the roster's Mailed column come from (the
// host file, the universe file, the journal): when it changes, they are worth reading again.
std::string yearAndJournalStamp(const Game& game, const std::string& journalPath);

// When the universe file is missing but the game file's folder holds a file of its name (in
// any case), that file.
std::optional<std::string> universeInGameFolder(const Game& game);

}  // namespace zelvaro::core
