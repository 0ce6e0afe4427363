#include "core/game.h"

#include <algorithm>
#include <cctype>

namespace zelvaro::core {

void Game::clear() {
  name.clear();
  universePath.clear();
  subject.clear();
  body.clear();
  roster.clear();
  attachResults = true;
  attachUniverse = false;
  alias.clear();
  year = 1999;
}

std::string withGameExtension(const std::string& path) {
  std::string tail = path.size() >= 3 ? path.substr(path.size() - 3) : path;
  std::transform(tail.begin(), tail.end(), tail.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return tail == ".zv" ? path : path + ".zv";
}

}  // namespace zelvaro::core
