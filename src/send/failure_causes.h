#pragma once

// What a refused connection or login means for the operator, in plain words next to the
// server's own reply: which setting to change.

#include <string>

namespace zelvaro::send {

struct FailureCause {
  std::string text;  // empty when there is nothing to add to the reply
  // The account or the connection's security is at fault, not the entry: every further
  // entry would fail alike.
  bool stopsSession = false;
};

// A failure as the log, the journal and the operator read it: a server's reply once, as the
// server wrote it; a failure of our own in words with its number in brackets.
std::string failureText(int error, const std::string& message);

// `error` is what the request ended with (a reply code, a socket or TLS error number),
// `reply` its reply line or error text, `host` the server's name.
FailureCause failureCause(int error, const std::string& reply, const std::string& host);

// A return address the server refused at MAIL FROM: every further message would be refused
// alike. `loggedIn` when the session logged in, whose account then decides.
FailureCause senderRefusedCause(const std::string& sender, bool loggedIn);

}  // namespace zelvaro::send
