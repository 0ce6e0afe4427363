#pragma once

// "Check connection": goes as far as a send does (connects, greets, starts TLS, logs in, offers
// the return address at MAIL FROM and takes it back with RSET) and quits without mailing
// anything, telling what it met in readable lines, the verdict first; "Send test message" does
// the same and mails a short message to the return address before quitting.

#include <functional>
#include <string>
#include <vector>

#include "core/settings.h"

namespace zelvaro::send {

struct CheckReport {
  bool ok = false;
  std::vector<std::string> lines;
};

struct CheckOptions {
  bool sendTestMessage = false;
  // A check that hears nothing this long gives up.
  int stallTimeoutMs = 60000;
  // Each trace line of the client, for the SMTP monitor; never a password.
  std::function<void(const std::string&)> onTrace;
  // Keeps a window alive while a password command runs.
  std::function<void()> whileWaiting;
  // Asked while the check waits: true ends it at once.
  std::function<bool()> cancelled;
};

// Runs the event loop until the check is over.
CheckReport checkConnection(const core::Settings& settings, const CheckOptions& options = {});

}  // namespace zelvaro::send
