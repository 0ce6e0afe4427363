#pragma once

// The schedule side of watch mode: after each look at a game whose turn is ready, the game's
// rules (`<game>.zv.rules`) are read and what is due is done: reminders to the players still
// out, the host's message at the deadline, the next turn generated, the status page written.
// What was done is journaled under the game's lock, so a restart or a second watch over the
// same game never does it twice. Generation runs on a job of its own: the loop goes on.

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/game_rules.h"
#include "core/send_journal.h"
#include "core/turn_observation.h"
#include "platform/file_lock.h"
#include "platform/process_job.h"
#include "send/notice_mailer.h"

namespace zelvaro::app {

struct ScheduleHooks {
  // Mails one notice through the account (send::NoticeMailer); runs the loop meanwhile.
  std::function<send::NoticeOutcome(const send::Notice& notice)> mail;
  std::string hostAddress;  // the host's own address: the deadline and failure messages
  std::string databasePath;
  // The generate command's output, for the session log.
  std::function<void(const std::vector<std::string>& lines)> log;
  // A line about the game on standard error.
  std::function<void(const std::string& gamePath, const std::string& text)> tell;
  // The game is to be looked at again now: a generation ended.
  std::function<void(const std::string& gamePath)> lookAgain;
  std::chrono::milliseconds generateLimit{10 * 60 * 1000};
};

class ScheduleWatch {
 public:
  explicit ScheduleWatch(ScheduleHooks hooks);
  // The watch over the games fills in `tell` and `lookAgain`.
  ScheduleHooks& hooks() { return hooks_; }

  // What is due for the game now, done; when to look again even if nothing changes. Runs the
  // loop while notices go out: the caller keeps other looks away meanwhile.
  std::optional<core::WatchTime> look(const std::string& gamePath,
                                      const core::TurnObservation& seen);
  // A generation of the game runs: its new files are not a turn to mail yet.
  bool generating(const std::string& gamePath) const;

 private:
  struct Game {
    std::unique_ptr<platform::ProcessJob> job;
    std::unique_ptr<platform::FileLock> jobLock;  // held while the job runs
    // A generation that failed in this run is tried again only once the files differ.
    int failedYear = 0;
    std::string failedFingerprint;
    std::string rulesProblem;
    std::string page;  // the status page last written, without its time
  };

  void remind(const core::GameRules& rules, const core::TurnObservation& seen,
              core::SendJournal& journal, const std::vector<int>& players, double hours,
              core::WatchTime deadline);
  void tellHostOfDeadline(const core::TurnObservation& seen, core::SendJournal& journal,
                          const std::vector<int>& out, core::WatchTime deadline);
  void generate(Game& state, const std::string& gamePath, const core::GameRules& rules,
                const core::TurnObservation& seen, core::SendJournal& journal, bool allIn);
  void generated(const std::string& gamePath, const core::ScheduleEntry& started,
                 const platform::ProcessResult& result);
  void writePage(Game& state, const std::string& gamePath, const core::TurnObservation& seen,
                 const core::GameRules& rules);
  // Mails the notice to each address of the list; true when one of them took it.
  send::NoticeOutcome mailEach(const std::string& addresses, send::Notice notice);
  // Mails the notice and journals the outcome in `entry`.
  void mailNotice(const std::string& addresses, const send::Notice& notice,
                  core::ScheduleEntry entry, core::SendJournal& journal);
  std::string addressesOf(const core::Game& game, int player) const;

  ScheduleHooks hooks_;
  std::map<std::string, Game> games_;
};

}  // namespace zelvaro::app
