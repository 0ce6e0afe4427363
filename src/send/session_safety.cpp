// The send session's guards around each entry: the check of its files before anything goes,
// and the journal that keeps a turn from being mailed twice.

#include <algorithm>

#include "core/turn_status.h"
#include "platform/messages.h"
#include "send/send_session.h"

namespace zelvaro::send {

void SendSession::loadJournal() {
  journalUsable_ = true;
  const std::string problem = journal_.load();
  if (problem.empty()) return;
  log_.LogLine(problem);
  platform::messages().show(problem, platform::MessageKind::Warning);
}

bool SendSession::stopBeforeMailing(int slot, const std::vector<std::string>& fields) {
  sentAnyway_.clear();
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
  // A file that cannot be read now is no proof: it fails where it is attached, with its reason.
  const auto before = core::mailedBefore(host_.game(), journal_, slot, fields);
  if (!before) return false;
  log_.LogLine("Player #" + std::to_string(slot) + ": Already mailed on " + before->when() +
               ": skipped");
  noteNotMailed(slot, "mailed on " + before->when(), true);
  ++cleanlyMailed_;
  return true;
}

void SendSession::journalOutcome(int slot, const std::string& reason) {
  const core::Game& game = host_.game();
  core::JournalEntry entry;
  entry.time = core::journalTime();
  entry.gameFile = core::journalGameFile(game);
  entry.gameName = game.name;
  entry.year = game.year;
  entry.player = slot;
  for (const std::string& recipient : _smtp.RcptName) {
    entry.recipients += (entry.recipients.empty() ? "" : ",") + recipient;
  }
  entry.messageId = messageId_;
  entry.outcome = !reason.empty()       ? "failed: " + reason
                  : sentAnyway_.empty() ? "sent"
                                        : "sent anyway: " + sentAnyway_;
  if (reason.empty() && !sentAnyway_.empty()) {
    log_.LogLine(playerLabel(slot) + ": sent anyway: " + sentAnyway_);
  }
  entry.lastReply = _smtp.LastResponse();
  try {
    std::vector<std::string> paths(_smtp.EmailFiles.begin(), _smtp.EmailFiles.end());
    entry.files = core::journalFilesOf(paths);
  } catch (const std::exception&) {
    // A file gone since it was sent: the line still tells the rest.
  }
  try {
    journal_.append(entry);
  } catch (const std::exception& e) {
    if (!journalUsable_) return;
    journalUsable_ = false;
    const std::string problem =
        std::string("Cannot write the send journal, so this turn may be mailed again: ") + e.what();
    log_.LogLine(problem);
    platform::messages().show(problem, platform::MessageKind::Warning);
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
