#include "core/turn_observation.h"

#include <algorithm>
#include <filesystem>

#include "core/game_file.h"
#include "core/stars_files.h"
#include "core/text_file.h"
#include "core/turn_check.h"
#include "core/turn_status.h"

namespace zelvaro::core {

namespace {

namespace fs = std::filesystem;

void addToFingerprint(TurnObservation& seen, const std::string& path) {
  std::error_code error;
  const auto size = fs::file_size(path, error);
  const auto time = fs::last_write_time(path, error);
  seen.fingerprint += path + '\n';
  if (error) return;
  seen.fingerprint +=
      std::to_string(size) + ' ' + std::to_string(time.time_since_epoch().count()) + '\n';
  const WatchTime when =
      std::chrono::time_point_cast<WatchClock::duration>(std::chrono::file_clock::to_sys(time));
  seen.newestChange = std::max(seen.newestChange, when);
}

bool readGame(TurnObservation& seen, const std::string& gameFile) {
  seen.game.filePath = gameFile;
  StarsHeader header;
  try {
    if (!readGameFile(seen.game, header)) {
      seen.state = TurnObservation::State::GameFileMissing;
      return false;
    }
  } catch (const std::exception& e) {
    seen.state = TurnObservation::State::GameFileDamaged;
    seen.problem = e.what();
    return false;
  }
  const std::string hostFile = existingName(hostFileOf(seen.game.basePath));
  addToFingerprint(seen, hostFile);
  if (seen.game.basePath.empty() || !fileExists(hostFile)) {
    seen.state = TurnObservation::State::HostFileMissing;
    seen.problem = seen.game.basePath.empty() ? seen.game.universePath : hostFile;
    return false;
  }
  return true;
}

}  // namespace

TurnObservation observeTurn(const std::string& gameFile, const SendJournal& journal) {
  TurnObservation seen;
  if (!fs::is_directory(fs::path(gameFile).parent_path())) {
    seen.state = TurnObservation::State::FolderMissing;
    seen.problem = fs::path(gameFile).parent_path().string();
    return seen;
  }
  addToFingerprint(seen, gameFile);
  if (!readGame(seen, gameFile)) return seen;

  for (const PlayerTurnStatus& status : turnStatus(seen.game, journal)) {
    const std::vector<std::string> fields = seen.game.roster[status.number - 1].fields();
    for (const TurnFile& file : turnFilesOf(seen.game, status.number, fields)) {
      addToFingerprint(seen, file.path);
    }
    // A player mailed this year whose file has gone since holds up nobody.
    const bool sentThisYear = status.lastWord && status.lastWord->sent();
    seen.players.push_back(
        {status.number, status.mailed || (!status.filesReady && sentThisYear), status.filesReady});
  }
  return seen;
}

}  // namespace zelvaro::core
