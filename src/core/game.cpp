#include "core/game.h"

#include "core/text_store.h"

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
  return LowerCase(tail) == ".zv" ? path : path + ".zv";
}

}  // namespace zelvaro::core
