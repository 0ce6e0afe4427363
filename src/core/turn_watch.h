#pragma once

// What watch mode does next for one game, decided from what its files and its journal say now.
// The loop observes and acts; the rules live here, free of files and clocks, so that each can be
// shown by a table.

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace zelvaro::core {

using WatchClock = std::chrono::system_clock;
using WatchTime = WatchClock::time_point;

// Why an attempt to mail a player failed, as far as trying again is concerned.
enum class FailureKind {
  Passing,  // a network error or a 4xx reply: the same message may go through later
  Lasting,  // a 5xx reply, a refused login, an invalid address: only a new turn changes that
};

// `error` as a session reports it: an SMTP reply code, or a socket error number.
FailureKind failureKindOf(int error);
// A session's reason for a player not mailed: "Send failed: <number> <text>", "Recipient
// refused:"<address>" <reply>", "Invalid address: ...", "no address to mail to", or a file the
// check refused. Waiting mends no address; a file may well be written again.
FailureKind failureKindOfReason(const std::string& reason);

// One selected player of the game, for the host file's current year.
struct WatchedPlayer {
  int number = 0;           // 1 to 16
  bool mailed = false;      // the journal has his files of this year as sent
  bool filesReady = false;  // every file to attach passes the check for this year
  // Failed attempts at this year's turn in this run, the last one's kind and time.
  int failedAttempts = 0;
  FailureKind lastFailure = FailureKind::Passing;
  WatchTime lastAttempt{};
};

struct WatchRules {
  // No file of the game may have changed for this long: a file being written is never mailed.
  std::chrono::seconds settle{30};
  // The unit of the retry schedule (1, 5, 15 and 60 of them, then 60 each time).
  std::chrono::seconds retryUnit{60};
};

struct TurnDecision {
  enum class Action {
    Done,      // every selected player has this year's turn
    Waiting,   // result files are missing, stale or damaged
    Settling,  // the files are ready but changed too recently
    Send,      // mail `players` now
    Retrying,  // failed players wait for their next attempt
    Stuck,     // only lasting failures are left: nothing until the next turn
  };
  Action action = Action::Done;
  std::vector<int> players;  // Send: who is mailed; Waiting: whose files are not ready
  // When to decide again even if nothing changes (settling, or the next retry).
  std::optional<WatchTime> lookAgainAt;

  bool operator==(const TurnDecision&) const = default;
};

// How long after the n-th failed attempt (n from 1) the next one is due.
std::chrono::seconds retryDelay(int failedAttempts, const WatchRules& rules);

// `players` are the selected players only; `lastChange` is the newest change seen among the
// game's files.
TurnDecision decideTurn(const std::vector<WatchedPlayer>& players, WatchTime lastChange,
                        WatchTime now, const WatchRules& rules);

}  // namespace zelvaro::core
