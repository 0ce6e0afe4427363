#include "core/turn_schedule.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

namespace zelvaro::core {
namespace {

using Generate = ScheduleDecision::Generate;
using std::chrono::hours;
using std::chrono::minutes;

// Deadlines fall in the machine's zone; these tables are read in UTC.
class TurnSchedule : public testing::Test {
 protected:
  void SetUp() override {
    const char* zone = std::getenv("TZ");
    savedZone_ = zone ? zone : "";
    hadZone_ = zone != nullptr;
    setenv("TZ", "UTC", 1);
    tzset();
  }
  void TearDown() override {
    if (hadZone_) {
      setenv("TZ", savedZone_.c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }

 private:
  std::string savedZone_;
  bool hadZone_ = false;
};

// Tuesday 8 December 2026, 18:00 UTC.
const WatchTime kMailed = WatchClock::from_time_t(1796752800);

GameRules rules(const std::string& deadline, const std::string& command = "",
                GenerateWhen when = GenerateWhen::Both) {
  GameRules r;
  r.deadline = parseDeadline(deadline).value();
  r.generateCommand = command;
  r.generateWhen = when;
  return r;
}

ScheduleState state(std::vector<ScheduledPlayer> players) {
  ScheduleState s;
  s.turnMailedAt = kMailed;
  s.players = std::move(players);
  return s;
}

TEST_F(TurnSchedule, DeadlinesFollowTheMailingTimeInLocalTime) {
  EXPECT_EQ(deadlineOf(*parseDeadline("daily 20:00"), kMailed), kMailed + hours(2));
  EXPECT_EQ(deadlineOf(*parseDeadline("daily 18:00"), kMailed), kMailed + hours(24));
  EXPECT_EQ(deadlineOf(*parseDeadline("weekly tue 17:00"), kMailed), kMailed + hours(7 * 24 - 1));
  EXPECT_EQ(deadlineOf(*parseDeadline("weekly mon 18:00"), kMailed), kMailed + hours(6 * 24));
  EXPECT_EQ(deadlineOf(*parseDeadline("after 0.01"), kMailed), kMailed + std::chrono::seconds(36));
  EXPECT_EQ(deadlineOf(*parseDeadline("none"), kMailed), std::nullopt);
  EXPECT_EQ(deadlineWords(kMailed + hours(2)), "Tuesday 8 December 2026, 20:00");
  EXPECT_EQ(timeLeftText(kMailed + hours(51), kMailed), "2 days 3 hours");
  EXPECT_EQ(timeLeftText(kMailed + minutes(80), kMailed), "1 hour 20 minutes");
  EXPECT_EQ(timeLeftText(kMailed, kMailed), "passed");
}

TEST_F(TurnSchedule, RemindsThoseStillOutOnceAtTheLatestReminderTime) {
  GameRules r = rules("after 48");  // reminders 24 and 2 hours before
  ScheduleState s = state({{1, true, {}}, {2, false, {}}, {3, false, {24}}});

  auto early = decideSchedule(r, s, kMailed + hours(1));
  EXPECT_TRUE(early.remind.empty());
  EXPECT_EQ(early.lookAgainAt, kMailed + hours(24));
  EXPECT_EQ(early.out, (std::vector<int>{2, 3}));

  auto first = decideSchedule(r, s, kMailed + hours(25));
  EXPECT_EQ(first.remind, std::vector<int>{2});
  EXPECT_EQ(first.reminderHours, 24);

  // Down through both reminder times: one reminder, the latest, to each player out.
  auto late = decideSchedule(r, s, kMailed + hours(47));
  EXPECT_EQ(late.remind, (std::vector<int>{2, 3}));
  EXPECT_EQ(late.reminderHours, 2);

  // A reminder time before the turn went out never comes.
  r.reminders = {72};
  EXPECT_TRUE(decideSchedule(r, s, kMailed + hours(30)).remind.empty());
  // Past the deadline nobody is reminded; the host is told once.
  auto past = decideSchedule(r, s, kMailed + hours(49));
  EXPECT_TRUE(past.remind.empty());
  EXPECT_TRUE(past.tellHost);
  s.hostToldOfDeadline = true;
  EXPECT_FALSE(decideSchedule(r, s, kMailed + hours(49)).tellHost);
}

TEST_F(TurnSchedule, GeneratesWhenAllAreInOrAtTheDeadlinePlusGrace) {
  const ScheduleState allIn = state({{1, true, {}}, {2, true, {}}});
  const ScheduleState oneOut = state({{1, true, {}}, {2, false, {}}});
  GameRules both = rules("after 10", "make-turn %H");
  GameRules atDeadline = rules("after 10", "make-turn %H", GenerateWhen::Deadline);
  GameRules whenAllIn = rules("after 10", "make-turn %H", GenerateWhen::AllIn);
  const WatchTime before = kMailed + hours(1);
  const WatchTime after = kMailed + hours(11);

  EXPECT_EQ(decideSchedule(both, allIn, before).generate, Generate::AllIn);
  EXPECT_EQ(decideSchedule(whenAllIn, allIn, before).generate, Generate::AllIn);
  EXPECT_EQ(decideSchedule(atDeadline, allIn, before).generate, Generate::No);
  EXPECT_EQ(decideSchedule(both, oneOut, before).generate, Generate::No);
  EXPECT_EQ(decideSchedule(both, oneOut, after).generate, Generate::Deadline);
  EXPECT_EQ(decideSchedule(whenAllIn, oneOut, after).generate, Generate::No);

  both.graceMinutes = 90;
  auto waiting = decideSchedule(both, oneOut, after);
  EXPECT_EQ(waiting.generate, Generate::No);
  EXPECT_EQ(waiting.lookAgainAt, kMailed + hours(10) + minutes(90));

  // Never twice a year; a failure again only after the host changed something.
  ScheduleState done = allIn;
  done.generation = GenerationState::Succeeded;
  EXPECT_EQ(decideSchedule(both, done, before).generate, Generate::No);
  done.generation = GenerationState::Failed;
  EXPECT_EQ(decideSchedule(both, done, before).generate, Generate::No);
  done.changedSinceFailure = true;
  EXPECT_EQ(decideSchedule(both, done, before).generate, Generate::AllIn);

  // Nothing before the turn is out, and nothing without a command.
  ScheduleState notOut = allIn;
  notOut.turnMailedAt.reset();
  EXPECT_EQ(decideSchedule(both, notOut, after).generate, Generate::No);
  EXPECT_EQ(decideSchedule(rules("after 10"), allIn, after).generate, Generate::No);
}

}  // namespace
}  // namespace zelvaro::core
