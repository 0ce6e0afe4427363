#include "ui/global_options.h"

#include <algorithm>
#include <cctype>
#include <exception>

#include "platform/messages.h"

namespace zelvaro::ui {

namespace {

bool blank(const std::string& text) {
  return std::all_of(text.begin(), text.end(),
                     [](unsigned char c) { return std::isspace(c) != 0; });
}

}  // namespace

void copyGlobalOptions(const core::Settings& from, core::Settings& to) {
  to.server = from.server;
  to.email = from.email;
  to.defalias = from.defalias;
  to.database = from.database;
  to.logging = from.logging;
  to.logfile = from.logfile;
  to.overwrite = from.overwrite;
  to.account = from.account;
  to.mailbox = from.mailbox;
}

bool closeGlobalOptions(const std::string& settingsPath, const core::Settings& entered) {
  try {
    core::writeMailOptions(settingsPath, entered);
  } catch (const std::exception& error) {
    platform::showMessage(error.what());
  }
  // A name of blanks only is no file name either: the log could never be opened.
  if (entered.logging && blank(entered.logfile)) {
    platform::showMessage(std::string(kNoLogfileMessage));
    return false;
  }
  return true;
}

}  // namespace zelvaro::ui
