#pragma once

// The game in the main window: what its game file holds, plus where that file is, whether the
// game differs from it, and the year and base path read from the Stars! files.

#include <string>
#include <vector>

#include "core/contestor_entry.h"

namespace zelvaro::core {

struct Game {
  // The commands that add roster entries refuse more; reading a game file does not check.
  static constexpr size_t MaxPlayers = 16;

  std::string name;
  std::string universePath;       // the game's .xy file
  std::string subject;            // template
  std::vector<std::string> body;  // template lines
  bool attachResults = true;      // each player's .m file
  bool attachUniverse = false;    // the .xy file
  std::string lastGenerated = "never";
  Roster roster;
  std::string alias;  // when not empty, the sender's name instead of the defalias setting

  std::string filePath;  // empty while the game has no game file
  bool changed = false;
  int year = 1999;
  std::string basePath;  // the universe path without its ".xy", the dot kept

  // Back to an empty game: fields, roster, flags, alias and year. The file path, the
  // last-generated text, the changed flag and the base path are left to the caller.
  void clear();
};

// The name a save dialog's answer is saved under: ".zv" appended unless it ends so already
// (in any case).
std::string withGameExtension(const std::string& path);

}  // namespace zelvaro::core
