#include "send/preview_files.h"

#include <cstdio>
#include <filesystem>
#include <regex>

namespace zelvaro::send {

std::string previewFileName(int count, int player) {
  char name[40];
  std::snprintf(name, sizeof name, "%02d-player%d.eml", count, player);
  return name;
}

void removeEarlierPreviews(const std::string& folder) {
  static const std::regex ours("[0-9]{2,}-player[0-9]+\\.eml");
  std::error_code error;
  for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
       it.increment(error)) {
    std::error_code ignored;
    // A link named like ours is not followed, nor removed: writing over it is refused.
    if (!it->is_regular_file(ignored) || it->is_symlink(ignored)) continue;
    if (!std::regex_match(it->path().filename().string(), ours)) continue;
    std::filesystem::remove(it->path(), ignored);
  }
}

}  // namespace zelvaro::send
