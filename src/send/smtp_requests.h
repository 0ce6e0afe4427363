#pragma once

// One request of an SMTP client at a time, waited for by running the event loop, with a guard
// that aborts a request hearing nothing for too long and names the step that hung: what the
// connection check and the notice mailer do between their steps.

#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "net/smtp_client.h"
#include "platform/eventloop.h"

namespace zelvaro::send {

struct SmtpWaitOptions {
  // A request that hears nothing this long is aborted.
  int stallTimeoutMs = 60000;
  // Each trace line of the client; never a password.
  std::function<void(const std::string&)> onTrace;
  // Asked while a request waits: true ends it at once.
  std::function<bool()> cancelled;
};

class SmtpRequests {
 public:
  // Takes over the client's OnRequestDone, OnCommand and OnDisplay.
  SmtpRequests(net::TCustomSmtpClient& client, SmtpWaitOptions options);

  // 0, or what the request ended with.
  int run(void (net::TCustomSmtpClient::*request)());

  // The server's first positive reply line, its greeting.
  const std::optional<std::string>& greeting() const { return greeting_; }
  bool cancelled() const { return cancelled_; }
  // The step that hung, when the last request ran out of time: "no answer to AUTH within 60 s".
  const std::string& stall() const { return stall_; }

 private:
  std::string stallText() const;

  net::TCustomSmtpClient& client_;
  SmtpWaitOptions options_;
  platform::Timer guard_;
  std::optional<int> error_;
  std::optional<std::string> greeting_;
  std::string lastCommand_;
  std::string stall_;
  bool cancelled_ = false;
  std::chrono::steady_clock::time_point lastProgress_;
};

}  // namespace zelvaro::send
