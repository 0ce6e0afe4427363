#include "core/player_database.h"

#include <algorithm>

#include "core/comma_list.h"
#include "core/text_store.h"
#include "platform/messages.h"

namespace zelvaro::core {

namespace {

std::string nameKey(const std::string& name) {
  return CommaList::join({name});
}

PlayerRow rowOf(const std::string& line) {
  auto items = CommaList::split(line);
  items.resize(std::max<size_t>(items.size(), 3));
  return {items[0], items[1], items[2]};
}

std::string rowText(const PlayerRow& row) {
  return CommaList::join({row.name, row.email, row.note});
}

}  // namespace

std::vector<PlayerRow> PlayerDatabase::loadRows() const {
  if (!fileExists(path_)) CreateEmpty(path_);
  std::vector<PlayerRow> rows = players();
  if (rows.empty()) rows.emplace_back();
  return rows;
}

std::vector<PlayerRow> PlayerDatabase::players() const {
  auto lines = readAllLines(path_);
  std::vector<PlayerRow> rows;
  if (lines) std::transform(lines->begin(), lines->end(), std::back_inserter(rows), rowOf);
  return rows;
}

void PlayerDatabase::sortRows(std::vector<PlayerRow>& rows, const TextCompare& compare) {
  std::vector<std::pair<std::string, PlayerRow>> keyed;
  for (PlayerRow& row : rows) keyed.emplace_back(rowText(row), std::move(row));
  std::stable_sort(keyed.begin(), keyed.end(),
                   [&](const auto& a, const auto& b) { return compare(a.first, b.first) < 0; });
  rows.clear();
  for (auto& entry : keyed) rows.push_back(std::move(entry.second));
}

void PlayerDatabase::append(const PlayerRow& row) const {
  AppendLine(path_, rowText(row));
}

std::optional<int> PlayerDatabase::find(const std::string& name) const {
  return findKey(path_, nameKey(name));
}

std::vector<std::string> PlayerDatabase::read(int line) const {
  std::string text;
  ReadLineAt(path_, line, text);
  if (text == NotFound) return {};
  return CommaList::split(text);
}

void PlayerDatabase::replace(int line, const std::vector<std::string>& fields) const {
  WriteLineAt(path_, line, CommaList::join(fields));
}

void PlayerDatabase::remove(const std::string& name) const {
  DeleteKey(path_, nameKey(name));
}

int PlayerDatabase::count() const {
  return CountLines(path_);
}

std::string PlayerDatabase::lookUp(const std::string& key) const {
  return ReadKey(path_, key);
}

std::optional<std::string> PlayerDatabase::addressesOf(const std::string& name) const {
  std::string value = lookUp("\"" + name + "\"");
  if (value == NotFound) return std::nullopt;
  auto items = CommaList::split(value);
  return items.empty() ? std::string() : items.front();
}

std::optional<PlayerEdit> PlayerDatabase::beginEdit(const std::string& name) const {
  auto line = find(name);
  std::vector<std::string> fields;
  if (line) fields = read(*line);
  if (fields.empty()) {
    platform::showMessage("Can't find \"" + name +
                          "\" in the database file any more; was it changed by another "
                          "program? Nothing was edited.");
    return std::nullopt;
  }
  fields.resize(std::max<size_t>(fields.size(), 3));
  if (fields.size() < 4) fields.push_back("0");
  return PlayerEdit{*line, std::move(fields)};
}

void PlayerDatabase::finishEdit(PlayerEdit edit, const PlayerRow& entered) const {
  edit.fields[0] = entered.name;
  edit.fields[1] = entered.email;
  edit.fields[2] = entered.note;
  replace(edit.line, edit.fields);
}

}  // namespace zelvaro::core
