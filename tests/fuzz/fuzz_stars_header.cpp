// The first bytes of a universe or host file, whatever the file holds, and the paths derived
// from a universe path.

#include <cstdlib>
#include <string>

#include "core/stars_files.h"
#include "fuzz_support.h"

using namespace zelvaro;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::setUp();
  const std::string path = fuzz::scratchFile("game.hst");
  fuzz::writeBytes(path, data, size);

  core::StarsHeader header;
  const bool marked = header.check(path);
  const bool expected =
      size >= 6 && data[2] == 'J' && data[3] == '3' && data[4] == 'J' && data[5] == '3';
  if (marked != expected) std::abort();
  const int year = header.year();
  if (year < 2400 || year > 2400 + 65535) std::abort();

  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::string base = core::basePathOf(text);
  if (!base.empty() && (text.compare(0, base.size(), base) != 0 || base.back() != '.')) {
    std::abort();
  }
  core::attachmentName(text);
  core::resultFileOf(base, 16);
  return 0;
}
