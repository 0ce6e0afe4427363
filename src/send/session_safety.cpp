// The send session's guards around each entry: the check of its files before anything goes,
// and the journal that keeps a turn from being mailed twice.

#include <algorithm>
#include <cstring>

#include "core/errors.h"
#include "core/player_database.h"
#include "core/turn_status.h"
#include "net/smtp_text.h"
#include "platform/messages.h"
#include "send/send_session.h"
#include "send/templates.h"

namespace zelvaro::send {

bool SendSession::holdGame(platform::FileLock& lock) {
  // A game never saved has no name another run could mail it by.
  if (core::journalGameFile(host_.game()).empty() || lock.tryLock()) return true;
  const std::string sentence =
      host_.game().filePath + ": another Zelvaro is mailing this game; waiting";
  log_.LogLine(sentence);
  if (host_.waitForGame(lock, sentence)) return true;
  interrupted_ = true;
  log_.LogLine("Stopped waiting for the other Zelvaro; nobody was mailed.");
  return false;
}

bool SendSession::readyJournal() {
  if (!options_.previewFolder.empty()) return true;
  std::string problem = journal_.load();
  try {
    journal_.checkWritable();
    // Whoever holds the game may set its cut-short lines aside; they are then told once.
    if (journal_.damagedLines() > 0) problem = journal_.setAsideDamaged();
  } catch (const std::exception& e) {
    journalBroken(e);
    return false;
  }
  if (!problem.empty()) {
    log_.LogLine(problem);
    platform::messages().show(problem, platform::MessageKind::Warning);
  }
  return true;
}

void SendSession::journalBroken(const std::exception& e) {
  if (journalBroken_) return;
  journalBroken_ = true;
  anyFailure_ = true;
  const auto* failure = dynamic_cast<const core::EInOutError*>(&e);
  const std::string reason = failure != nullptr ? std::strerror(failure->errorNumber()) : e.what();
  const std::string problem = "Cannot write the send journal " + journal_.path() + ": " + reason +
                              "; stopped so that no player is mailed twice";
  log_.LogLine(problem);
  platform::messages().show(problem, platform::MessageKind::Error);
}

std::string SendSession::addressesOf(const std::vector<std::string>& fields) {
  if (auto found = core::PlayerDatabase(host_.settings().database).addressesOf(fields[0])) {
    return *found;
  }
  return fields[2];
}

bool SendSession::stopBeforeMailing(int slot, const std::vector<std::string>& fields) {
  sentAnyway_.clear();
  dueAddresses_.clear();
  for (const core::TurnFinding& finding : findings_) {
    if (finding.player != slot || finding.ok()) continue;
    const bool refused = options_.files == SendOptions::Files::RefuseAny ||
                         (options_.files == SendOptions::Files::RefuseWrong && finding.wrongFile());
    if (refused) {
      anyFailure_ = true;
      log_.LogLine(playerLabel(slot) + ": not mailed: " + finding.text());
      noteNotMailed(slot, finding.text());
      failures_.push_back("Player #" + std::to_string(slot) + ": not mailed: " + finding.text());
      return true;
    }
    // The operator chose to mail it as it is; the journal keeps why it was wrong.
    sentAnyway_ += (sentAnyway_.empty() ? "" : "; ") + finding.text();
  }
  if (options_.again || options_.againPlayers.count(slot) > 0) return false;
  // Another run may have mailed him while this one waited: the journal is read again.
  if (options_.previewFolder.empty()) journal_.load();
  const core::Game& game = host_.game();
  const std::string gameFile = core::journalGameFile(game);
  std::vector<core::JournalFile> files;
  try {
    files = core::journalFilesOf(core::attachablePaths(game, slot, fields));
  } catch (const core::EInOutError&) {
    // A file that cannot be read now is no proof: it fails where it is attached, with its reason.
    return false;
  }
  const auto before =
      gameFile.empty() ? std::nullopt : journal_.mailed(gameFile, game.year, slot, files);
  if (!before) return false;
  const std::set<std::string> mailed = journal_.mailedAddresses(gameFile, game.year, slot, files);
  for (const std::string& address : recipientsOf(NormalizeAddressList(addressesOf(fields)))) {
    const std::string key = core::journalAddress(address);
    if (!key.empty() && mailed.count(key) == 0) dueAddresses_.insert(key);
  }
  if (!dueAddresses_.empty()) {
    std::string due;
    for (const std::string& address : dueAddresses_) due += (due.empty() ? "" : ", ") + address;
    log_.LogLine("Player #" + std::to_string(slot) + ": Already mailed on " + before->when() +
                 " at his other addresses: mailing " + net::printableText(due) + " only");
    return false;
  }
  log_.LogLine("Player #" + std::to_string(slot) + ": Already mailed on " + before->when() +
               ": skipped");
  noteNotMailed(slot, "mailed on " + before->when(), true);
  ++cleanlyMailed_;
  return true;
}

void SendSession::journalFailure(int slot, const std::string& reason) {
  journalLine(slot, "failed: " + reason, _smtp.RcptName, _smtp.LastResponse());
}

void SendSession::messageAccepted(const std::string& reply) {
  accepted_ = true;
  if (!sentAnyway_.empty())
    log_.LogLine(playerLabel(slotInHand_) + ": sent anyway: " + sentAnyway_);
  journalLine(slotInHand_, sentAnyway_.empty() ? "sent" : "sent anyway: " + sentAnyway_,
              _smtp.AcceptedRecipients(), reply);
  for (const auto& refused : _smtp.RefusedRecipients()) {
    journalLine(slotInHand_, "failed: " + refused.reply, {refused.address}, refused.reply);
  }
}

void SendSession::journalLine(int slot, const std::string& outcome,
                              const std::vector<std::string>& recipients,
                              const std::string& reply) {
  if (journalBroken_) return;
  const core::Game& game = host_.game();
  core::JournalEntry entry;
  entry.time = core::journalTime();
  entry.gameFile = core::journalGameFile(game);
  entry.gameName = game.name;
  entry.year = game.year;
  entry.player = slot;
  for (const std::string& recipient : recipients) {
    entry.recipients += (entry.recipients.empty() ? "" : ",") + recipient;
  }
  entry.messageId = messageId_;
  entry.outcome = outcome;
  entry.lastReply = reply;
  try {
    std::vector<std::string> paths(_smtp.EmailFiles.begin(), _smtp.EmailFiles.end());
    entry.files = core::journalFilesOf(paths);
  } catch (const std::exception&) {
    // A file gone since it was sent: the line still tells the rest.
  }
  try {
    journal_.append(entry);
  } catch (const std::exception& e) {
    journalBroken(e);
  }
}

std::string SendSession::playerName(int slot) const {
  const core::Roster& roster = host_.game().roster;
  if (slot < 1 || static_cast<size_t>(slot) > roster.size()) return {};
  const std::vector<std::string> fields = roster[static_cast<size_t>(slot) - 1].fields();
  return fields.empty() ? std::string() : fields[0];
}

std::string SendSession::playerLabel(int slot) const {
  const std::string name = playerName(slot);
  return "Player #" + std::to_string(slot) + (name.empty() ? "" : " " + name);
}

void SendSession::noteNotMailed(int slot, std::string reason, bool skipped) {
  // An entry's first reason is the one that tells; a hint may follow it in the log.
  if (!notMailed_.empty() && notMailed_.back().player == slot) return;
  notMailed_.push_back({slot, playerName(slot), std::move(reason), skipped});
}

void SendSession::noteMailed(int slot, std::string previewFile) {
  PlayerOutcome outcome;
  outcome.player = slot;
  outcome.name = playerName(slot);
  outcome.kind = PlayerOutcome::Kind::MailedNow;
  outcome.previewFile = std::move(previewFile);
  mailedNow_.push_back(std::move(outcome));
}

std::vector<PlayerOutcome> SendSession::outcomes() const {
  std::vector<PlayerOutcome> all = mailedNow_;
  for (const NotMailed& entry : notMailed_) {
    auto mailed = std::find_if(all.begin(), all.end(), [&entry](const PlayerOutcome& o) {
      return o.player == entry.player;
    });
    // A message that went out with a flaw stays in its group, the flaw said beside it.
    if (mailed != all.end()) {
      if (mailed->reason.empty()) mailed->reason = entry.reason;
      continue;
    }
    using Kind = PlayerOutcome::Kind;
    all.push_back({entry.player,
                   entry.name,
                   entry.skipped ? Kind::HadIt : Kind::NotMailed,
                   entry.reason,
                   {}});
  }
  std::stable_sort(all.begin(), all.end(), [](const PlayerOutcome& a, const PlayerOutcome& b) {
    return a.player < b.player;
  });
  return all;
}

}  // namespace zelvaro::send
