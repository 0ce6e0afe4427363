#pragma once

// The keyed and positional whole-file operations over `KEY,VALUE` lines and numbered lines.
// Every call reads or rewrites the whole file; nothing is cached. Absence (of a key, a line or
// the file) is the value NotFound.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/text_file.h"

namespace zelvaro::core {

inline constexpr std::string_view NotFound = "//";

// A flag as files store it: "1" or "0" (and only "1" reads as true).
inline const char* flagText(bool flag) {
  return flag ? "1" : "0";
}

// The store's process-wide state, kept together so a test can start from a clean slate.
struct StoreState {
  // Between key and value in keyed lines.
  char KeySeparator = ',';
  // 0-based line of the most recent ReadKey match; a lookup that matches nothing keeps it.
  std::int32_t LastMatchIndex = 0;
  // 0-based line that the next ReadNextLine returns.
  std::int32_t LineCursor = 0;
};

StoreState& storeState();
void resetStoreState();

// The value of the last line matching the key (case-insensitive for a..z, the separator right
// after the key), or NotFound. A missing file shows "File not found:<path>" and gives
// NotFound. Sets LastMatchIndex on a match.
std::string ReadKey(const std::string& path, const std::string& key);

// ReadKey's search, giving the 0-based line of the last match instead of its value (so a
// value that happens to read "//" is still found). Same message and LastMatchIndex.
std::optional<int> findKey(const std::string& path, const std::string& key);

// Replaces the value of every matching line, keeping the key as the file spells it, or appends
// `key,value` when none matches. Returns true when a line was replaced. A missing file: false,
// and nothing is created.
bool WriteKey(const std::string& path, const std::string& key, const std::string& value);

// WriteKey of each pair in order, with one rewrite of the file.
using KeyValues = std::vector<std::pair<std::string, std::string>>;
void writeKeys(const std::string& path, const KeyValues& values);

// Removes the last matching line. A missing file: nothing happens.
void DeleteKey(const std::string& path, const std::string& key);

// Sequential reading: line LineCursor, then LineCursor moves on; NotFound past the end (the
// cursor stays) or for a missing file. ReadFirstLine starts at line 0.
std::string ReadFirstLine(const std::string& path);
std::string ReadNextLine(const std::string& path);

// Line `index` into `line`, or NotFound when the file is missing or has no such line. A
// negative index reads nothing and leaves `line` as it was. Leaves LineCursor after the line
// read, as the sequential reads that it stands for would.
void ReadLineAt(const std::string& path, int index, std::string& line);

// Replaces line `index`. False (nothing changed) when the file is missing or has no such line.
bool WriteLineAt(const std::string& path, int index, const std::string& line);

// Number of lines, or -1 when the file is missing.
int CountLines(const std::string& path);

// The text without its space characters.
std::string RemoveSpaces(std::string_view text);

// A..Z made a..z; other bytes stay.
std::string LowerCase(std::string_view text);
// Equal but for the case of a..z, as keys are compared.
bool SameText(std::string_view a, std::string_view b);

// Keeps the digits, "," and "-"; "0" when nothing is left; "0" before a leading ",". The
// order is not checked: "3,5" passes and the integer conversion after it fails.
std::string NumberFilter(std::string_view text);

// The folder that holds the settings file.
std::string FindWindowsDirectory();

}  // namespace zelvaro::core
