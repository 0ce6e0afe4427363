#pragma once

// The receipt owed to a player for each orders file he mailed in: the verdict and its reason
// in plain words, the file's SHA-256, and who is still out, as an automatic answer to his
// message (RFC 3834). None goes to an address not in the game, nor to mail that may not be
// answered automatically (auto-submitted, a bounce, a list); the journal keeps which went, so
// that a second look at the same message never mails one twice.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/game_rules.h"
#include "core/send_journal.h"
#include "send/notice_mailer.h"
#include "send/orders_intake.h"

namespace zelvaro::send {

// The receipt for one file judged from `parts`, or nothing when none is owed.
std::optional<Notice> receiptFor(const JudgedOrders& judged, const MailParts& parts,
                                 const core::GameRules& rules, const core::SendJournal& journal);

struct ReceiptsMailed {
  int sent = 0;
  std::vector<std::string> failures;  // one line per receipt that could not go, with why
};

// Mails the receipts owed for every file of the message and journals each; a receipt that
// cannot go leaves the verdict as it is.
ReceiptsMailed mailReceipts(const MessageIntake& intake, NoticeMailer& mailer,
                            core::SendJournal& journal);

// A message too big to be fetched whole, of which only the header was read: its sender is told
// why nothing was looked at, when he is a player of one of the games. False when he is not
// (the message is then not ours to answer, nor to move).
bool answerTooBig(const std::string& header, std::uint64_t size,
                  const std::vector<IntakeGame>& games, NoticeMailer& mailer,
                  core::SendJournal& journal, ReceiptsMailed& mailed);

}  // namespace zelvaro::send
