#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace zelvaro::core {

struct RecentGame {
  std::string name;  // empty: the slot is free and its path means nothing
  std::string path;
  bool operator==(const RecentGame&) const = default;
};

// The eight most recent games, slot 0 the newest, kept in the settings file under the keys
// history0 to history7 as the CommaList of name and path.
class RecentGames {
 public:
  static constexpr int SlotCount = 8;

  // Reads the eight keys when the settings file exists (an absent key frees its slot), then
  // squeezes. A value with fewer than two items gives empty texts for the missing ones.
  void load(const std::string& settingsPath);
  // Writes all eight keys, free slots too; creates the settings file when it is missing.
  void store(const std::string& settingsPath) const;

  // Moves the named slots to the front, keeping their order.
  void squeeze();
  // The pair goes to slot 0 after every slot moved down one (the last one is dropped); other
  // slots of the same name (compared exactly) are then freed and the list squeezed. So pushing
  // a listed name on a full list leaves seven games.
  void push(const std::string& name, const std::string& path);

  // The names of the named slots, in slot order: the game name box's list.
  std::vector<std::string> names() const;
  // The path of the first slot with exactly this name.
  std::optional<std::string> pathOf(const std::string& name) const;

  // Not slots(): Qt defines that word as a macro in every window that includes this.
  const std::array<RecentGame, SlotCount>& slotList() const { return slots_; }
  RecentGame& operator[](int slot) { return slots_.at(static_cast<size_t>(slot)); }

  bool operator==(const RecentGames&) const = default;

 private:
  std::array<RecentGame, SlotCount> slots_;
};

}  // namespace zelvaro::core
