#pragma once

// The player database: one line per player, the CommaList of name, e-mail list, note and an
// optional boundary method number (further fields are carried along). The file keeps the order
// of addition; the grid shows its rows sorted. Players are found by name, case-insensitively,
// the last line of a name winning.

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zelvaro::core {

// One row of the database grid: fields 0 to 2 of a record.
struct PlayerRow {
  std::string name;
  std::string email;  // addresses separated by ";"
  std::string note;
  bool operator==(const PlayerRow&) const = default;
};

// Negative, zero or positive as a sorts before, with or after b (the user's collation,
// ignoring case: platform::compareText).
using TextCompare = std::function<int(const std::string&, const std::string&)>;

// A record being edited: its line in the file and all its fields, at least four.
struct PlayerEdit {
  int line = 0;
  std::vector<std::string> fields;
  PlayerRow row() const { return {fields[0], fields[1], fields[2]}; }
};

// The database file at one path; cheap to make whenever the current path is needed.
class PlayerDatabase {
 public:
  explicit PlayerDatabase(std::string path) : path_(std::move(path)) {}
  const std::string& path() const { return path_; }

  // Every line as a row, in file order, creating an empty file when there is none. A line
  // with fewer than three items shows the missing cells empty. At least one row: a blank one
  // when the file holds no players.
  std::vector<PlayerRow> loadRows() const;
  // Every line as a row, in file order; none when the file is missing or empty. Writes nothing.
  std::vector<PlayerRow> players() const;
  // Orders rows by the CommaList of their three cells (name, then e-mail list, then note).
  static void sortRows(std::vector<PlayerRow>& rows, const TextCompare& compare);

  // Appends the CommaList of the three fields.
  void append(const PlayerRow& row) const;
  // The line of the last record of that name (case-insensitive for a..z).
  std::optional<int> find(const std::string& name) const;
  // The fields of the record at a line (empty when there is no such line).
  std::vector<std::string> read(int line) const;
  // Replaces the record at a line with the CommaList of the fields.
  void replace(int line, const std::vector<std::string>& fields) const;
  // Removes the last record of that name.
  void remove(const std::string& name) const;
  // Number of lines; -1 when the file is missing.
  int count() const;

  // The value of the keyed line (the CommaList of fields 1 and after), or NotFound.
  std::string lookUp(const std::string& key) const;
  // The e-mail list of the player as a send looks it up: the key is the name between double
  // quotes, not doubled, so a name holding a double quote is not found. Nothing when the
  // player (or the file: then "File not found:" is shown) is not there.
  std::optional<std::string> addressesOf(const std::string& name) const;

  // Finds and reads the record of that name for the edit dialog, giving it field 3 "0" when
  // it has none. When the name is no longer in the file (changed by another program), tells
  // the operator and gives nothing.
  std::optional<PlayerEdit> beginEdit(const std::string& name) const;
  // Puts the dialog's three values into fields 0 to 2 and replaces the record's line.
  void finishEdit(PlayerEdit edit, const PlayerRow& entered) const;

 private:
  std::string path_;
};

}  // namespace zelvaro::core
