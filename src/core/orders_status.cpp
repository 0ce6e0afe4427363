#include "core/orders_status.h"

#include <algorithm>
#include <cctype>

#include "core/turn_check.h"
#include "core/turn_status.h"

namespace zelvaro::core {

namespace {

std::string lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// The bare addresses of a list as the roster and the database keep it ("Ann <a@x>; b@y").
std::vector<std::string> addressesIn(const std::string& list) {
  std::vector<std::string> addresses;
  size_t begin = 0;
  while (begin <= list.size()) {
    size_t end = list.find_first_of(";,", begin);
    if (end == std::string::npos) end = list.size();
    std::string item = list.substr(begin, end - begin);
    if (const size_t open = item.find('<'); open != std::string::npos) {
      item = item.substr(open + 1, item.find('>', open) - open - 1);
    }
    const size_t first = item.find_first_not_of(" \t");
    if (first != std::string::npos) {
      addresses.push_back(lower(item.substr(first, item.find_last_not_of(" \t") - first + 1)));
    }
    begin = end + 1;
  }
  return addresses;
}

template <typename Wanted>
std::optional<OrdersEntry> lastOf(const SendJournal& journal, const std::string& gameFile, int year,
                                  int player, Wanted wanted) {
  const std::vector<OrdersEntry>& lines = journal.orders();
  for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
    if (line->gameFile == gameFile && line->year == year && line->player == player &&
        wanted(*line)) {
      return *line;
    }
  }
  return std::nullopt;
}

}  // namespace

std::optional<OrdersEntry> lastOrdersVerdict(const SendJournal& journal,
                                             const std::string& gameFile, int year, int player) {
  return lastOf(journal, gameFile, year, player, [](const OrdersEntry&) { return true; });
}

std::optional<OrdersEntry> ordersIn(const SendJournal& journal, const std::string& gameFile,
                                    int year, int player) {
  return lastOf(journal, gameFile, year, player, [](const OrdersEntry& line) { return line.in(); });
}

OrdersMark ordersMark(const SendJournal& journal, const std::string& gameFile, int year,
                      int player) {
  const std::optional<OrdersEntry> last = lastOrdersVerdict(journal, gameFile, year, player);
  if (!last) return {};
  OrdersMark mark;
  if (const std::optional<OrdersEntry> in = ordersIn(journal, gameFile, year, player)) {
    mark.column = "in " + (in->time.size() >= 16 ? in->time.substr(11, 5) : in->time);
  } else {
    mark.column = "rejected";
  }
  mark.hint = "Orders " + last->verdict + " on " + last->when() + " from " + last->sender + " (" +
              last->file.name + "): " + last->reason;
  return mark;
}

std::vector<int> playersOut(const Game& game, const SendJournal& journal) {
  const std::string gameFile = journalGameFile(game);
  std::vector<int> out;
  for (size_t slot = 0; slot < game.roster.size(); ++slot) {
    const int player = static_cast<int>(slot) + 1;
    if (mailable(game.roster[slot].fields()) && !ordersIn(journal, gameFile, game.year, player)) {
      out.push_back(player);
    }
  }
  return out;
}

std::set<int> playersOfSender(const Game& game, const std::vector<PlayerRow>& database,
                              const std::string& sender) {
  const std::string wanted = lower(sender);
  std::set<int> players;
  if (wanted.empty()) return players;
  for (size_t slot = 0; slot < game.roster.size(); ++slot) {
    const ContestorEntry& entry = game.roster[slot];
    std::vector<std::string> addresses = addressesIn(entry.addresses());
    for (auto row = database.rbegin(); row != database.rend(); ++row) {
      if (!entry.name().empty() && lower(row->name) == lower(entry.name())) {
        const std::vector<std::string> more = addressesIn(row->email);
        addresses.insert(addresses.end(), more.begin(), more.end());
        break;
      }
    }
    if (std::find(addresses.begin(), addresses.end(), wanted) != addresses.end()) {
      players.insert(static_cast<int>(slot) + 1);
    }
  }
  return players;
}

}  // namespace zelvaro::core
