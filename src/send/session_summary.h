#pragma once

// What the operator reads at the end of a session that did not mail everybody.

#include <string>
#include <vector>

#include "send/send_session.h"

namespace zelvaro::send {

// "2 of 4 mailed; #3 Bob: Send failed: 550 mailbox unavailable; #4 Tobbe: not mailed: ...";
// empty when every selected entry was mailed now. Entries already mailed count as mailed and
// are named as such.
std::string sessionSummary(int selected, int mailedNow, const std::vector<NotMailed>& notMailed);

}  // namespace zelvaro::send
