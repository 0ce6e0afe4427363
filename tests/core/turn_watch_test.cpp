#include "core/turn_watch.h"

#include <gtest/gtest.h>

namespace zelvaro::core {
namespace {

using Action = TurnDecision::Action;
using std::chrono::minutes;
using std::chrono::seconds;

const WatchTime kNow = WatchTime{} + std::chrono::hours(1000);

WatchedPlayer ready(int number) {
  return {number, false, true};
}
WatchedPlayer mailed(int number) {
  return {number, true, true};
}
WatchedPlayer stale(int number) {
  return {number, false, false};
}
WatchedPlayer failed(int number, int attempts, FailureKind kind, minutes ago) {
  return {number, false, true, attempts, kind, kNow - ago};
}

struct Case {
  const char* what;
  std::vector<WatchedPlayer> players;
  seconds sinceChange;
  Action action;
  std::vector<int> due;
  std::optional<seconds> lookAgainIn;
};

TEST(TurnWatch, DecidesFromFilesJournalSettleAndRetries) {
  const auto P = FailureKind::Passing;
  const auto L = FailureKind::Lasting;
  const Case cases[] = {
      {"all mailed", {mailed(1), mailed(2)}, seconds(0), Action::Done, {}, {}},
      {"nobody selected", {}, seconds(0), Action::Done, {}, {}},
      {"fresh and settled", {ready(1), mailed(2), ready(3)}, seconds(30), Action::Send, {1, 3}, {}},
      {"stale files hold back the whole turn",
       {ready(1), stale(2), mailed(3), stale(4)},
       minutes(10),
       Action::Waiting,
       {2, 4},
       {}},
      {"a mailed player's file no longer counts",
       {stale(1), mailed(2)},
       seconds(99),
       Action::Waiting,
       {1},
       {}},
      {"changed too recently", {ready(1)}, seconds(12), Action::Settling, {}, seconds(18)},
      {"first retry after a minute",
       {failed(1, 1, P, minutes(1)), ready(2)},
       minutes(5),
       Action::Send,
       {1, 2},
       {}},
      {"not yet", {failed(1, 1, P, minutes(0))}, minutes(5), Action::Retrying, {}, minutes(1)},
      {"second after five",
       {failed(1, 2, P, minutes(4))},
       minutes(5),
       Action::Retrying,
       {},
       minutes(1)},
      {"third after fifteen", {failed(1, 3, P, minutes(15))}, minutes(20), Action::Send, {1}, {}},
      {"then hourly",
       {failed(1, 4, P, minutes(59)), failed(2, 9, P, minutes(30))},
       minutes(90),
       Action::Retrying,
       {},
       minutes(1)},
      {"lasting failures wait for the next turn",
       {failed(1, 1, L, minutes(500)), mailed(2)},
       minutes(600),
       Action::Stuck,
       {},
       {}},
      {"a lasting failure does not hold up a retry",
       {failed(1, 1, L, minutes(5)), failed(2, 2, P, minutes(1))},
       minutes(9),
       Action::Retrying,
       {},
       minutes(4)},
  };
  const WatchRules rules;
  for (const Case& c : cases) {
    const TurnDecision decision = decideTurn(c.players, kNow - c.sinceChange, kNow, rules);
    EXPECT_EQ(decision.action, c.action) << c.what;
    EXPECT_EQ(decision.players, c.due) << c.what;
    std::optional<WatchTime> lookAgain;
    if (c.lookAgainIn) lookAgain = kNow + *c.lookAgainIn;
    EXPECT_EQ(decision.lookAgainAt, lookAgain) << c.what;
  }
}

TEST(TurnWatch, RetryScheduleAndFailureKinds) {
  WatchRules rules;
  rules.retryUnit = seconds(2);  // as the tests of the whole program shorten it
  EXPECT_EQ(retryDelay(1, rules), seconds(2));
  EXPECT_EQ(retryDelay(2, rules), seconds(10));
  EXPECT_EQ(retryDelay(3, rules), seconds(30));
  EXPECT_EQ(retryDelay(4, rules), seconds(120));
  EXPECT_EQ(retryDelay(40, rules), seconds(120));

  for (int passing : {421, 450, 451, 452, 10060, 10061, 11001, 10004}) {
    EXPECT_EQ(failureKindOf(passing), FailureKind::Passing) << passing;
  }
  for (int lasting : {500, 535, 550, 553, 554, 10022}) {
    EXPECT_EQ(failureKindOf(lasting), FailureKind::Lasting) << lasting;
  }
  // As sessions word it.
  for (const char* passing :
       {"Send failed: 451 4.3.0 Try again later", "Send failed: 11001 500 Host not found",
        "Send failed: Host not found (Winsock error #11001)",
        "Recipient refused:\"a5@x.org\" 450 mailbox busy", "not mailed, orion.m2 is for 2425"}) {
    EXPECT_EQ(failureKindOfReason(passing), FailureKind::Passing) << passing;
  }
  for (const char* lasting :
       {"Send failed: 535 5.7.8 Authentication failed", "Recipient refused:\"b4@x.org\" 550 no",
        "Invalid address: bob 4@x.org", "no address to mail to",
        "Send failed: Cannot open attachment (error #10022)",
        "not mailed: the message would be 53.2 MB, the server takes at most 50 MB"}) {
    EXPECT_EQ(failureKindOfReason(lasting), FailureKind::Lasting) << lasting;
  }
}

}  // namespace
}  // namespace zelvaro::core
