#pragma once

// What the program reads of the Stars! files for the game's year: the first 14 bytes of the
// universe (.xy) and host (.hst) files, for the validity mark "J3J3" at offset 2 and the year at
// offset 12.

#include <array>
#include <cstddef>
#include <string>

#include "core/game.h"

namespace zelvaro::core {

// The header of the file checked last. It outlives games: when no host file is found, the
// year comes from whatever file was checked before (2400 when none was).
class StarsHeader {
 public:
  static constexpr size_t Size = 14;

  // Reads the file's first bytes over the kept ones (a short file leaves the rest as they
  // were) and tells whether the validity mark is there. A file that exists but cannot be read
  // throws EInOutError.
  bool check(const std::string& path);
  // 2400 plus the little-endian number at offset 12.
  int year() const { return 2400 + bytes_[12] + 256 * bytes_[13]; }

 private:
  std::array<unsigned char, Size> bytes_{};
};

// The universe path without its last extension, the dot kept, when that extension is ".xy" in
// any case ("/g/my.xyfiles/ORION.XY" gives "/g/my.xyfiles/ORION."); else empty.
std::string basePathOf(const std::string& universePath);
// The file at the path, else the one in its folder whose name differs only by case (games come
// from Windows hosts as "ORION.M1"), else the path as it was.
std::string existingName(const std::string& path);
std::string hostFileOf(const std::string& basePath);
std::string universeFileOf(const std::string& basePath);
// The result file of player `number` (1-based).
std::string resultFileOf(const std::string& basePath, int number);
// The name an attachment goes by: the text after the last "/", "\" or ":".
std::string attachmentName(const std::string& path);

// Sets the game's base path from its universe path and its year from the host file (or, when
// that is missing, from a host file named as player 1's first extra attachment). A host file
// without the validity mark is told to the operator and its year used all the same.
void computeBasePathAndYear(Game& game, StarsHeader& header);
// The same without a word to the operator: false when the host file lacks the mark.
bool readBasePathAndYear(Game& game, StarsHeader& header);

}  // namespace zelvaro::core
