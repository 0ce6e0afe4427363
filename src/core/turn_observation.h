#pragma once

// What watch mode sees of one game at one look: the game file read afresh, the host file's
// year, each selected player's files checked and looked up in the send journal, and a
// fingerprint of every file involved, so that a change can be told from a rescan.

#include <string>
#include <vector>

#include "core/game.h"
#include "core/send_journal.h"
#include "core/turn_watch.h"

namespace zelvaro::core {

struct TurnObservation {
  enum class State {
    Ready,          // the rest is filled in
    FolderMissing,  // the game file's folder is not there
    GameFileMissing,
    GameFileDamaged,  // `problem` says why
    HostFileMissing,  // `problem` names the file looked for
  };
  State state = State::Ready;
  std::string problem;
  Game game;
  // The players that a session would mail (selected, with an address), in roster order; their
  // failure fields are the caller's to fill.
  std::vector<WatchedPlayer> players;
  // Names, sizes and modification times of the game file and every file a session would read.
  std::string fingerprint;
  WatchTime newestChange{};
};

// `gameFile` is absolute: the journal knows games by their absolute path.
TurnObservation observeTurn(const std::string& gameFile, const SendJournal& journal);

}  // namespace zelvaro::core
