#pragma once

// The window side of a send session, kept in memory: what the session read from and every
// call it made, in order.

#include <functional>
#include <string>
#include <vector>

#include "send/session_host.h"

namespace zelvaro::test {

class MemorySessionHost : public send::SessionHost {
 public:
  const core::Settings& settings() override { return settingsValue; }
  void clearLogWindow() override { logWindow.clear(); }
  void appendLogWindowLine(const std::string& line) override {
    logWindow.push_back(line);
    if (onLogLine) onLogLine(line);
  }

  core::Game& game() override { return gameValue; }
  void clearMonitor() override { monitor.clear(); }
  void appendMonitorLine(const std::string& line) override { monitor.push_back(line); }
  void showLogWindow() override { ++logWindowShown; }
  void setSendEnabled(bool enabled) override { sendEnabled.push_back(enabled); }
  int fileProgressMaximum() override { return fileMaximum; }
  void setFileProgress(int position, int maximum) override {
    filePosition = position;
    fileMaximum = maximum;
    fileMaximums.push_back(maximum);
  }
  void setOverallProgress(int position) override { overall.push_back(position); }
  void showLastGenerated(const std::string& text) override { lastGeneratedShown.push_back(text); }

  core::Settings settingsValue;
  core::Game gameValue;
  // Runs after each log line: lets a test change what the session reads next.
  std::function<void(const std::string&)> onLogLine;

  std::vector<std::string> logWindow;
  std::vector<std::string> monitor;
  int logWindowShown = 0;
  std::vector<bool> sendEnabled;
  int filePosition = 0;
  int fileMaximum = 500;
  std::vector<int> fileMaximums;
  std::vector<int> overall;
  std::vector<std::string> lastGeneratedShown;
};

}  // namespace zelvaro::test
