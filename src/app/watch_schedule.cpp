#include "app/watch_schedule.h"

#include <filesystem>
#include <utility>

#include "core/errors.h"
#include "core/orders_status.h"
#include "core/player_database.h"
#include "core/schedule_state.h"
#include "core/stars_files.h"
#include "core/status_page.h"
#include "core/turn_schedule.h"
#include "core/turn_status.h"
#include "send/templates.h"

namespace zelvaro::app {

namespace {

using Clock = core::WatchClock;
using Kind = core::ScheduleEntry::Kind;

// Another run holding the game is deciding or generating: it is looked at again after this.
constexpr std::chrono::seconds kLockedRetry{15};

std::string yearPrefix(int year) {
  return std::to_string(year) + ": ";
}

std::string playerList(const core::Game& game, const std::vector<int>& players) {
  std::string text;
  for (int player : players) {
    if (!text.empty()) text += ", ";
    text += "Player #" + std::to_string(player);
    const std::string name = game.roster[player - 1].name();
    if (!name.empty()) text += " (" + name + ")";
  }
  return text;
}

std::string numberList(const std::vector<int>& players) {
  std::string text;
  for (int player : players) text += (text.empty() ? "" : ",") + std::to_string(player);
  return text;
}

std::string howItEnded(const platform::ProcessResult& result, std::chrono::milliseconds limit) {
  using End = platform::ProcessResult::End;
  switch (result.end) {
    case End::Exited:
      return "exit status " + std::to_string(result.exitStatus);
    case End::Signalled:
      return "ended by signal " + std::to_string(result.signal);
    case End::TimedOut:
      return "still running after " +
             std::to_string(std::chrono::duration_cast<std::chrono::minutes>(limit).count()) +
             " minutes; stopped";
    case End::Cancelled:
      return "stopped with the program";
    case End::NotStarted:
      break;
  }
  return "could not start: " + result.problem;
}

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    if (!lines.back().empty() && lines.back().back() == '\r') lines.back().pop_back();
    start = end + 1;
  }
  return lines;
}

core::ScheduleEntry entryFor(Kind kind, const core::Game& game, int player,
                             const std::string& detail) {
  return {kind,
          core::journalTime(),
          core::journalGameFile(game),
          game.name,
          game.year,
          player,
          detail,
          {},
          {},
          {}};
}

std::vector<int> numbersOf(const core::TurnObservation& seen) {
  std::vector<int> numbers;
  for (const core::WatchedPlayer& player : seen.players) numbers.push_back(player.number);
  return numbers;
}

}  // namespace

ScheduleWatch::ScheduleWatch(ScheduleHooks hooks) : hooks_(std::move(hooks)) {}

bool ScheduleWatch::generating(const std::string& gamePath) const {
  auto found = games_.find(gamePath);
  return found != games_.end() && found->second.job && found->second.job->running();
}

std::optional<core::WatchTime> ScheduleWatch::look(const std::string& gamePath,
                                                   const core::TurnObservation& seen) {
  Game& state = games_[gamePath];
  core::RulesReading reading;
  try {
    reading = core::readGameRules(core::rulesPathFor(gamePath));
  } catch (const core::EInOutError& error) {
    reading.problems.push_back(error.what());
  }
  std::string problems;
  for (const std::string& problem : reading.problems) problems += " " + problem;
  if (problems != state.rulesProblem) {
    state.rulesProblem = problems;
    if (!problems.empty()) hooks_.tell(gamePath, "the schedule's rules:" + problems);
  }
  const core::GameRules& rules = reading.rules;
  writePage(state, gamePath, seen, rules);
  if (generating(gamePath)) return std::nullopt;
  if (rules.deadline.kind == core::Deadline::Kind::None && rules.generateCommand.empty()) {
    return std::nullopt;
  }

  // Deciding and doing under the lock, with the journal read under it: a second watch over the
  // game decides after this one has journaled what it did.
  platform::FileLock lock(platform::lockPathFor(gamePath));
  if (!lock.tryLock()) return Clock::now() + kLockedRetry;
  core::SendJournal journal;
  journal.load();
  const int year = seen.game.year;
  core::ScheduleState schedule =
      core::scheduleStateOf(journal, core::journalGameFile(seen.game), year, numbersOf(seen));
  // No job of this run is at it, and no other run holds the game: cut off by a stop.
  if (schedule.generation == core::GenerationState::Running) {
    schedule.generation = core::GenerationState::Failed;
  }
  // A failure seen first in the journal came before this run started: a restart tries again.
  schedule.changedSinceFailure =
      state.failedYear != year || state.failedFingerprint != seen.fingerprint;
  const core::ScheduleDecision decision = core::decideSchedule(rules, schedule, Clock::now());

  if (!decision.remind.empty()) {
    remind(rules, seen, journal, decision.remind, decision.reminderHours, *decision.deadline);
  }
  if (decision.tellHost) tellHostOfDeadline(seen, journal, decision.out, *decision.deadline);
  if (decision.generate != core::ScheduleDecision::Generate::No) {
    generate(state, gamePath, rules, seen, journal,
             decision.generate == core::ScheduleDecision::Generate::AllIn);
  }
  writePage(state, gamePath, seen, rules);
  return decision.lookAgainAt;
}

void ScheduleWatch::remind(const core::GameRules& rules, const core::TurnObservation& seen,
                           core::SendJournal& journal, const std::vector<int>& players,
                           double hours, core::WatchTime deadline) {
  const std::string words = core::deadlineWords(deadline);
  for (int player : players) {
    send::TemplateValues values{seen.game.year, seen.game.name, send::playerNumberText(player)};
    send::Notice notice;
    notice.subject =
        send::FillTemplate(core::withDeadlineWords(rules.reminderSubject, words), values);
    for (const std::string& line : rules.reminderBody) {
      notice.body.push_back(send::FillTemplate(core::withDeadlineWords(line, words), values));
    }
    mailNotice(
        addressesOf(seen.game, player), notice,
        entryFor(Kind::Reminder, seen.game, player, "hours=" + core::reminderHoursWord(hours)),
        journal);
  }
}

void ScheduleWatch::tellHostOfDeadline(const core::TurnObservation& seen,
                                       core::SendJournal& journal, const std::vector<int>& out,
                                       core::WatchTime deadline) {
  const core::Game& game = seen.game;
  send::Notice notice;
  notice.subject = game.name + " " + std::to_string(game.year) + ": the deadline passed, " +
                   std::to_string(out.size()) + " still out";
  notice.body = {"The deadline for " + game.name + ", year " + std::to_string(game.year) + " (" +
                     core::deadlineWords(deadline) + "), has passed.",
                 "", "Still out: " + playerList(game, out) + ".", "",
                 "When the rules say so, the next turn is generated without their orders; "
                 "otherwise generate it when you are ready."};
  mailNotice(hooks_.hostAddress, notice,
             entryFor(Kind::Deadline, game, 0, "out=" + numberList(out)), journal);
}

send::NoticeOutcome ScheduleWatch::mailEach(const std::string& addresses, send::Notice notice) {
  send::NoticeOutcome any;
  any.failure = "no address";
  if (!hooks_.mail) {
    any.failure = "no mail account";
    return any;
  }
  std::string failures;
  for (const std::string& address : send::recipientsOf(send::NormalizeAddressList(addresses))) {
    if (address.empty()) continue;
    notice.to = address;
    const send::NoticeOutcome outcome = hooks_.mail(notice);
    if (outcome.sent) {
      any.sent = true;
      any.messageId += (any.messageId.empty() ? "" : " ") + outcome.messageId;
    } else {
      failures += (failures.empty() ? "" : "; ") + address + ": " + outcome.failure;
    }
  }
  if (!failures.empty()) any.failure = failures;
  return any;
}

void ScheduleWatch::mailNotice(const std::string& addresses, const send::Notice& notice,
                               core::ScheduleEntry entry, core::SendJournal& journal) {
  const std::string who =
      entry.player != 0 ? "Player #" + std::to_string(entry.player) : std::string("the host");
  const std::string what = entry.kind == Kind::Reminder ? "reminder" : "deadline notice";
  const send::NoticeOutcome outcome = mailEach(addresses, notice);
  entry.recipients = addresses;
  entry.messageId = outcome.messageId;
  entry.outcome = outcome.sent ? "sent" : "failed: " + outcome.failure;
  try {
    journal.append(entry);
  } catch (const core::EInOutError& error) {
    hooks_.tell(entry.gameFile, std::string("the journal: ") + error.what());
  }
  hooks_.tell(entry.gameFile,
              yearPrefix(entry.year) +
                  (outcome.sent ? what + " mailed to " + who
                                : what + " to " + who + " not mailed: " + outcome.failure));
}

std::string ScheduleWatch::addressesOf(const core::Game& game, int player) const {
  const core::ContestorEntry& entry = game.roster[player - 1];
  if (auto found = core::PlayerDatabase(hooks_.databasePath).addressesOf(entry.name())) {
    return *found;
  }
  const std::vector<std::string> fields = entry.fields();
  return fields.size() > 2 ? fields[2] : std::string();
}

void ScheduleWatch::generate(Game& state, const std::string& gamePath, const core::GameRules& rules,
                             const core::TurnObservation& seen, core::SendJournal& journal,
                             bool allIn) {
  const std::string command =
      core::generateCommandLine(rules.generateCommand, core::hostFileOf(seen.game.basePath));
  core::ScheduleEntry started =
      entryFor(Kind::Generation, seen.game, 0, "command=" + rules.generateCommand);
  started.outcome = "started";
  // Journaled before it runs: whatever happens next, this year is never generated twice
  // without a failure, a change or a restart in between.
  journal.append(started);
  // Held until the job ends, so that another run neither decides nor mails meanwhile.
  state.jobLock = std::make_unique<platform::FileLock>(platform::lockPathFor(gamePath));
  state.jobLock->tryLock();
  if (!state.job) state.job = std::make_unique<platform::ProcessJob>();
  platform::ProcessOptions options;
  options.limit = hooks_.generateLimit;
  options.workingDirectory = std::filesystem::path(gamePath).parent_path().string();
  hooks_.tell(gamePath, yearPrefix(seen.game.year) + "generating the next turn (" +
                            (allIn ? "every player is in" : "the deadline passed") + ")");
  state.job->start(command, options, [this, gamePath, started](const auto& result) {
    generated(gamePath, started, result);
  });
}

void ScheduleWatch::generated(const std::string& gamePath, const core::ScheduleEntry& started,
                              const platform::ProcessResult& result) {
  Game& state = games_[gamePath];
  const std::string ended = howItEnded(result, hooks_.generateLimit);
  if (hooks_.log) {
    std::vector<std::string> lines{"Generate command for " + started.gameName + " " +
                                   std::to_string(started.year) + ": " +
                                   started.detail.substr(started.detail.find('=') + 1)};
    for (const std::string& line : linesOf(result.output)) lines.push_back(line);
    for (const std::string& line : linesOf(result.errors)) lines.push_back(line);
    lines.push_back("Generate command ended: " + ended);
    hooks_.log(lines);
  }
  core::ScheduleEntry entry = started;
  entry.time = core::journalTime();
  entry.outcome = result.succeeded() ? "ok" : "failed: " + ended;
  core::SendJournal journal;
  try {
    journal.append(entry);
  } catch (const core::EInOutError& error) {
    hooks_.tell(gamePath, std::string("the journal: ") + error.what());
  }
  if (result.succeeded()) {
    hooks_.tell(gamePath, yearPrefix(started.year) + "the next turn was generated");
  } else {
    journal.load();
    state.failedYear = started.year;
    state.failedFingerprint = core::observeTurn(gamePath, journal).fingerprint;
    hooks_.tell(gamePath, yearPrefix(started.year) + "generating the next turn failed (" + ended +
                              "); tried again after the next change to the game's files or a "
                              "restart");
    send::Notice notice;
    notice.subject =
        started.gameName + " " + std::to_string(started.year) + ": generating the next turn failed";
    notice.body = {"Zelvaro ran the generate command for " + started.gameName + ", year " +
                       std::to_string(started.year) + ", and it failed: " + ended + ".",
                   "", "Command: " + started.detail.substr(started.detail.find('=') + 1), ""};
    const std::vector<std::string> errors = linesOf(result.errors);
    if (!errors.empty()) notice.body.push_back("What it said:");
    // The end of what it said is where the cause usually is.
    const size_t from = errors.size() > 20 ? errors.size() - 20 : 0;
    notice.body.insert(notice.body.end(), errors.begin() + static_cast<long>(from), errors.end());
    notice.body.insert(notice.body.end(),
                       {"",
                        "It is tried again after your next change to the game's files, "
                        "or when Zelvaro starts again."});
    const send::NoticeOutcome outcome = mailEach(hooks_.hostAddress, notice);
    hooks_.tell(gamePath,
                yearPrefix(started.year) +
                    (outcome.sent ? "the host was told by mail"
                                  : "the host's message was not mailed: " + outcome.failure));
  }
  state.jobLock.reset();
  if (hooks_.lookAgain) hooks_.lookAgain(gamePath);
}

void ScheduleWatch::writePage(Game& state, const std::string& gamePath,
                              const core::TurnObservation& seen, const core::GameRules& rules) {
  if (rules.statusPage.empty()) return;
  core::SendJournal journal;
  journal.load();
  core::StatusPage page = core::statusPageOf(seen.game, journal, rules, Clock::now());
  if (generating(gamePath)) page.lastGeneration = "generating the next turn now";
  const std::string updated = std::exchange(page.updatedAt, {});
  const std::string html = core::statusPageHtml(page);
  if (html == state.page) return;
  page.updatedAt = updated;
  std::filesystem::path path(rules.statusPage);
  if (path.is_relative()) path = std::filesystem::path(gamePath).parent_path() / path;
  try {
    core::writeStatusPage(path.string(), page);
    state.page = html;
  } catch (const core::EInOutError& error) {
    hooks_.tell(gamePath, std::string("the status page: ") + error.what());
  }
}

}  // namespace zelvaro::app
