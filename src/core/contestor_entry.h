#pragma once

// One slot of a game's roster: the CommaList of player name, send flag ("1" = mail him),
// e-mail list and extra attachment paths. The entry is kept as its exact text, so a blank
// entry stays the literal ",0" until an edit rewrites it; the fields are split out when used.
// The entry at 0-based index i is Stars! player number i+1.

#include <string>
#include <vector>

namespace zelvaro::core {

class ContestorEntry {
 public:
  ContestorEntry() = default;
  explicit ContestorEntry(std::string text) : text_(std::move(text)) {}

  // A player number that is not mailed: ",0".
  static ContestorEntry blank() { return ContestorEntry(",0"); }
  // A player assigned from the database: name, send flag "1", a copy of his e-mail list.
  static ContestorEntry assigned(const std::string& name, const std::string& addresses);
  static ContestorEntry fromFields(const std::vector<std::string>& fields);

  const std::string& text() const { return text_; }
  std::vector<std::string> fields() const;

  std::string name() const { return field(0); }
  // Only the text "1" means yes.
  bool sending() const { return field(1) == "1"; }
  std::string addresses() const { return field(2); }
  // Fields 3 and after.
  std::vector<std::string> extraFiles() const;
  bool hasExtraFiles() const { return fields().size() > 3; }

  // The entry with its send flag set to "1" or "0" (missing fields before it become empty).
  ContestorEntry withSending(bool sending) const;
  // "1" becomes "0", any other flag "1".
  ContestorEntry toggled() const { return withSending(!sending()); }
  // Fields 0 to 2 (padded with empty fields when fewer) followed by the paths.
  ContestorEntry withExtraFiles(const std::vector<std::string>& paths) const;

  bool operator==(const ContestorEntry&) const = default;

 private:
  std::string field(size_t index) const;
  std::string text_;
};

using Roster = std::vector<ContestorEntry>;

// What the roster grid shows in one data row.
struct RosterRow {
  std::string send;    // "Yes" or "No"
  std::string number;  // the player number
  std::string name;
  bool bold = false;  // the entry has extra attachments
  bool operator==(const RosterRow&) const = default;
};

// One row per entry, or a single blank row for an empty roster.
std::vector<RosterRow> rosterRows(const Roster& roster);

}  // namespace zelvaro::core
