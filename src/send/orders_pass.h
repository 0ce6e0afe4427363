#pragma once

// One look at everything that may have come in for the games: the orders mailbox (when
// `imapserver` is set) and each game's drop folder, every orders file judged, and a receipt
// mailed back for each file a player mailed in. Each verdict and each problem is a line for
// whoever runs the look (standard output and error, watch mode's lines) and goes into the log
// file when logging is on.

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "core/send_journal.h"
#include "core/settings.h"
#include "send/orders_intake.h"
#include "send/orders_mailbox.h"

namespace zelvaro::send {

struct IntakeLines {
  // "Nebula Cup: nebula.x3 from ann@example.org: accepted, orders of player 3 for 2426"
  std::function<void(const std::string&)> verdict;
  // What failed, in plain words that say what to do.
  std::function<void(const std::string&)> problem;
};

class OrdersPass {
 public:
  OrdersPass(core::Settings settings, OrdersIntake& intake, core::SendJournal& journal,
             IntakeLines lines);
  ~OrdersPass();
  OrdersPass(const OrdersPass&) = delete;
  OrdersPass& operator=(const OrdersPass&) = delete;

  // One pass over the mailbox; true when nothing failed (also when no mailbox is set). Runs
  // the event loop.
  bool takeMailbox(MailboxPassOptions options = {});
  // One look at every game's drop folder; true when nothing failed. A file changed within
  // `settle` waits for the next look.
  bool takeDropFolders(std::chrono::seconds settle = std::chrono::seconds(2));

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace zelvaro::send
