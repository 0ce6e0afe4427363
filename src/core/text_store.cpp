#include "core/text_store.h"

#include <algorithm>
#include <vector>

#include "platform/messages.h"
#include "platform/paths.h"

namespace zelvaro::core {

namespace {

char upper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool matchesKey(const std::string& line, const std::string& key) {
  if (line.size() <= key.size()) return false;
  for (size_t i = 0; i < key.size(); ++i) {
    if (upper(line[i]) != upper(key[i])) return false;
  }
  return line[key.size()] == storeState().KeySeparator;
}

std::optional<size_t> lastMatch(const std::vector<std::string>& lines, const std::string& key) {
  std::optional<size_t> found;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (matchesKey(lines[i], key)) found = i;
  }
  return found;
}

struct KeyMatch {
  std::vector<std::string> lines;
  size_t index;
};

// The last line matching the key, found as ReadKey finds it: a missing file is told to the
// operator, and a match sets LastMatchIndex.
std::optional<KeyMatch> lookUp(const std::string& path, const std::string& key) {
  auto lines = readAllLines(path);
  if (!lines) {
    platform::showMessage("File not found:" + path);
    return std::nullopt;
  }
  auto index = lastMatch(*lines, key);
  if (!index) return std::nullopt;
  storeState().LastMatchIndex = static_cast<std::int32_t>(*index);
  return KeyMatch{std::move(*lines), *index};
}

}  // namespace

StoreState& storeState() {
  static StoreState state;
  return state;
}

void resetStoreState() {
  storeState() = StoreState{};
}

std::optional<int> findKey(const std::string& path, const std::string& key) {
  auto match = lookUp(path, key);
  if (!match) return std::nullopt;
  return static_cast<int>(match->index);
}

std::string ReadKey(const std::string& path, const std::string& key) {
  auto match = lookUp(path, key);
  if (!match) return std::string(NotFound);
  return match->lines[match->index].substr(key.size() + 1);
}

namespace {

// WriteKey on lines in memory.
bool replaceOrAppend(std::vector<std::string>& lines, const std::string& key,
                     const std::string& value) {
  bool replaced = false;
  for (std::string& line : lines) {
    if (!matchesKey(line, key)) continue;
    line = line.substr(0, key.size()) + storeState().KeySeparator + value;
    replaced = true;
  }
  if (!replaced) lines.push_back(key + storeState().KeySeparator + value);
  return replaced;
}

}  // namespace

bool WriteKey(const std::string& path, const std::string& key, const std::string& value) {
  auto lines = readAllLines(path);
  if (!lines) return false;
  bool replaced = replaceOrAppend(*lines, key, value);
  writeAllLines(path, *lines);
  return replaced;
}

void writeKeys(const std::string& path, const KeyValues& values) {
  auto lines = readAllLines(path);
  if (!lines) return;
  for (const auto& [key, value] : values) replaceOrAppend(*lines, key, value);
  writeAllLines(path, *lines);
}

void DeleteKey(const std::string& path, const std::string& key) {
  auto lines = readAllLines(path);
  if (!lines) return;
  auto index = lastMatch(*lines, key);
  if (!index) return;
  lines->erase(lines->begin() + static_cast<std::ptrdiff_t>(*index));
  writeAllLines(path, *lines);
}

std::string ReadFirstLine(const std::string& path) {
  storeState().LineCursor = 0;
  return ReadNextLine(path);
}

std::string ReadNextLine(const std::string& path) {
  auto lines = readAllLines(path);
  std::int32_t& cursor = storeState().LineCursor;
  if (!lines || cursor < 0 || static_cast<size_t>(cursor) >= lines->size()) {
    return std::string(NotFound);
  }
  return (*lines)[static_cast<size_t>(cursor++)];
}

void ReadLineAt(const std::string& path, int index, std::string& line) {
  if (index < 0) return;
  auto lines = readAllLines(path);
  size_t count = lines ? lines->size() : 0;
  size_t wanted = static_cast<size_t>(index);
  storeState().LineCursor = static_cast<std::int32_t>(std::min(wanted + 1, count));
  line = wanted < count ? (*lines)[wanted] : std::string(NotFound);
}

bool WriteLineAt(const std::string& path, int index, const std::string& line) {
  auto lines = readAllLines(path);
  if (!lines || index < 0 || static_cast<size_t>(index) >= lines->size()) return false;
  (*lines)[static_cast<size_t>(index)] = line;
  writeAllLines(path, *lines);
  return true;
}

int CountLines(const std::string& path) {
  auto lines = readAllLines(path);
  return lines ? static_cast<int>(lines->size()) : -1;
}

std::string RemoveSpaces(std::string_view text) {
  std::string result;
  for (char c : text) {
    if (c != ' ') result += c;
  }
  return result;
}

std::string LowerCase(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [](char x, char y) { return upper(x) == upper(y); });
}

std::string NumberFilter(std::string_view text) {
  std::string kept;
  for (char c : text) {
    if ((c >= '0' && c <= '9') || c == ',' || c == '-') kept += c;
  }
  if (kept.empty()) return "0";
  if (kept.front() == ',') kept.insert(kept.begin(), '0');
  return kept;
}

std::string FindWindowsDirectory() {
  return platform::settingsDirectory();
}

}  // namespace zelvaro::core
