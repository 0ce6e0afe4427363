#pragma once

// The orders side for a shell or cron: "--fetch-orders" takes everything that came in once and
// ends; "--status" tells who is in.

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "core/command_line.h"
#include "core/settings.h"
#include "send/orders_intake.h"

namespace zelvaro::app {

// The games as their files have them now, each with the database's players to find senders
// among; a game that cannot be read is left out and said through `problem`.
std::vector<send::IntakeGame> readIntakeGames(
    const std::vector<std::string>& gameFiles, const core::Settings& settings,
    const std::function<void(const std::string&)>& problem);

// A line per orders file judged on `out`, what failed on `err`; 0 when nothing failed.
int runFetchOrders(const core::CommandLine& commandLine, const std::string& settingsPath,
                   std::ostream& out, std::ostream& err);
// A table per game on `out`; 0 when every selected player's orders are in, 3 when not, 1 when a
// game cannot be read.
int runStatus(const core::CommandLine& commandLine, std::ostream& out, std::ostream& err);

}  // namespace zelvaro::app
