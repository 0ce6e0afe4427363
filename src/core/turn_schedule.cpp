#include "core/turn_schedule.h"

#include <algorithm>
#include <cmath>
#include <ctime>

namespace zelvaro::core {

namespace {

using std::chrono::duration_cast;
using std::chrono::seconds;

WatchTime afterHours(WatchTime start, double hours) {
  return start + duration_cast<WatchClock::duration>(std::chrono::duration<double>(hours * 3600));
}

std::tm localParts(WatchTime when) {
  const std::time_t t = WatchClock::to_time_t(when);
  std::tm parts{};
  localtime_r(&t, &parts);
  return parts;
}

// The local day `parts` names, `days` later, at `minuteOfDay`; mktime settles the calendar and
// the summer time.
WatchTime localTime(std::tm parts, int days, int minuteOfDay) {
  parts.tm_mday += days;
  parts.tm_hour = minuteOfDay / 60;
  parts.tm_min = minuteOfDay % 60;
  parts.tm_sec = 0;
  parts.tm_isdst = -1;
  return WatchClock::from_time_t(std::mktime(&parts));
}

std::string plural(long count, const char* unit) {
  return std::to_string(count) + " " + unit + (count == 1 ? "" : "s");
}

void earliest(std::optional<WatchTime>& current, WatchTime candidate) {
  if (!current || candidate < *current) current = candidate;
}

}  // namespace

std::optional<WatchTime> deadlineOf(const Deadline& deadline, WatchTime mailedAt) {
  const std::tm parts = localParts(mailedAt);
  switch (deadline.kind) {
    case Deadline::Kind::None:
      return std::nullopt;
    case Deadline::Kind::After:
      return afterHours(mailedAt, deadline.hours);
    case Deadline::Kind::Daily: {
      WatchTime due = localTime(parts, 0, deadline.minuteOfDay);
      return due > mailedAt ? due : localTime(parts, 1, deadline.minuteOfDay);
    }
    case Deadline::Kind::Weekly: {
      const int today = (parts.tm_wday + 6) % 7;  // Monday 0
      const int ahead = (deadline.weekday - today + 7) % 7;
      WatchTime due = localTime(parts, ahead, deadline.minuteOfDay);
      return due > mailedAt ? due : localTime(parts, ahead + 7, deadline.minuteOfDay);
    }
  }
  return std::nullopt;
}

std::string deadlineWords(WatchTime when) {
  const std::tm parts = localParts(when);
  char text[64];
  std::strftime(text, sizeof text, "%A %d %B %Y, %H:%M", &parts);
  std::string words = text;
  // "08 December" reads as a form; a person writes "8 December".
  size_t day = words.find(' ') + 1;
  if (words[day] == '0') words.erase(day, 1);
  return words;
}

std::string timeLeftText(WatchTime deadline, WatchTime now) {
  if (deadline <= now) return "passed";
  const long minutes = static_cast<long>(duration_cast<seconds>(deadline - now).count() / 60);
  const long days = minutes / (24 * 60);
  const long hours = minutes / 60 % 24;
  if (days > 0) return plural(days, "day") + (hours > 0 ? " " + plural(hours, "hour") : "");
  if (hours > 0) {
    return plural(hours, "hour") + (minutes % 60 > 0 ? " " + plural(minutes % 60, "minute") : "");
  }
  return minutes > 0 ? plural(minutes, "minute") : "less than a minute";
}

ScheduleDecision decideSchedule(const GameRules& rules, const ScheduleState& state, WatchTime now) {
  ScheduleDecision decision;
  for (const ScheduledPlayer& player : state.players) {
    if (!player.ordersIn) decision.out.push_back(player.number);
  }
  if (!state.turnMailedAt) return decision;
  decision.deadline = deadlineOf(rules.deadline, *state.turnMailedAt);

  if (decision.deadline && now < *decision.deadline) {
    // Only the latest reminder time that has come counts, so a run that was down through
    // several of them reminds once, not in a burst; one before the turn went out never comes.
    std::optional<double> latest;
    for (double hours : rules.reminders) {
      const WatchTime at = afterHours(*decision.deadline, -hours);
      if (at < *state.turnMailedAt) continue;
      if (at > now) {
        earliest(decision.lookAgainAt, at);
      } else if (!latest || hours < *latest) {
        latest = hours;
      }
    }
    if (latest) {
      decision.reminderHours = *latest;
      for (const ScheduledPlayer& player : state.players) {
        if (player.ordersIn) continue;
        const auto& done = player.remindedAt;
        if (std::find(done.begin(), done.end(), *latest) == done.end()) {
          decision.remind.push_back(player.number);
        }
      }
    }
  }

  if (decision.deadline) {
    if (now >= *decision.deadline) {
      decision.tellHost = !decision.out.empty() && !state.hostToldOfDeadline;
    } else {
      earliest(decision.lookAgainAt, *decision.deadline);
    }
  }

  const bool mayGenerate =
      !rules.generateCommand.empty() &&
      (state.generation == GenerationState::NotTried ||
       (state.generation == GenerationState::Failed && state.changedSinceFailure));
  if (!mayGenerate) return decision;
  const bool allIn = !state.players.empty() && decision.out.empty();
  const bool byAllIn = rules.generateWhen != GenerateWhen::Deadline && allIn;
  const bool byDeadline = rules.generateWhen != GenerateWhen::AllIn && decision.deadline;
  const WatchTime generateAt =
      decision.deadline ? afterHours(*decision.deadline, rules.graceMinutes / 60) : now;
  if (byAllIn) {
    decision.generate = ScheduleDecision::Generate::AllIn;
  } else if (byDeadline && now >= generateAt) {
    decision.generate = ScheduleDecision::Generate::Deadline;
  } else if (byDeadline) {
    earliest(decision.lookAgainAt, generateAt);
  }
  return decision;
}

}  // namespace zelvaro::core
