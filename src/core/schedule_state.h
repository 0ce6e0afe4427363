#pragma once

// What the journal says of a game's schedule for a year (when its turn went out, who is in,
// who was reminded at which time, whether the host was told, how the last generation went),
// and the status page's content made from it. Plain functions over the journal, for the watch
// loop and --status alike.

#include <optional>
#include <string>
#include <vector>

#include "core/game.h"
#include "core/game_rules.h"
#include "core/send_journal.h"
#include "core/status_page.h"
#include "core/turn_schedule.h"

namespace zelvaro::core {

// The journal's "2026-05-01T08:18:02+02:00" as a point in time; nothing when it is not one.
std::optional<WatchTime> journalTimePoint(const std::string& time);

// A reminder's hours in the journal's "hours=" column, read back as exactly the same number.
std::string reminderHoursWord(double hours);

// When this year's turn first went out to anyone.
std::optional<WatchTime> turnMailedAt(const SendJournal& journal, const std::string& gameFile,
                                      int year);

// The last generation line of the year.
std::optional<ScheduleEntry> lastGeneration(const SendJournal& journal, const std::string& gameFile,
                                            int year);
// "started" reads as Running: whether it still runs is the caller's to know.
GenerationState generationStateOf(const std::optional<ScheduleEntry>& last);

// The state for decideSchedule of these players (1-based); changedSinceFailure is the
// caller's, who knows what changed since.
ScheduleState scheduleStateOf(const SendJournal& journal, const std::string& gameFile, int year,
                              const std::vector<int>& players);

// The page of the game as its file and the journal have it now: its selected players.
StatusPage statusPageOf(const Game& game, const SendJournal& journal, const GameRules& rules,
                        WatchTime now);

}  // namespace zelvaro::core
