#pragma once

// The game file (.zv): name, universe path, subject, the two attach flags ("1"/"0"), the
// last-generated text, the body line count and lines, the roster count and entries, the alias.
// No header, version or checksum.

#include <stdexcept>
#include <string>

#include "core/game.h"
#include "core/stars_files.h"

namespace zelvaro::core {

// Reads the game file at game.filePath into `game`, which the caller has cleared (body and
// roster lines are appended). False, with nothing changed, when there is no file. Lines
// missing at the end read as NotFound; a missing alias line gives an empty alias. Then sets
// the base path and year and clears the changed flag.
//
// A count line that is not an integer throws EConvertError; what was read before it stays in
// `game` (the window shows it with the error's message).
//
// A roster count that runs past the end of the file (or is negative), and a roster entry with
// a name but fewer than three fields, are damage: the whole file is read as it is (entries past
// the end read as NotFound, as any missing line) and then EGameFileDamaged names what is wrong.
bool readGameFile(Game& game, StarsHeader& header);

// "Game file damaged: <path>: <what is wrong>"; thrown after the read has completed.
class EGameFileDamaged : public std::runtime_error {
 public:
  EGameFileDamaged(const std::string& path, const std::string& problems);
};

// Writes the game to game.filePath, all at once (never a truncated file). Leaves the changed
// flag to the caller.
void writeGameFile(const Game& game);

// After a send: the new last-generated text, and line 5 of the game file replaced in place
// (nothing else in the file changes, even when the game has unsaved edits).
void updateLastGenerated(Game& game, const std::string& text);

}  // namespace zelvaro::core
