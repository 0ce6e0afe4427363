#include "app/launch.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/version.h"

namespace zelvaro::app {

namespace {

std::string variable(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

// `lead` padded to `column`, then `help` in words, wrapped below that column within 80 characters.
std::string wrapped(std::string lead, const std::string& help, std::size_t column) {
  constexpr std::size_t kWidth = 79;
  lead.resize(column, ' ');
  std::string text = lead;
  std::size_t lineStart = 0;
  std::size_t at = 0;
  bool first = true;
  while (at < help.size()) {
    const std::size_t end = std::min(help.find(' ', at), help.size());
    const std::string word = help.substr(at, end - at);
    at = end + 1;
    if (!first && text.size() - lineStart + 1 + word.size() > kWidth) {
      text += "\n" + std::string(column, ' ');
      lineStart = text.size() - column;
      first = true;
    }
    if (!first) text += ' ';
    text += word;
    first = false;
  }
  return text + "\n";
}

}  // namespace

Environment Environment::current() {
  return {variable("DISPLAY"), variable("WAYLAND_DISPLAY"), variable("QT_QPA_PLATFORM")};
}

Launch chooseLaunch(const core::CommandLine& commandLine, const Environment& environment) {
  if (!commandLine.usageError.empty()) return Launch::Usage;
  if (commandLine.help) return Launch::Help;
  if (commandLine.version) return Launch::Version;
  if (commandLine.checkConnection) return Launch::CheckConnection;
  if (commandLine.watch) return Launch::Watch;
  if (commandLine.fetchOrders) return Launch::FetchOrders;
  if (commandLine.status) return Launch::Status;
  // Whoever names a platform knows what he wants (tests, screenshots, "offscreen" by hand).
  bool screen = !environment.display.empty() || !environment.waylandDisplay.empty() ||
                !environment.qtPlatform.empty();
  if (screen) return Launch::Windowed;
  return commandLine.batch ? Launch::Offscreen : Launch::NeedsDisplay;
}

std::string usageText() {
  std::string text =
      "Usage: zelvaro [GAME.zv ...]\n"
      "       zelvaro --send GAME.zv [GAME.zv ...]\n"
      "       zelvaro --check-connection\n"
      "       zelvaro --watch [--settle SECONDS] GAME.zv [GAME.zv ...]\n"
      "       zelvaro --fetch-orders GAME.zv [GAME.zv ...]\n"
      "       zelvaro --status GAME.zv [GAME.zv ...]\n"
      "       zelvaro --help | --version\n"
      "\n"
      "Mails the turns of a play-by-e-mail game of Stars! to its players.\n"
      "\n";
  std::vector<std::string> names;
  std::size_t column = 0;
  for (const core::CommandLineSwitch& entry : core::commandLineSwitches()) {
    std::string name = entry.alias != nullptr ? std::string(entry.alias) + ", " : "";
    name += entry.name;
    if (entry.valueName != nullptr) name += std::string(" ") + entry.valueName;
    column = std::max(column, name.size() + 4);
    names.push_back(std::move(name));
  }
  text += wrapped("  GAME.zv", "open this game file at start (of several, the last one)", column);
  for (std::size_t i = 0; i < names.size(); ++i) {
    text += wrapped("  " + names[i], core::commandLineSwitches()[i].help, column);
  }
  text += wrapped("  --", "what follows is a game file, even when it starts with \"-\"", column);
  text +=
      "\n"
      "A send run writes its messages to standard error as lines \"zelvaro: <text>\"\n"
      "and needs no display (cron is fine). A watch run needs none either; it writes\n"
      "one line per event, prefixed with the game file's name, and ends with status 0\n"
      "at SIGTERM or Ctrl+C.\n"
      "\n"
      "Settings: zelvaro.cfg in $XDG_CONFIG_HOME/zelvaro/ (usually ~/.config/zelvaro/),\n"
      "made with defaults at the first start; set the mail server there or in\n"
      "Settings > Global options (\"host\" or \"host:port\"). See also: man zelvaro\n"
      "\n"
      "Exit status:\n"
      "  0  every player marked for sending in every named game was mailed,\n"
      "     and nothing needed saying\n"
      "  1  something failed or a message was written to standard error\n"
      "  2  a command line it cannot use (an unknown option, or the window\n"
      "     without a display)\n";
  return text;
}

std::string versionText() {
  return std::string("Zelvaro ") + core::ProgramVersion + "\n";
}

std::string usageErrorText(const core::CommandLine& commandLine) {
  return "zelvaro: " + commandLine.usageError + "\n\n" + usageText();
}

std::string noDisplayText() {
  return "zelvaro: no display to open the window on (neither DISPLAY nor WAYLAND_DISPLAY is "
         "set); to mail games without one, use /send (see zelvaro --help)\n";
}

}  // namespace zelvaro::app
