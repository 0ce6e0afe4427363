#include "send/session_summary.h"

namespace zelvaro::send {

std::string sessionSummary(int selected, int mailedNow, const std::vector<NotMailed>& notMailed) {
  if (notMailed.empty()) return {};
  int mailed = mailedNow;
  for (const NotMailed& entry : notMailed) mailed += entry.skipped ? 1 : 0;
  std::string text = std::to_string(mailed) + " of " + std::to_string(selected) + " mailed";
  for (const NotMailed& entry : notMailed) {
    text += "; #" + std::to_string(entry.player);
    if (!entry.name.empty()) text += " " + entry.name;
    text += ": " + entry.reason;
  }
  return text;
}

}  // namespace zelvaro::send
