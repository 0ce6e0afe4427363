#include "core/game_folders.h"

#include <algorithm>
#include <filesystem>

#include "core/stars_files.h"
#include "core/text_file.h"
#include "core/turn_check.h"

namespace zelvaro::core {

namespace {

namespace fs = std::filesystem;

// Links resolved where they exist, so a folder reached by two names is one folder.
fs::path resolved(const std::string& path) {
  std::error_code error;
  fs::path absolute = fs::absolute(path, error);
  if (error) return fs::path(path).lexically_normal();
  fs::path real = fs::weakly_canonical(absolute, error);
  return error ? absolute.lexically_normal() : real;
}

bool within(const fs::path& file, const fs::path& folder) {
  auto [end, unused] = std::mismatch(folder.begin(), folder.end(), file.begin(), file.end());
  (void)unused;
  return end == folder.end();
}

}  // namespace

std::vector<std::string> gameFolders(const Game& game) {
  std::vector<std::string> folders;
  for (const std::string& file : {game.filePath, game.universePath}) {
    if (file.empty()) continue;
    const std::string folder = resolved(file).parent_path().string();
    if (std::find(folders.begin(), folders.end(), folder) == folders.end()) {
      folders.push_back(folder);
    }
  }
  return folders;
}

std::vector<StrayFile> filesOutsideGameFolders(const Game& game) {
  std::vector<fs::path> folders;
  for (const std::string& folder : gameFolders(game)) folders.emplace_back(folder);
  std::vector<StrayFile> strays;
  if (folders.empty()) return strays;
  for (size_t index = 0; index < game.roster.size(); ++index) {
    const std::vector<std::string> fields = game.roster[index].fields();
    if (!mailable(fields)) continue;
    const int player = static_cast<int>(index) + 1;
    for (const TurnFile& file : turnFilesOf(game, player, fields)) {
      const fs::path path = resolved(file.path);
      const bool inside =
          std::any_of(folders.begin(), folders.end(),
                      [&path](const fs::path& folder) { return within(path, folder); });
      if (!inside) strays.push_back({player, file.path});
    }
  }
  return strays;
}

std::string yearAndJournalStamp(const Game& game, const std::string& journalPath) {
  std::string stamp = game.filePath + '\n';
  std::vector<std::string> files = {existingName(hostFileOf(basePathOf(game.universePath))),
                                    game.universePath, journalPath};
  if (!game.roster.empty()) {
    const std::vector<std::string> extras = game.roster.front().extraFiles();
    if (!extras.empty()) files.push_back(extras.front());
  }
  for (const std::string& file : files) {
    std::error_code error;
    const auto size = fs::file_size(file, error);
    const auto time = fs::last_write_time(file, error);
    stamp += file + '\n';
    if (!error) {
      stamp += std::to_string(size) + ' ' + std::to_string(time.time_since_epoch().count()) + '\n';
    }
  }
  return stamp;
}

std::optional<std::string> universeInGameFolder(const Game& game) {
  if (game.filePath.empty() || game.universePath.empty()) return std::nullopt;
  if (fileExists(existingName(game.universePath))) return std::nullopt;
  const fs::path there = resolved(game.filePath).parent_path() / attachmentName(game.universePath);
  const std::string found = existingName(there.string());
  if (!fileExists(found)) return std::nullopt;
  return found;
}

}  // namespace zelvaro::core
