#include "core/contestor_entry.h"

#include <algorithm>

#include "core/comma_list.h"

namespace zelvaro::core {

ContestorEntry ContestorEntry::assigned(const std::string& name, const std::string& addresses) {
  return fromFields({name, "1", addresses});
}

ContestorEntry ContestorEntry::fromFields(const std::vector<std::string>& fields) {
  return ContestorEntry(CommaList::join(fields));
}

std::vector<std::string> ContestorEntry::fields() const {
  return CommaList::split(text_);
}

std::string ContestorEntry::field(size_t index) const {
  auto all = fields();
  return index < all.size() ? all[index] : std::string();
}

std::vector<std::string> ContestorEntry::extraFiles() const {
  auto all = fields();
  if (all.size() <= 3) return {};
  return {all.begin() + 3, all.end()};
}

ContestorEntry ContestorEntry::withSending(bool sending) const {
  auto all = fields();
  all.resize(std::max<size_t>(all.size(), 2));
  all[1] = sending ? "1" : "0";
  return fromFields(all);
}

ContestorEntry ContestorEntry::withExtraFiles(const std::vector<std::string>& paths) const {
  auto all = fields();
  all.resize(3);
  all.insert(all.end(), paths.begin(), paths.end());
  return fromFields(all);
}

std::vector<RosterRow> rosterRows(const Roster& roster) {
  std::vector<RosterRow> rows;
  for (size_t i = 0; i < roster.size(); ++i) {
    const ContestorEntry& entry = roster[i];
    rows.push_back({entry.sending() ? "Yes" : "No", std::to_string(i + 1), entry.name(),
                    entry.hasExtraFiles()});
  }
  if (rows.empty()) rows.emplace_back();
  return rows;
}

}  // namespace zelvaro::core
