#include "send/session_summary.h"

namespace zelvaro::send {

namespace {

std::string countOf(size_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

}  // namespace

std::string sessionSummary(const std::vector<PlayerOutcome>& outcomes) {
  if (outcomes.empty()) return {};
  using Kind = PlayerOutcome::Kind;
  struct Group {
    Kind kind;
    const char* title;
    std::string lines;
    size_t count = 0;
  };
  Group groups[] = {{Kind::MailedNow, "Mailed now:", {}},
                    {Kind::HadIt, "Had it already:", {}},
                    {Kind::NotMailed, "Not mailed:", {}}};
  for (const PlayerOutcome& outcome : outcomes) {
    Group& group = groups[static_cast<int>(outcome.kind)];
    ++group.count;
    group.lines += "\n  #" + std::to_string(outcome.player);
    if (!outcome.name.empty()) group.lines += " " + outcome.name;
    if (outcome.reason.empty()) continue;
    group.lines +=
        outcome.kind == Kind::NotMailed ? ": " + outcome.reason : " (" + outcome.reason + ")";
  }
  std::string text = countOf(outcomes.size(), "player", "players") +
                     " to mail: " + std::to_string(groups[0].count) + " mailed now, " +
                     std::to_string(groups[1].count) + " had it already, " +
                     std::to_string(groups[2].count) + " not mailed.";
  for (const Group& group : groups) {
    if (group.count > 0) text += "\n\n" + std::string(group.title) + group.lines;
  }
  return text;
}

}  // namespace zelvaro::send
