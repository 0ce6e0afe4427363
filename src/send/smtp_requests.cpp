#include "send/smtp_requests.h"

#include <sstream>

#include "platform/socketerrors.h"

namespace zelvaro::send {

SmtpRequests::SmtpRequests(net::TCustomSmtpClient& client, SmtpWaitOptions options)
    : client_(client), options_(std::move(options)) {
  client_.OnRequestDone = [this](net::TCustomSmtpClient&, net::TSmtpRequest, int error) {
    if (!error_) error_ = error;
  };
  client_.OnCommand = [this](net::TCustomSmtpClient&, const std::string& line) {
    lastCommand_ = line.substr(0, line.find(' '));
  };
  client_.OnDisplay = [this](net::TCustomSmtpClient&, const std::string& line) {
    lastProgress_ = std::chrono::steady_clock::now();
    if (!greeting_ && line.rfind("< 2", 0) == 0) greeting_ = line.substr(2);
    if (options_.onTrace) options_.onTrace(line);
  };
  guard_.setInterval(200);
  guard_.onTick = [this] {
    if (std::chrono::steady_clock::now() - lastProgress_ >=
        std::chrono::milliseconds(options_.stallTimeoutMs)) {
      if (!error_) stall_ = stallText();
      client_.Abort();
      if (!error_) error_ = platform::WSAETIMEDOUT;
    }
  };
}

int SmtpRequests::run(void (net::TCustomSmtpClient::*request)()) {
  error_.reset();
  stall_.clear();
  lastProgress_ = std::chrono::steady_clock::now();
  guard_.setEnabled(true);
  try {
    (client_.*request)();
  } catch (const std::exception&) {
    error_ = platform::WSAEINVAL;
  }
  while (!error_ && !platform::applicationTerminating()) {
    if (options_.cancelled && options_.cancelled()) {
      cancelled_ = true;
      client_.Abort();
      error_ = platform::WSAEINTR;
      break;
    }
    platform::waitMessage();
  }
  guard_.setEnabled(false);
  return error_.value_or(platform::WSAEINTR);
}

std::string SmtpRequests::stallText() const {
  std::ostringstream text;
  const net::TSmtpClientState state = client_.State();
  if (state == net::scLookingUp || state == net::scConnecting) {
    text << "no connection to " << client_.Host << ", port " << client_.Port;
  } else if (lastCommand_.empty()) {
    text << "no greeting from the server";
  } else if (lastCommand_ == ".") {
    text << "no answer to the end of the message";
  } else {
    text << "no answer to " << lastCommand_;
  }
  const int ms = options_.stallTimeoutMs;
  if (ms % 1000 == 0) {
    text << " within " << ms / 1000 << " s";
  } else {
    text << " within " << ms << " ms";
  }
  return text.str();
}

}  // namespace zelvaro::send
