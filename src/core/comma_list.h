#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zelvaro::core {

// The one-line encoding of a list of texts used inside database lines, roster entries and the
// recent-games values: every item in double quotes, inner quotes doubled, joined by commas.
struct CommaList {
  // `"a","","b""c"` for a, the empty text, b"c; the empty list gives the empty text.
  static std::string join(const std::vector<std::string>& items);

  // Reads quoted and unquoted items. Blanks (codes 1 to 32) around items and commas are
  // skipped; an unquoted item ends at a blank or a comma; a trailing comma adds no item; a
  // quoted item without its closing quote runs to the end. So `,0` gives the empty text and
  // 0, and `a b` gives a and b.
  static std::vector<std::string> split(std::string_view text);
};

}  // namespace zelvaro::core
