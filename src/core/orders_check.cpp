#include "core/orders_check.h"

#include <cstdio>

#include "core/stars_blocks.h"
#include "core/stars_files.h"
#include "core/text_file.h"

namespace zelvaro::core {

namespace {

std::string kindOf(int type) {
  switch (static_cast<StarsFileType>(type)) {
    case StarsFileType::Universe:
      return "the universe file (.xy)";
    case StarsFileType::Host:
      return "the host file (.hst)";
    case StarsFileType::Result:
      return "a turn file (.m)";
    case StarsFileType::History:
      return "a history file (.h)";
    case StarsFileType::Race:
      return "a race file (.r)";
    default:
      return "a Stars! file of an unknown kind";
  }
}

std::string hexId(std::uint32_t id) {
  char text[9];
  std::snprintf(text, sizeof text, "%08x", id);
  return text;
}

std::string playerList(const std::set<int>& players) {
  std::string text;
  for (int player : players) {
    if (!text.empty()) text += " or ";
    text += std::to_string(player);
  }
  return text;
}

// What a player does about orders made from a turn that is not the current one.
std::string saveAgain(int player) {
  return ": open the newest .m" + std::to_string(player) + " and save your orders again";
}

}  // namespace

std::string OrdersJudgement::word() const {
  if (verdict == OrdersVerdict::Accepted) return "accepted";
  if (verdict == OrdersVerdict::Duplicate) return "duplicate";
  return "rejected";
}

int generationOf(const StarsFileHeader& header) {
  return header.flags >> 5;
}

OrdersJudgement judgeOrders(std::string_view bytes, const StarsFileHeader& turn,
                            const std::optional<std::set<int>>& senders,
                            std::optional<std::string_view> stored) {
  OrdersJudgement judgement;
  auto verdict = [&judgement](OrdersVerdict verdict, std::string reason) {
    judgement.verdict = verdict;
    judgement.reason = std::move(reason);
    return judgement;
  };
  if (bytes.size() > kOrdersFileLimit) {
    return verdict(OrdersVerdict::TooBig,
                   "the file is over 256 KiB, far bigger than any orders file");
  }
  const std::optional<StarsFileHeader> header = parseStarsHeader(bytes);
  if (!header) return verdict(OrdersVerdict::NotStars, "it is not a Stars! file");
  judgement.player = header->player + 1;
  judgement.year = header->year;
  const std::string number = std::to_string(judgement.player);
  if (header->type != static_cast<int>(StarsFileType::Orders)) {
    return verdict(OrdersVerdict::NotOrders, "it is " + kindOf(header->type) +
                                                 ", not an orders file: send the .x" + number +
                                                 " file that Stars! saves with your orders");
  }
  if (header->gameId != turn.gameId) {
    return verdict(OrdersVerdict::OtherGame, "these orders belong to another game (id " +
                                                 hexId(header->gameId) + ", this game is " +
                                                 hexId(turn.gameId) + ")");
  }
  if (senders && senders->empty()) {
    return verdict(OrdersVerdict::UnknownSender,
                   "the sender is not an address of any player of this game");
  }
  if (header->year < turn.year) {
    const std::string made = header->year + 1 == turn.year
                                 ? "last year's turn"
                                 : "the turn of " + std::to_string(header->year);
    return verdict(OrdersVerdict::Late, "these orders were made from " + made +
                                            ", and the game is at " + std::to_string(turn.year) +
                                            saveAgain(judgement.player));
  }
  if (header->year > turn.year) {
    return verdict(OrdersVerdict::Ahead, "these orders are for " + std::to_string(header->year) +
                                             ", and the game is only at " +
                                             std::to_string(turn.year));
  }
  if (generationOf(*header) != generationOf(turn)) {
    return verdict(OrdersVerdict::OldGeneration,
                   "made from an older copy of this turn" + saveAgain(judgement.player));
  }
  if (!walkBlocks(bytes).whole) {
    return verdict(OrdersVerdict::CutShort,
                   "the file was cut short on its way: save your orders again and send the "
                   "whole .x" +
                       number + " file");
  }
  if (senders && !senders->contains(judgement.player)) {
    return verdict(OrdersVerdict::OtherPlayer, "these are the orders of player " + number +
                                                   ", and they came from player " +
                                                   playerList(*senders));
  }
  if (stored && *stored == bytes) {
    return verdict(OrdersVerdict::Duplicate, "the same orders as those received before");
  }
  return verdict(OrdersVerdict::Accepted,
                 "orders of player " + number + " for " + std::to_string(header->year));
}

std::string ownOrdersProblem(const std::string& ordersPath, const std::string& resultPath,
                             int number) {
  if (!fileExists(ordersPath) || !fileExists(resultPath)) return {};
  try {
    const std::optional<StarsFileHeader> turn =
        parseStarsHeader(readFirstBytes(resultPath, StarsFileHeader::Size));
    if (!turn) return {};
    const OrdersJudgement judgement = judgeOrders(readFirstBytes(ordersPath, kOrdersFileLimit + 1),
                                                  *turn, std::set<int>{number}, std::nullopt);
    if (judgement.in()) return {};
    return attachmentName(ordersPath) + ": " + judgement.reason;
  } catch (const EInOutError& error) {
    return error.what();
  }
}

}  // namespace zelvaro::core
