#include "core/turn_status.h"

#include <filesystem>

#include "core/text_file.h"
#include "core/turn_check.h"

namespace zelvaro::core {

std::string journalGameFile(const Game& game) {
  if (game.filePath.empty()) return {};
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(game.filePath, error);
  return error ? game.filePath : absolute.lexically_normal().string();
}

std::vector<std::string> attachablePaths(const Game& game, int player,
                                         const std::vector<std::string>& fields) {
  std::vector<std::string> paths;
  for (const TurnFile& file : turnFilesOf(game, player, fields)) {
    if (fileExists(file.path) && !fileIsEmpty(file.path)) paths.push_back(file.path);
  }
  return paths;
}

std::optional<JournalEntry> mailedBefore(const Game& game, const SendJournal& journal, int player,
                                         const std::vector<std::string>& fields) {
  const std::string gameFile = journalGameFile(game);
  if (gameFile.empty()) return std::nullopt;
  try {
    const std::vector<JournalFile> files = journalFilesOf(attachablePaths(game, player, fields));
    // An address still due makes the player due, though his other addresses have the files.
    if (!journal.refusedAddresses(gameFile, game.year, player, files).empty()) return std::nullopt;
    return journal.mailed(gameFile, game.year, player, files);
  } catch (const EInOutError&) {
    return std::nullopt;
  }
}

std::vector<PlayerTurnStatus> turnStatus(const Game& game, const SendJournal& journal) {
  const std::vector<TurnFinding> findings = checkTurnFiles(game);
  std::vector<PlayerTurnStatus> players;
  for (size_t index = 0; index < game.roster.size(); ++index) {
    const std::vector<std::string> fields = game.roster[index].fields();
    if (!mailable(fields)) continue;
    PlayerTurnStatus status;
    status.number = static_cast<int>(index) + 1;
    status.mailed = mailedBefore(game, journal, status.number, fields).has_value();
    status.filesReady = true;
    for (const TurnFinding& finding : findings) {
      if (finding.player == status.number && !finding.ok()) status.filesReady = false;
    }
    status.lastWord = journal.lastWord(journalGameFile(game), game.year, status.number);
    players.push_back(std::move(status));
  }
  return players;
}

}  // namespace zelvaro::core
