#include "core/turn_watch.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <string_view>

#include "platform/socketerrors.h"

namespace zelvaro::core {

FailureKind failureKindOf(int error) {
  if (error >= 500 && error <= 599) return FailureKind::Lasting;
  // The client refused the request before any connection (no usable address): waiting does
  // not mend that.
  if (error == platform::WSAEINVAL) return FailureKind::Lasting;
  return FailureKind::Passing;
}

FailureKind failureKindOfReason(const std::string& reason) {
  static constexpr std::string_view kSendFailed = "Send failed: ";
  size_t number = std::string::npos;
  if (reason.starts_with(kSendFailed)) {
    number = kSendFailed.size();
  } else if (reason.starts_with("Recipient refused:")) {
    const size_t quote = reason.rfind("\" ");
    if (quote != std::string::npos) number = quote + 2;
  } else if (reason.find("address") != std::string::npos ||
             reason.find("the server takes at most") != std::string::npos) {
    return FailureKind::Lasting;
  }
  // A failure of our own carries its number at the end: "... (Winsock error #10061)".
  if (number < reason.size() && !std::isdigit(static_cast<unsigned char>(reason[number]))) {
    const size_t mark = reason.rfind("error #");
    number = mark == std::string::npos ? std::string::npos : mark + 7;
  }
  if (number >= reason.size() || !std::isdigit(static_cast<unsigned char>(reason[number]))) {
    return FailureKind::Passing;
  }
  return failureKindOf(std::atoi(reason.c_str() + number));
}

std::chrono::seconds retryDelay(int failedAttempts, const WatchRules& rules) {
  static constexpr int kSchedule[] = {1, 5, 15, 60};
  const int index = std::clamp(failedAttempts, 1, static_cast<int>(std::size(kSchedule))) - 1;
  return rules.retryUnit * kSchedule[index];
}

TurnDecision decideTurn(const std::vector<WatchedPlayer>& players, WatchTime lastChange,
                        WatchTime now, const WatchRules& rules) {
  using Action = TurnDecision::Action;
  TurnDecision decision;
  std::vector<const WatchedPlayer*> open;
  for (const WatchedPlayer& player : players) {
    if (player.mailed) continue;
    open.push_back(&player);
    if (!player.filesReady) decision.players.push_back(player.number);
  }
  if (open.empty()) return decision;
  // Half a turn is never mailed: everybody's files first.
  if (!decision.players.empty()) {
    decision.action = Action::Waiting;
    return decision;
  }
  if (now < lastChange + rules.settle) {
    decision.action = Action::Settling;
    decision.lookAgainAt = lastChange + rules.settle;
    return decision;
  }
  for (const WatchedPlayer* player : open) {
    if (player->failedAttempts == 0) {
      decision.players.push_back(player->number);
      continue;
    }
    if (player->lastFailure == FailureKind::Lasting) continue;
    const WatchTime due = player->lastAttempt + retryDelay(player->failedAttempts, rules);
    if (due <= now) {
      decision.players.push_back(player->number);
    } else if (!decision.lookAgainAt || due < *decision.lookAgainAt) {
      decision.lookAgainAt = due;
    }
  }
  if (!decision.players.empty()) {
    decision.action = Action::Send;
  } else {
    decision.action = decision.lookAgainAt ? Action::Retrying : Action::Stuck;
  }
  return decision;
}

}  // namespace zelvaro::core
