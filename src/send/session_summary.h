#pragma once

// What the operator reads at the end of a session: who was mailed now, who had his turn
// already, and who was not mailed and why, one player a line.

#include <string>
#include <vector>

#include "send/send_session.h"

namespace zelvaro::send {

// "3 players to mail: 1 mailed now, 1 had it already, 1 not mailed." and the three groups, each
// player as "#2 Bob" with what there is to say of him; empty when there is nobody.
std::string sessionSummary(const std::vector<PlayerOutcome>& outcomes);

}  // namespace zelvaro::send
