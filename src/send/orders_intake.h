#pragma once

// Orders intake: every orders file that comes in, by mail or through a game's drop folder, is
// judged for the game whose host file has its game id, stored as the game's .x<N> when it is
// accepted, and written into the journal with its verdict, so nothing is judged twice. A file
// is known as orders by its content, never by its name or the subject.

#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "core/game.h"
#include "core/orders_check.h"
#include "core/player_database.h"
#include "core/send_journal.h"
#include "send/mail_parts.h"

namespace zelvaro::send {

// A game that takes orders in, as read from its game file.
struct IntakeGame {
  core::Game game;
  std::vector<core::PlayerRow> database;  // where senders' addresses are found too
};

struct JudgedOrders {
  std::string name;  // of the attachment or the dropped file
  const IntakeGame* game = nullptr;
  core::OrdersJudgement judgement;  // for a file judged now
  std::string verdict;              // "accepted", "duplicate" or "rejected", now or before
  std::string reason;
  std::string sha256;
  std::set<int> senders;      // the players whose address sent it (mail only)
  std::string storedAs;       // the .x<N> written, for orders accepted now
  bool judgedBefore = false;  // the journal had this file of this message already
  std::string failure;        // why it could not be judged (no host file, a disk full, ...)

  bool in() const { return verdict == "accepted" || verdict == "duplicate"; }
};

enum class MessageVerdict {
  Leave,     // no orders file in it, or one could not be judged: try again later
  Done,      // every orders file in it is in
  Rejected,  // at least one was rejected
};

struct MessageIntake {
  MessageVerdict verdict = MessageVerdict::Leave;
  MailParts parts;
  std::vector<JudgedOrders> files;
};

class OrdersIntake {
 public:
  OrdersIntake(std::vector<IntakeGame> games, core::SendJournal& journal);

  const std::vector<IntakeGame>& games() const { return games_; }

  // Every orders file of the message, judged.
  MessageIntake takeMessage(std::string_view message);
  // A file found in the drop folder of games()[game]: routed by its game id like mail, and
  // judged by its own player index, as no sender vouches for it.
  JudgedOrders takeFile(size_t game, const std::string& name, const std::string& bytes);

 private:
  JudgedOrders judge(const IntakeGame& home, const std::string& name, const std::string& bytes,
                     const std::string& sender, const std::string& messageId,
                     const std::optional<std::set<int>>& senders);
  const IntakeGame& routeOf(const IntakeGame& home, std::string_view bytes) const;
  void store(const IntakeGame& game, JudgedOrders& judged, const std::string& bytes);

  std::vector<IntakeGame> games_;
  core::SendJournal& journal_;
};

// Where the orders of player `number` (1-based) are kept: <base>.x<N>, in the case of the
// host file's extension when one is found ("ORION.HST" gives "ORION.X3").
std::string ordersFileOf(const core::Game& game, int number);
// The folder beside the game file where the previous orders of a year are kept.
std::string keptOrdersFolder(const core::Game& game, int year);

}  // namespace zelvaro::send
