#include "core/game_file.h"

#include <algorithm>

#include "core/text_store.h"

namespace zelvaro::core {

namespace {

// The file's lines in order, then NotFound for ever.
class LineReader {
 public:
  explicit LineReader(std::vector<std::string> lines) : lines_(std::move(lines)) {}
  std::string next() { return next_ < lines_.size() ? lines_[next_++] : std::string(NotFound); }
  // `count` lines, as the count line says. Past the end of the file they read as NotFound,
  // but no more of those than the file has lines: a corrupt count must not fill memory, and
  // the next count line fails anyway.
  // Lines not yet read.
  size_t remaining() const { return lines_.size() - next_; }
  void appendCounted(std::vector<std::string>& to, int count) {
    size_t wanted = static_cast<size_t>(std::max(count, 0));
    size_t present = std::min(wanted, lines_.size() - next_);
    size_t padding = std::min(wanted - present, lines_.size());
    to.insert(to.end(), lines_.begin() + static_cast<std::ptrdiff_t>(next_),
              lines_.begin() + static_cast<std::ptrdiff_t>(next_ + present));
    next_ += present;
    to.insert(to.end(), padding, std::string(NotFound));
  }

 private:
  std::vector<std::string> lines_;
  size_t next_ = 0;
};

std::string entries(size_t count) {
  return std::to_string(count) + (count == 1 ? " entry" : " entries");
}

// What is wrong with a roster read from the file: its count against the entries the file
// holds, and entries that name a player but lack the send flag or the address list. An entry
// without a name is a blank player number, which needs no more.
std::vector<std::string> rosterDamage(int count, size_t present, const Roster& roster) {
  std::vector<std::string> problems;
  if (count < 0) problems.push_back("the roster count " + std::to_string(count) + " is negative");
  if (count > 0 && present < static_cast<size_t>(count)) {
    problems.push_back("the roster count is " + std::to_string(count) +
                       " but the file ends after " + entries(present));
  }
  for (size_t i = 0; i < std::min(present, roster.size()); ++i) {
    const std::vector<std::string> fields = roster[i].fields();
    if (fields.size() >= 3 || fields.empty() || fields[0].empty()) continue;
    problems.push_back("roster entry " + std::to_string(i + 1) + " (" + roster[i].text() +
                       ") has fewer than three fields");
  }
  return problems;
}

std::string joined(const std::vector<std::string>& problems) {
  std::string text;
  for (const std::string& problem : problems) text += (text.empty() ? "" : "; ") + problem;
  return text;
}

}  // namespace

EGameFileDamaged::EGameFileDamaged(const std::string& path, const std::string& problems)
    : std::runtime_error("Game file damaged: " + path + ": " + problems) {}

bool readGameFile(Game& game, StarsHeader& header) {
  auto lines = readAllLines(game.filePath);
  if (!lines) return false;
  LineReader file(std::move(*lines));
  game.name = file.next();
  game.universePath = file.next();
  game.subject = file.next();
  game.attachResults = file.next() == "1";
  game.attachUniverse = file.next() == "1";
  game.lastGenerated = file.next();
  file.appendCounted(game.body, toInteger(file.next()));
  std::vector<std::string> entries;
  const int rosterCount = toInteger(file.next());
  const size_t present = std::min(static_cast<size_t>(std::max(rosterCount, 0)), file.remaining());
  file.appendCounted(entries, rosterCount);
  Roster roster;
  for (std::string& entry : entries) roster.emplace_back(std::move(entry));
  const std::vector<std::string> problems = rosterDamage(rosterCount, present, roster);
  game.roster.insert(game.roster.end(), roster.begin(), roster.end());
  std::string alias = file.next();
  game.alias = alias == NotFound ? "" : alias;
  computeBasePathAndYear(game, header);
  game.changed = false;
  if (!problems.empty()) throw EGameFileDamaged(game.filePath, joined(problems));
  return true;
}

void writeGameFile(const Game& game) {
  std::vector<std::string> lines{game.name,
                                 game.universePath,
                                 game.subject,
                                 flagText(game.attachResults),
                                 flagText(game.attachUniverse),
                                 game.lastGenerated,
                                 std::to_string(game.body.size())};
  lines.insert(lines.end(), game.body.begin(), game.body.end());
  lines.push_back(std::to_string(game.roster.size()));
  for (const ContestorEntry& entry : game.roster) lines.push_back(entry.text());
  lines.push_back(game.alias);
  writeAllLines(game.filePath, lines);
}

void updateLastGenerated(Game& game, const std::string& text) {
  game.lastGenerated = text;
  if (!game.filePath.empty()) WriteLineAt(game.filePath, 5, text);
}

}  // namespace zelvaro::core
