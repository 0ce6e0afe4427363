#include "core/stars_files.h"

#include <algorithm>
#include <filesystem>

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
  const size_t name = universePath.find_last_of("/\\") + 1;  // 0 when there is no folder
  const size_t dot = universePath.rfind('.');
  if (dot == std::string::npos || dot < name) return {};
  return LowerCase(universePath.substr(dot)) == ".xy" ? universePath.substr(0, dot + 1)
                                                      : std::string();
}

std::string existingName(const std::string& path) {
  if (fileExists(path)) return path;
  const std::filesystem::path wanted(path);
  const std::string name = LowerCase(wanted.filename().string());
  const std::filesystem::path folder =
      wanted.has_parent_path() ? wanted.parent_path() : std::filesystem::path(".");
  std::error_code error;
  std::filesystem::directory_iterator entries(folder, error);
  if (error || name.empty()) return path;
  // Names that differ only by case: the one that sorts first, so every run picks the same.
  std::string found;
  for (const auto& entry : entries) {
    const std::string candidate = entry.path().filename().string();
    if (LowerCase(candidate) != name || !entry.is_regular_file(error)) continue;
    if (found.empty() || candidate < found) found = candidate;
  }
  if (found.empty()) return path;
  return wanted.has_parent_path() ? (wanted.parent_path() / found).string() : found;
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

bool readBasePathAndYear(Game& game, StarsHeader& header) {
  game.basePath = basePathOf(game.universePath);
  std::string hostFile = existingName(hostFileOf(game.basePath));
  if (!fileExists(hostFile) && !game.roster.empty()) {
    auto extras = game.roster.front().extraFiles();
    if (!extras.empty()) hostFile = extras.front();
  }
  const bool sound = !fileExists(hostFile) || header.check(hostFile);
  game.year = header.year();
  return sound;
}

void computeBasePathAndYear(Game& game, StarsHeader& header) {
  if (!readBasePathAndYear(game, header)) {
    platform::showMessage(".HST file is corrupt! Error reading year.");
  }
}

}  // namespace zelvaro::core
