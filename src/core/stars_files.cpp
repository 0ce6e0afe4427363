#include "core/stars_files.h"

#include <algorithm>

#include "core/text_file.h"
#include "core/text_store.h"
#include "platform/messages.h"

namespace zelvaro::core {

bool StarsHeader::check(const std::string& path) {
  std::string bytes = readFirstBytes(path, Size);
  std::copy(bytes.begin(), bytes.end(), bytes_.begin());
  return bytes_[2] == 'J' && bytes_[3] == '3' && bytes_[4] == 'J' && bytes_[5] == '3';
}

std::string basePathOf(const std::string& universePath) {
  size_t found = universePath.find(".xy");
  return found == std::string::npos ? std::string() : universePath.substr(0, found + 1);
}

std::string basePathAnyCase(const std::string& universePath) {
  return universePath.substr(0, basePathOf(LowerCase(universePath)).size());
}

std::string hostFileOf(const std::string& basePath) {
  return basePath + "hst";
}

std::string universeFileOf(const std::string& basePath) {
  return basePath + "xy";
}

std::string resultFileOf(const std::string& basePath, int number) {
  return basePath + "m" + std::to_string(number);
}

std::string attachmentName(const std::string& path) {
  size_t last = path.find_last_of("/\\:");
  return last == std::string::npos ? path : path.substr(last + 1);
}

void computeBasePathAndYear(Game& game, StarsHeader& header) {
  game.basePath = basePathOf(game.universePath);
  std::string hostFile = hostFileOf(game.basePath);
  if (!fileExists(hostFile) && !game.roster.empty()) {
    auto extras = game.roster.front().extraFiles();
    if (!extras.empty()) hostFile = extras.front();
  }
  if (fileExists(hostFile) && !header.check(hostFile)) {
    platform::showMessage(".HST file is corrupt! Error reading year.");
  }
  game.year = header.year();
}

}  // namespace zelvaro::core
