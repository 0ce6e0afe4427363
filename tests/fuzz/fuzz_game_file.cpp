// A whole game file, damaged in any way. Reading it may report the damage but must not do
// worse; a game read without complaint is saved and read back unchanged.

#include <cstdlib>
#include <exception>

#include "core/game_file.h"
#include "fuzz_support.h"

using namespace zelvaro;

namespace {

bool read(core::Game& game, core::StarsHeader& header) {
  try {
    return core::readGameFile(game, header);
  } catch (const std::exception&) {
    return false;
  }
}

bool sameGame(const core::Game& a, const core::Game& b) {
  return a.name == b.name && a.universePath == b.universePath && a.subject == b.subject &&
         a.attachResults == b.attachResults && a.attachUniverse == b.attachUniverse &&
         a.lastGenerated == b.lastGenerated && a.body == b.body && a.roster == b.roster &&
         a.alias == b.alias;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::setUp();
  core::Game game;
  game.filePath = fuzz::scratchFile("game.zv");
  fuzz::writeBytes(game.filePath, data, size);
  core::StarsHeader header;
  if (!read(game, header)) return 0;

  core::Game saved = game;
  saved.filePath = fuzz::scratchFile("saved.zv");
  core::writeGameFile(saved);
  core::Game again;
  again.filePath = saved.filePath;
  if (!read(again, header) || !sameGame(game, again)) std::abort();
  return 0;
}
