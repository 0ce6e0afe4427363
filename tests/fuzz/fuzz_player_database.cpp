// Player database lines as anyone may have edited them: the grid's rows, sorting, the look-up
// of a send and an edit of the first player.

#include <cstdlib>

#include "core/player_database.h"
#include "core/text_store.h"
#include "fuzz_support.h"

using namespace zelvaro;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::setUp();
  const std::string path = fuzz::scratchFile("database.txt");
  fuzz::writeBytes(path, data, size);
  core::resetStoreState();

  const core::PlayerDatabase database(path);
  std::vector<core::PlayerRow> rows = database.loadRows();
  if (rows.empty()) std::abort();
  core::PlayerDatabase::sortRows(
      rows, [](const std::string& a, const std::string& b) { return a.compare(b); });
  for (const core::PlayerRow& row : database.players()) {
    database.addressesOf(row.name);
    database.find(row.name);
  }
  if (rows.front().name.empty()) return 0;
  if (auto edit = database.beginEdit(rows.front().name)) {
    const core::PlayerRow before = edit->row();
    database.finishEdit(*edit, before);
    auto again = database.beginEdit(before.name);
    if (!again || again->row().name != before.name) std::abort();
  }
  return 0;
}
