#include "core/schedule_state.h"

#include <filesystem>

#include "core/contestor_entry.h"
#include "core_test.h"

namespace zelvaro::core {
namespace {

const std::string kGame = "/g/orion.zv";
const std::string kHash(64, 'a');

JournalEntry mailed(int player, const std::string& time, int year = 2426) {
  return {time, kGame, "Orion", year, player, "p@x", {{"orion.m1", kHash}}, "<m@x>", "sent", "250"};
}

OrdersEntry orders(int player, const std::string& verdict) {
  return {"2026-05-01T09:00:00+00:00", kGame,   "Orion", 2426,    player, "p@x",
          {"orion.x1", kHash},         "<o@x>", verdict, "reason"};
}

ScheduleEntry done(ScheduleEntry::Kind kind, int player, const std::string& detail,
                   const std::string& outcome, int year = 2426) {
  return {kind,   "2026-05-01T10:00:00+00:00", kGame, "Orion", year, player, detail, "p@x", "",
          outcome};
}

class ScheduleStateTest : public CoreTest {
 protected:
  SendJournal journal{dir.file("state/journal.tsv")};
};

TEST_F(ScheduleStateTest, JournalTimesCarryTheirZone) {
  EXPECT_EQ(journalTimePoint("2026-05-01T08:18:02+02:00"),
            journalTimePoint("2026-05-01T06:18:02+00:00"));
  EXPECT_EQ(WatchClock::to_time_t(*journalTimePoint("1970-01-01T00:00:10-01:30")), 10 + 5400);
  EXPECT_FALSE(journalTimePoint("2026-05-01 08:18"));
  EXPECT_EQ(std::strtod(reminderHoursWord(1.0 / 3).c_str(), nullptr), 1.0 / 3);
}

TEST_F(ScheduleStateTest, ScheduleLinesComeBackAndMailedReadersLeaveThemOut) {
  journal.append(mailed(1, "2026-05-01T08:30:00+00:00"));
  const ScheduleEntry reminder = done(ScheduleEntry::Kind::Reminder, 2, "hours=24", "sent");
  journal.append(reminder);
  journal.append(done(ScheduleEntry::Kind::Generation, 0, "command=a|b\tc", "started"));
  EXPECT_FALSE(parseJournalLine(journalLine(reminder)));
  EXPECT_FALSE(parseOrdersLine(journalLine(reminder)));
  SendJournal again(journal.path());
  EXPECT_EQ(again.load(), "");
  ASSERT_EQ(again.schedule().size(), 2u);
  EXPECT_EQ(again.entries().size(), 1u);
  EXPECT_EQ(again.schedule()[1].detail, "command=a|b\tc");
  EXPECT_EQ(again.schedule()[0].kind, ScheduleEntry::Kind::Reminder);
  EXPECT_EQ(again.setAsideDamaged(), "") << "none of them is taken for a damaged line";
}

TEST_F(ScheduleStateTest, StateOfTheYearFromMailedOrdersAndScheduleLines) {
  journal.append(mailed(2, "2026-05-01T08:40:00+00:00"));
  journal.append(mailed(1, "2026-05-01T08:30:00+00:00"));
  journal.append(mailed(1, "2026-04-01T08:30:00+00:00", 2425));
  journal.append(orders(1, "accepted"));
  journal.append(orders(2, "rejected"));
  journal.append(done(ScheduleEntry::Kind::Reminder, 2, "hours=24", "sent"));
  journal.append(done(ScheduleEntry::Kind::Reminder, 2, "hours=2", "failed: 451"));
  journal.append(done(ScheduleEntry::Kind::Reminder, 2, "hours=2", "sent", 2425));
  journal.append(done(ScheduleEntry::Kind::Deadline, 0, "out=2", "failed: refused"));
  journal.append(done(ScheduleEntry::Kind::Generation, 0, "command=g", "started"));
  journal.append(done(ScheduleEntry::Kind::Generation, 0, "command=g", "failed: exit status 1"));

  const ScheduleState state = scheduleStateOf(journal, kGame, 2426, {1, 2});
  EXPECT_EQ(state.turnMailedAt, journalTimePoint("2026-05-01T08:30:00+00:00"));
  ASSERT_EQ(state.players.size(), 2u);
  EXPECT_TRUE(state.players[0].ordersIn);
  EXPECT_FALSE(state.players[1].ordersIn) << "rejected orders are not in";
  EXPECT_EQ(state.players[1].remindedAt, std::vector<double>{24}) << "only what went out counts";
  EXPECT_FALSE(state.hostToldOfDeadline);
  EXPECT_EQ(state.generation, GenerationState::Failed);
  EXPECT_EQ(scheduleStateOf(journal, kGame, 2427, {1}).generation, GenerationState::NotTried);
  EXPECT_FALSE(scheduleStateOf(journal, kGame, 2427, {1}).turnMailedAt);
}

TEST_F(ScheduleStateTest, ThePageShowsSelectedPlayersAndTheLastGeneration) {
  Game game;
  game.filePath = kGame;
  game.name = "Orion";
  game.year = 2427;
  game.roster = {ContestorEntry::fromFields({"Vega", "1", "vega@x"}),
                 ContestorEntry::fromFields({"Idle", "0", "idle@x"}),
                 ContestorEntry::fromFields({"Orrin", "1", "orrin@x"})};
  journal.append(mailed(1, "2026-05-01T08:30:00+00:00", 2427));
  journal.append(done(ScheduleEntry::Kind::Generation, 0, "command=g", "ok"));
  GameRules rules;
  rules.deadline = *parseDeadline("after 48");
  const StatusPage page =
      statusPageOf(game, journal, rules, *journalTimePoint("2026-05-01T09:30:00+00:00"));
  ASSERT_EQ(page.rows.size(), 2u);
  EXPECT_EQ(page.rows[1].number, 3);
  EXPECT_FALSE(page.rows[0].mailedAt.empty());
  EXPECT_TRUE(page.rows[1].mailedAt.empty());
  EXPECT_EQ(page.timeLeft, "1 day 23 hours");
  EXPECT_NE(page.lastGeneration.find("2426 ok"), std::string::npos) << page.lastGeneration;
}

}  // namespace
}  // namespace zelvaro::core
