// CommaList reads hand-edited database lines, roster entries and recent-games values. Whatever
// it reads must come back unchanged through a write and a read.

#include <cstdlib>
#include <string_view>

#include "core/comma_list.h"

using zelvaro::core::CommaList;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> items = CommaList::split(text);
  const std::string written = CommaList::join(items);
  if (CommaList::split(written) != items) std::abort();
  if (CommaList::join(CommaList::split(written)) != written) std::abort();
  return 0;
}
