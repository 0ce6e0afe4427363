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

}  // namespace

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
  int rosterCount = toInteger(file.next());
  file.appendCounted(entries, rosterCount);
  for (std::string& entry : entries) game.roster.emplace_back(std::move(entry));
  std::string alias = file.next();
  game.alias = alias == NotFound ? "" : alias;
  computeBasePathAndYear(game, header);
  game.changed = false;
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
