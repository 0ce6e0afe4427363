#include "send/orders_receipts.h"

#include "core/errors.h"
#include "core/orders_status.h"
#include "core/sha256.h"
#include "core/stars_files.h"
#include "core/turn_status.h"
#include "send/templates.h"

namespace zelvaro::send {

namespace {

constexpr std::uint64_t kMegabyte = 1024 * 1024;

core::GameRules rulesOf(const core::Game& game) {
  try {
    return core::readGameRules(core::rulesPathFor(core::journalGameFile(game))).rules;
  } catch (const core::EInOutError&) {
    // The receipt goes all the same, in the words every game starts with.
    return {};
  }
}

// The player the answer is for: the one the file names when he sent it, else the sender's.
int answeredPlayer(const JudgedOrders& judged) {
  if (judged.senders.contains(judged.judgement.player)) return judged.judgement.player;
  return judged.senders.empty() ? 0 : *judged.senders.begin();
}

std::string verdictWords(const JudgedOrders& judged) {
  if (judged.verdict == "accepted") return "accepted: " + judged.reason + ".";
  if (judged.verdict == "duplicate") {
    return "accepted before: " + judged.reason + "; nothing changed.";
  }
  return "NOT accepted: " + judged.reason + ".";
}

std::string stillOut(const core::Game& game, const core::SendJournal& journal) {
  const std::vector<int> out = core::playersOut(game, journal);
  if (out.empty()) return "Still out: nobody; every player's orders are in.";
  std::string text;
  for (int player : out) {
    text += (text.empty() ? "player " : ", player ") + std::to_string(player);
    const std::string& name = game.roster[static_cast<size_t>(player) - 1].name();
    if (!name.empty()) text += " (" + name + ")";
  }
  return "Still out: " + text + ".";
}

// An automatic answer to `parts` about `player`'s orders: the game's words, the facts, and who
// is still out.
Notice answerOf(const MailParts& parts, const core::Game& game, const core::GameRules& rules,
                int player, bool in, const std::vector<std::string>& facts,
                const core::SendJournal& journal) {
  const TemplateValues values{game.year, game.name, playerNumberText(player)};
  Notice notice;
  notice.to = parts.sender;
  notice.subject = FillTemplate(in ? rules.receiptSubject : rules.rejectSubject, values);
  for (const std::string& line : rules.receiptBody) {
    notice.body.push_back(FillTemplate(line, values));
  }
  notice.body.push_back("");
  notice.body.insert(notice.body.end(), facts.begin(), facts.end());
  notice.body.insert(notice.body.end(), {"", stillOut(game, journal)});
  notice.inReplyTo = parts.messageId;
  notice.autoSubmitted = "auto-replied";
  notice.fromName = game.alias;
  return notice;
}

void mailAndJournal(const Notice& notice, core::ReceiptEntry entry, NoticeMailer& mailer,
                    core::SendJournal& journal, ReceiptsMailed& mailed) {
  const NoticeOutcome outcome = mailer.send(notice);
  entry.time = core::journalTime();
  entry.outcome = outcome.sent ? "sent" : "failed: " + outcome.failure;
  if (outcome.sent) {
    ++mailed.sent;
  } else {
    mailed.failures.push_back("The receipt to " + notice.to + " (\"" + notice.subject +
                              "\") could not be mailed: " + outcome.failure);
  }
  try {
    journal.append(entry);
  } catch (const core::EInOutError& error) {
    mailed.failures.push_back(std::string(error.what()) +
                              "; a later look at the same mail may answer it again");
  }
}

}  // namespace

std::optional<Notice> receiptFor(const JudgedOrders& judged, const MailParts& parts,
                                 const core::GameRules& rules, const core::SendJournal& journal) {
  if (judged.game == nullptr || !judged.failure.empty() || !parts.answerable()) return std::nullopt;
  const int player = answeredPlayer(judged);
  if (player == 0) return std::nullopt;
  const core::Game& game = judged.game->game;
  if (journal.receiptSent(core::journalGameFile(game), parts.messageId, judged.sha256)) {
    return std::nullopt;
  }
  return answerOf(parts, game, rules, player, judged.in(),
                  {"Verdict: " + verdictWords(judged), "File: " + core::attachmentName(judged.name),
                   "SHA-256: " + judged.sha256},
                  journal);
}

ReceiptsMailed mailReceipts(const MessageIntake& intake, NoticeMailer& mailer,
                            core::SendJournal& journal) {
  ReceiptsMailed mailed;
  for (const JudgedOrders& judged : intake.files) {
    if (judged.game == nullptr) continue;
    const core::Game& game = judged.game->game;
    const std::optional<Notice> notice = receiptFor(judged, intake.parts, rulesOf(game), journal);
    if (!notice) continue;
    mailAndJournal(*notice,
                   {{},
                    core::journalGameFile(game),
                    game.year,
                    answeredPlayer(judged),
                    notice->to,
                    judged.sha256,
                    intake.parts.messageId,
                    {}},
                   mailer, journal, mailed);
  }
  return mailed;
}

bool answerTooBig(const std::string& header, std::uint64_t size,
                  const std::vector<IntakeGame>& games, NoticeMailer& mailer,
                  core::SendJournal& journal, ReceiptsMailed& mailed) {
  const MailParts parts = takeApart(header);
  for (const IntakeGame& home : games) {
    const std::set<int> players = core::playersOfSender(home.game, home.database, parts.sender);
    if (players.empty()) continue;
    const std::string sha256 = core::sha256Hex(header);
    const std::string gameFile = core::journalGameFile(home.game);
    if (!parts.answerable() || journal.receiptSent(gameFile, parts.messageId, sha256)) return true;
    const std::string megabytes = std::to_string((size + kMegabyte - 1) / kMegabyte);
    const Notice notice =
        answerOf(parts, home.game, rulesOf(home.game), *players.begin(), false,
                 {"Verdict: NOT accepted: your message was " + megabytes +
                  " MB, over the 4 MB the host takes, so nothing in it was looked at: send the "
                  ".x file alone."},
                 journal);
    mailAndJournal(
        notice,
        {{}, gameFile, home.game.year, *players.begin(), notice.to, sha256, parts.messageId, {}},
        mailer, journal, mailed);
    return true;
  }
  return false;
}

}  // namespace zelvaro::send
