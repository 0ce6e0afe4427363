#include "app/launch.h"

#include <cstdlib>

#include "core/version.h"

namespace zelvaro::app {

namespace {

std::string variable(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

}  // namespace

Environment Environment::current() {
  return {variable("DISPLAY"), variable("WAYLAND_DISPLAY"), variable("QT_QPA_PLATFORM")};
}

Launch chooseLaunch(const core::CommandLine& commandLine, const Environment& environment) {
  if (commandLine.help) return Launch::Help;
  if (commandLine.version) return Launch::Version;
  // Whoever names a platform knows what he wants (tests, screenshots, "offscreen" by hand).
  bool screen = !environment.display.empty() || !environment.waylandDisplay.empty() ||
                !environment.qtPlatform.empty();
  if (screen) return Launch::Windowed;
  return commandLine.batch ? Launch::Offscreen : Launch::NeedsDisplay;
}

std::string usageText() {
  return "Usage: zelvaro [GAME.zv ...]\n"
         "       zelvaro /send GAME.zv [GAME.zv ...]\n"
         "       zelvaro --help | --version\n"
         "\n"
         "Mails the turns of a play-by-e-mail game of Stars! to its players.\n"
         "\n"
         "  GAME.zv     open this game file at start (of several, the last one)\n"
         "  /send       mail every named game, in the order given, without asking\n"
         "              anything, then end. Messages go to standard error as lines\n"
         "              \"zelvaro: <text>\". Needs no display (cron is fine).\n"
         "  --help      show this text and end\n"
         "  --version   show the version and end\n"
         "\n"
         "Settings: zelvaro.cfg in $XDG_CONFIG_HOME/zelvaro/ (usually ~/.config/zelvaro/),\n"
         "made with defaults at the first start; set the mail server there or in\n"
         "Settings > Global options (\"host\" or \"host:port\").\n"
         "\n"
         "Exit status:\n"
         "  0  every player marked for sending in every named game was mailed,\n"
         "     and nothing needed saying\n"
         "  1  something failed or a message was written to standard error\n"
         "  2  a command line it cannot use (the window without a display)\n";
}

std::string versionText() {
  return std::string("Zelvaro ") + core::ProgramVersion + "\n";
}

std::string noDisplayText() {
  return "zelvaro: no display to open the window on (neither DISPLAY nor WAYLAND_DISPLAY is "
         "set); to mail games without one, use /send (see zelvaro --help)\n";
}

}  // namespace zelvaro::app
