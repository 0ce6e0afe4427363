#include "core/schedule_state.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "core/orders_status.h"
#include "core/turn_check.h"
#include "core/turn_status.h"

namespace zelvaro::core {

namespace {

bool isLine(const ScheduleEntry& entry, ScheduleEntry::Kind kind, const std::string& gameFile,
            int year) {
  return entry.kind == kind && entry.gameFile == gameFile && entry.year == year;
}

}  // namespace

std::optional<WatchTime> journalTimePoint(const std::string& time) {
  std::tm parts{};
  int offsetHours = 0;
  int offsetMinutes = 0;
  char sign = 0;
  if (std::sscanf(time.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%c%2d:%2d", &parts.tm_year, &parts.tm_mon,
                  &parts.tm_mday, &parts.tm_hour, &parts.tm_min, &parts.tm_sec, &sign, &offsetHours,
                  &offsetMinutes) != 9 ||
      (sign != '+' && sign != '-')) {
    return std::nullopt;
  }
  parts.tm_year -= 1900;
  parts.tm_mon -= 1;
  const long offset = (offsetHours * 60L + offsetMinutes) * 60 * (sign == '-' ? -1 : 1);
  return WatchClock::from_time_t(timegm(&parts) - offset);
}

std::string reminderHoursWord(double hours) {
  char text[32];
  const auto end = std::to_chars(text, text + sizeof text, hours).ptr;
  return std::string(text, end);
}

std::optional<WatchTime> turnMailedAt(const SendJournal& journal, const std::string& gameFile,
                                      int year) {
  std::optional<WatchTime> first;
  for (const JournalEntry& entry : journal.entries()) {
    if (entry.gameFile != gameFile || entry.year != year || !entry.sent()) continue;
    const std::optional<WatchTime> at = journalTimePoint(entry.time);
    if (at && (!first || *at < *first)) first = at;
  }
  return first;
}

std::optional<ScheduleEntry> lastGeneration(const SendJournal& journal, const std::string& gameFile,
                                            int year) {
  std::optional<ScheduleEntry> last;
  for (const ScheduleEntry& entry : journal.schedule()) {
    if (isLine(entry, ScheduleEntry::Kind::Generation, gameFile, year)) last = entry;
  }
  return last;
}

GenerationState generationStateOf(const std::optional<ScheduleEntry>& last) {
  if (!last) return GenerationState::NotTried;
  if (last->outcome == "started") return GenerationState::Running;
  if (last->outcome == "ok") return GenerationState::Succeeded;
  return GenerationState::Failed;
}

ScheduleState scheduleStateOf(const SendJournal& journal, const std::string& gameFile, int year,
                              const std::vector<int>& players) {
  ScheduleState state;
  state.turnMailedAt = turnMailedAt(journal, gameFile, year);
  for (int number : players) {
    ScheduledPlayer player{number, ordersIn(journal, gameFile, year, number).has_value(), {}};
    for (const ScheduleEntry& entry : journal.schedule()) {
      if (!isLine(entry, ScheduleEntry::Kind::Reminder, gameFile, year) || entry.player != number ||
          !entry.sent() || !entry.detail.starts_with("hours=")) {
        continue;
      }
      player.remindedAt.push_back(std::strtod(entry.detail.c_str() + 6, nullptr));
    }
    state.players.push_back(std::move(player));
  }
  for (const ScheduleEntry& entry : journal.schedule()) {
    if (isLine(entry, ScheduleEntry::Kind::Deadline, gameFile, year) && entry.sent()) {
      state.hostToldOfDeadline = true;
    }
  }
  state.generation = generationStateOf(lastGeneration(journal, gameFile, year));
  return state;
}

StatusPage statusPageOf(const Game& game, const SendJournal& journal, const GameRules& rules,
                        WatchTime now) {
  const std::string gameFile = journalGameFile(game);
  StatusPage page;
  page.gameName = game.name;
  page.year = game.year;
  if (const auto mailed = turnMailedAt(journal, gameFile, game.year)) {
    if (const auto deadline = deadlineOf(rules.deadline, *mailed)) {
      page.deadline = deadlineWords(*deadline);
      page.timeLeft = timeLeftText(*deadline, now);
    }
  }
  for (size_t slot = 0; slot < game.roster.size(); ++slot) {
    if (!mailable(game.roster[slot].fields())) continue;
    const int number = static_cast<int>(slot) + 1;
    StatusRow row{number, game.roster[slot].name(), {}, StatusRow::Orders::Out, {}};
    if (const auto word = journal.lastWord(gameFile, game.year, number); word && word->sent()) {
      row.mailedAt = word->when();
    }
    if (const auto in = ordersIn(journal, gameFile, game.year, number)) {
      row.orders = StatusRow::Orders::In;
      row.ordersAt = in->when();
    } else if (const auto last = lastOrdersVerdict(journal, gameFile, game.year, number)) {
      row.orders = StatusRow::Orders::Rejected;
      row.ordersAt = last->when();
    }
    page.rows.push_back(std::move(row));
  }
  // The generation that made this year's turn is the last year's last line.
  for (const int year : {game.year, game.year - 1}) {
    const std::optional<ScheduleEntry> last = lastGeneration(journal, gameFile, year);
    if (!last || last->outcome == "started") continue;
    page.lastGeneration = last->when() + ": " + std::to_string(year) + " " + last->outcome;
    break;
  }
  page.updatedAt = deadlineWords(now);
  return page;
}

}  // namespace zelvaro::core
