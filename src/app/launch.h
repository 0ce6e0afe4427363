#pragma once

// What the program does before any window exists: answer --help and --version, refuse a
// command line it cannot use, and pick the windowing platform. A host runs "zelvaro /send" from
// cron, where there is no display; the window program without one can only say so.

#include <string>

#include "core/command_line.h"

namespace zelvaro::app {

using core::ExitFailed;
using core::ExitOk;
using core::ExitUsage;

// What the environment says about the screen.
struct Environment {
  std::string display;         // DISPLAY
  std::string waylandDisplay;  // WAYLAND_DISPLAY
  std::string qtPlatform;      // QT_QPA_PLATFORM
  static Environment current();
};

enum class Launch {
  Usage,            // print the usage error and usageText() on standard error, exit 2
  Help,             // print usageText(), exit 0
  Version,          // print versionText(), exit 0
  CheckConnection,  // check the mail server, the report on standard output, exit 0 or 1
  NeedsDisplay,     // print noDisplayText() on standard error, exit 2
  Windowed,         // run on the platform the environment names
  Offscreen,        // run on Qt's offscreen platform: a batch run without a display
  Watch,            // watch mode, offscreen always: no window, and it must outlive any display
  FetchOrders,      // one pass of orders intake, a line per file judged, exit 0 or 1
  Status,           // whose orders are in, a table on standard output, exit 0 or 3
};

Launch chooseLaunch(const core::CommandLine& commandLine, const Environment& environment);

std::string usageText();
std::string versionText();
std::string noDisplayText();
// The line that says why the command line cannot be used, then the usage.
std::string usageErrorText(const core::CommandLine& commandLine);

}  // namespace zelvaro::app
