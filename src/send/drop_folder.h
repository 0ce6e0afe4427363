#pragma once

// A game's drop folder: any file that appears in "incoming" beside the game file (a shared
// folder, a player's upload) is judged as an attachment would be. Orders that are in leave the
// folder (they are stored as the game's .x<N>); rejected files move into "incoming/rejected"
// for the host to look at; a file that could not be judged stays for the next pass.

#include <chrono>
#include <string>
#include <vector>

#include "send/orders_intake.h"

namespace zelvaro::send {

std::string incomingFolderOf(const core::Game& game);

struct DropPass {
  std::vector<JudgedOrders> judged;
  std::vector<std::string> failures;  // in plain words, one per file or folder
};

// One look at the drop folder of intake.games()[game]. A file changed within `settle` may
// still be on its way (an upload, a copy) and waits for the next pass; so do hidden files,
// which copying programs write first under a name of their own.
DropPass takeDropFolder(OrdersIntake& intake, size_t game,
                        std::chrono::seconds settle = std::chrono::seconds(2));

}  // namespace zelvaro::send
