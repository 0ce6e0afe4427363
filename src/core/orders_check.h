#pragma once

// The verdict on an orders file (.x<N>) that a player sent in: read from its header beside the
// header of the turn it must answer (the host file's for the host, the player's own result
// file's on the player's side), and from its chain of blocks. An orders file carries the year
// and the generation counter of the result file it answers; bit 0 of its flags ("submitted")
// decides nothing, as many orders hosts use have it clear.

#include <cstddef>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "core/turn_check.h"

namespace zelvaro::core {

// No orders file comes near this; a bigger file is not looked at.
inline constexpr size_t kOrdersFileLimit = 256 * 1024;

enum class OrdersVerdict {
  Accepted,
  Duplicate,  // byte for byte the orders already stored
  TooBig,
  NotStars,
  NotOrders,
  OtherGame,
  UnknownSender,
  Late,  // made from an earlier year's turn
  Ahead,
  OldGeneration,  // this year, but from a copy of the turn the host has since generated over
  CutShort,
  OtherPlayer,
};

struct OrdersJudgement {
  OrdersVerdict verdict = OrdersVerdict::NotStars;
  int player = 0;      // 1-based, as the file says; 0 when it is no Stars! file
  int year = 0;        // as the file says
  std::string reason;  // in plain words, for the host and the player alike

  // The orders count: new ones or the ones already there.
  bool in() const {
    return verdict == OrdersVerdict::Accepted || verdict == OrdersVerdict::Duplicate;
  }
  // "accepted", "duplicate" or "rejected".
  std::string word() const;
};

// The generation counter, bits 5 to 7 of the flags.
int generationOf(const StarsFileHeader& header);

// `turn` is the header the orders must match; `senders` the player numbers (1-based) whose
// address sent the file, empty for an address not in the game, nothing when there is no
// sender to go by (a file dropped into the folder); `stored` the orders already kept for the
// player the file names, when there are any.
OrdersJudgement judgeOrders(std::string_view bytes, const StarsFileHeader& turn,
                            const std::optional<std::set<int>>& senders,
                            std::optional<std::string_view> stored);

// The player's side, before his orders go: what is wrong with the orders file as the answer to
// his result file (player `number`), in plain words; empty when nothing is, or when either file
// is missing or the result file is no Stars! file (then there is nothing to go by).
std::string ownOrdersProblem(const std::string& ordersPath, const std::string& resultPath,
                             int number);

}  // namespace zelvaro::core
