// The send session's guards around each entry: the check of its files before anything goes,
// and the journal that keeps a turn from being mailed twice.

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
  for (const core::TurnFinding& finding : findings_) {
    if (finding.player != slot || finding.ok()) continue;
    const bool refused = options_.files == SendOptions::Files::RefuseAny ||
                         (options_.files == SendOptions::Files::RefuseWrong && finding.wrongFile());
    if (refused) {
      fail(slot, "not mailed: " + finding.text());
      return true;
    }
  }
  if (options_.again || options_.againPlayers.count(slot) > 0) return false;
  // A file that cannot be read now is no proof: it fails where it is attached, with its reason.
  const auto before = core::mailedBefore(host_.game(), journal_, slot, fields);
  if (!before) return false;
  log_.LogLine("Player #" + std::to_string(slot) + ": Already mailed on " + before->when() +
               ": skipped");
  noteNotMailed(slot, "already mailed on " + before->when(), true);
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
  entry.outcome = reason.empty() ? "sent" : "failed: " + reason;
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

void SendSession::noteNotMailed(int slot, std::string reason, bool skipped) {
  // An entry's first reason is the one that tells; a hint may follow it in the log.
  if (!notMailed_.empty() && notMailed_.back().player == slot) return;
  std::string name;
  const core::Roster& roster = host_.game().roster;
  if (slot >= 1 && static_cast<size_t>(slot) <= roster.size()) {
    const std::vector<std::string> fields = roster[static_cast<size_t>(slot) - 1].fields();
    if (!fields.empty()) name = fields[0];
  }
  notMailed_.push_back({slot, std::move(name), std::move(reason), skipped});
}

}  // namespace zelvaro::send
