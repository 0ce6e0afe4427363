#pragma once

// What a game's schedule wants now: reminders to the players still out, the host told that the
// deadline passed, the next turn generated. Like decideTurn, free of files and of the loop, so
// that a table shows the rules; the local time zone is the only thing read from outside.

#include <optional>
#include <string>
#include <vector>

#include "core/game_rules.h"
#include "core/turn_watch.h"

namespace zelvaro::core {

// The deadline of a turn mailed at `mailedAt`: the first daily or weekly time after it, or
// `hours` after it; nothing without a deadline.
std::optional<WatchTime> deadlineOf(const Deadline& deadline, WatchTime mailedAt);
// "Tuesday 8 December 2026, 20:00", local time.
std::string deadlineWords(WatchTime when);
// "2 days 3 hours", "1 hour 20 minutes", "4 minutes", "less than a minute"; "passed" after it.
std::string timeLeftText(WatchTime deadline, WatchTime now);

struct ScheduledPlayer {
  int number = 0;  // 1 to 16
  bool ordersIn = false;
  // The reminder times (hours before the deadline) he was already reminded at this year.
  std::vector<double> remindedAt;
};

enum class GenerationState {
  NotTried,   // nothing run for this year
  Running,    // the command runs now
  Succeeded,  // it ended well: the new turn is the watch's business
  Failed,     // it failed or timed out
};

struct ScheduleState {
  // When this year's turn went out; nothing while it has not.
  std::optional<WatchTime> turnMailedAt;
  std::vector<ScheduledPlayer> players;  // the selected players
  bool hostToldOfDeadline = false;       // this year's message to the host went out
  GenerationState generation = GenerationState::NotTried;
  // A failed generation is tried again only after the host changed something in the folder.
  bool changedSinceFailure = false;
};

struct ScheduleDecision {
  enum class Generate { No, AllIn, Deadline };
  std::optional<WatchTime> deadline;
  std::vector<int> out;  // selected players whose orders are not in
  // Players to remind now, and the reminder time (hours before the deadline) it answers.
  std::vector<int> remind;
  double reminderHours = 0;
  bool tellHost = false;  // the deadline passed with players out
  Generate generate = Generate::No;
  // When something becomes due even if nothing changes.
  std::optional<WatchTime> lookAgainAt;

  bool operator==(const ScheduleDecision&) const = default;
};

ScheduleDecision decideSchedule(const GameRules& rules, const ScheduleState& state, WatchTime now);

}  // namespace zelvaro::core
