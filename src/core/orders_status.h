#pragma once

// Who is in: what the journal's orders lines say of each player for a game's year. A plain
// function over the journal, for the roster's "Orders" column, --status, and whatever decides
// on deadlines and reminders.

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/game.h"
#include "core/player_database.h"
#include "core/send_journal.h"

namespace zelvaro::core {

// The journal's last verdict on an orders file of this player for the year.
std::optional<OrdersEntry> lastOrdersVerdict(const SendJournal& journal,
                                             const std::string& gameFile, int year, int player);
// The last verdict that counted the player in (accepted or duplicate): the last accepted
// orders of a year win, whatever was rejected after them.
std::optional<OrdersEntry> ordersIn(const SendJournal& journal, const std::string& gameFile,
                                    int year, int player);

struct OrdersMark {
  std::string column;  // "in 14:02", "rejected", or empty when nothing came
  std::string hint;    // the last verdict in words; empty when nothing came
};

OrdersMark ordersMark(const SendJournal& journal, const std::string& gameFile, int year,
                      int player);

// The selected players (1-based, roster order) who have no orders in for the game's year.
std::vector<int> playersOut(const Game& game, const SendJournal& journal);

// The roster entries (1-based) one of whose addresses, in the roster or in the player
// database under the entry's name, is `sender` (compared without regard to case).
std::set<int> playersOfSender(const Game& game, const std::vector<PlayerRow>& database,
                              const std::string& sender);

}  // namespace zelvaro::core
