#pragma once

// The orders side for a shell or cron: "--fetch-orders" takes everything that came in once and
// ends; "--status" tells who is in.

#include <iosfwd>
#include <string>

#include "core/command_line.h"

namespace zelvaro::app {

// A line per orders file judged on `out`, what failed on `err`; 0 when nothing failed.
int runFetchOrders(const core::CommandLine& commandLine, const std::string& settingsPath,
                   std::ostream& out, std::ostream& err);
// A table per game on `out`; 0 when every selected player's orders are in, 3 when not, 1 when a
// game cannot be read.
int runStatus(const core::CommandLine& commandLine, std::ostream& out, std::ostream& err);

}  // namespace zelvaro::app
