#include "core/recent_games.h"

#include <algorithm>

#include "core/comma_list.h"
#include "core/text_store.h"

namespace zelvaro::core {

namespace {

std::string historyKey(size_t slot) {
  return "history" + std::to_string(slot);
}

}  // namespace

void RecentGames::load(const std::string& settingsPath) {
  if (fileExists(settingsPath)) {
    for (size_t i = 0; i < slots_.size(); ++i) {
      std::string value = ReadKey(settingsPath, historyKey(i));
      if (value == NotFound) {
        slots_[i].name.clear();
        continue;
      }
      auto items = CommaList::split(value);
      items.resize(std::max<size_t>(items.size(), 2));
      slots_[i] = {items[0], items[1]};
    }
  }
  squeeze();
}

void RecentGames::store(const std::string& settingsPath) const {
  if (!fileExists(settingsPath)) CreateEmpty(settingsPath);
  KeyValues values;
  for (size_t i = 0; i < slots_.size(); ++i) {
    values.emplace_back(historyKey(i), CommaList::join({slots_[i].name, slots_[i].path}));
  }
  writeKeys(settingsPath, values);
}

void RecentGames::squeeze() {
  std::stable_partition(slots_.begin(), slots_.end(),
                        [](const RecentGame& slot) { return !slot.name.empty(); });
}

void RecentGames::push(const std::string& name, const std::string& path) {
  std::shift_right(slots_.begin(), slots_.end(), 1);
  slots_[0] = {name, path};
  for (size_t i = 1; i < slots_.size(); ++i) {
    if (slots_[i].name == name) slots_[i].name.clear();
  }
  squeeze();
}

std::vector<std::string> RecentGames::names() const {
  std::vector<std::string> names;
  for (const RecentGame& slot : slots_) {
    if (!slot.name.empty()) names.push_back(slot.name);
  }
  return names;
}

std::optional<std::string> RecentGames::pathOf(const std::string& name) const {
  for (const RecentGame& slot : slots_) {
    if (!slot.name.empty() && slot.name == name) return slot.path;
  }
  return std::nullopt;
}

}  // namespace zelvaro::core
