// A settings file as anyone may have edited it, through the keyed store: reading every value,
// then the writes of the settings dialog and of shut-down, then reading again. A malformed
// number is a conversion error, never anything worse, and what was written reads back.

#include <cstdlib>

#include "core/errors.h"
#include "core/settings.h"
#include "core/text_store.h"
#include "fuzz_support.h"

using namespace zelvaro;

namespace {

bool load(const std::string& path, core::Settings& settings) {
  try {
    core::loadOptions(path, settings);
    core::loadLayout(path, settings);
  } catch (const core::EConvertError&) {
    return false;
  }
  settings.recentGames.load(path);
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::setUp();
  const std::string path = fuzz::scratchFile("zelvaro.cfg");
  fuzz::writeBytes(path, data, size);
  core::resetStoreState();

  core::Settings settings;
  const bool readable = load(path, settings);
  core::writeMailOptions(path, settings);
  core::saveSettings(path, settings);
  core::DeleteKey(path, "splash");

  core::Settings again;
  if (!load(path, again)) return 0;  // a bad number the save did not touch
  if (again.server != settings.server || again.email != settings.email ||
      again.defalias != settings.defalias || again.logging != settings.logging ||
      again.database != settings.database || again.split != settings.split) {
    // Values with a line end inside cannot survive a line-based file; nothing else may change.
    bool lineEnds = false;
    for (const std::string* text :
         {&settings.server, &settings.email, &settings.defalias, &settings.database}) {
      if (text->find_first_of("\r\n") != std::string::npos) lineEnds = true;
    }
    if (readable && !lineEnds) std::abort();
  }
  return 0;
}
