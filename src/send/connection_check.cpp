#include "send/connection_check.h"

#include <chrono>
#include <optional>
#include <sstream>

#include "platform/eventloop.h"
#include "platform/socketerrors.h"
#include "send/account_setup.h"
#include "send/failure_causes.h"
#include "send/smtp_cli.h"

namespace zelvaro::send {

namespace {

const char* const kTestBody[] = {
    "This is a test message from Zelvaro.",
    "",
    "It came through the server and login of your settings, so turns will too.",
};

// One request at a time, waited for with the event loop; a request that hears nothing for
// too long is aborted.
class CheckRun {
 public:
  CheckRun(TSmtpCli& client, const CheckOptions& options) : client_(client), options_(options) {
    client_.OnRequestDone = [this](net::TCustomSmtpClient&, net::TSmtpRequest,
                                   std::uint16_t error) {
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

  // 0, or what the request ended with.
  int run(void (net::TCustomSmtpClient::*request)()) {
    error_.reset();
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

  const std::optional<std::string>& greeting() const { return greeting_; }
  bool cancelled() const { return cancelled_; }
  // The step that hung, when the last request ran out of time: "no answer to AUTH within 60 s".
  const std::string& stall() const { return stall_; }

 private:
  std::string stallText() const {
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

  TSmtpCli& client_;
  const CheckOptions& options_;
  platform::Timer guard_;
  std::optional<int> error_;
  std::optional<std::string> greeting_;
  std::string lastCommand_;
  std::string stall_;
  bool cancelled_ = false;
  std::chrono::steady_clock::time_point lastProgress_;
};

std::string capabilityText(const net::SmtpCapabilities& capabilities) {
  if (capabilities.lines.size() < 2) return "none announced (plain HELO)";
  std::string text;
  for (size_t i = 1; i < capabilities.lines.size(); ++i) {
    const std::string& line = capabilities.lines[i];
    text += (text.empty() ? "" : ", ") + (line.size() > 4 ? line.substr(4) : line);
  }
  return text;
}

void failed(CheckReport& report, const TSmtpCli& client, int error, const std::string& host,
            const CheckRun& run) {
  if (run.cancelled()) {
    report.lines.push_back("Cancelled before the check was over.");
    return;
  }
  if (!run.stall().empty()) {
    report.lines.push_back("Failed: " + run.stall());
    return;
  }
  const std::string& message =
      client.ErrorMessage().empty() ? platform::SocketErrorText(error) : client.ErrorMessage();
  FailureCause cause = failureCause(error, message, host);
  if (cause.text.empty() && error >= 500 && error < 600 &&
      client.RefusedBy() == net::TSmtpStep::MailFrom) {
    report.lines.push_back("Sender refused: " + client.FromName + " " + message);
    cause = senderRefusedCause(client.FromName, !client.Username.empty());
  } else {
    report.lines.push_back("Failed: " + failureText(error, message));
  }
  if (!cause.text.empty()) report.lines.push_back(cause.text);
}

// The verdict goes first: it is what the reader looks for.
CheckReport verdict(CheckReport report, bool ok, bool cancelled = false) {
  report.ok = ok;
  report.lines.insert(report.lines.begin(), ok          ? "Connection check passed."
                                            : cancelled ? "Connection check cancelled."
                                                        : "Connection check failed.");
  return report;
}

}  // namespace

CheckReport checkConnection(const core::Settings& settings, const CheckOptions& options) {
  CheckReport report;
  const core::ServerAddress server = settings.serverAddress();
  report.lines.push_back("Server: " + server.host + ", port " + server.port + ", security " +
                         settings.account.security);
  TSmtpCli client;
  client.Host = server.host;
  client.Port = server.port;
  if (std::string problem = applyAccount(client, settings, options.whileWaiting);
      !problem.empty()) {
    report.lines.push_back(problem);
    return verdict(std::move(report), false);
  }
  CheckRun run(client, options);
  int error = run.run(&net::TCustomSmtpClient::Open);
  if (run.greeting()) report.lines.push_back("Greeting: " + *run.greeting());
  if (error == 0) {
    report.lines.push_back("Capabilities: " + capabilityText(client.Capabilities()));
    report.lines.push_back(
        "TLS: " + (client.TlsSummary().empty() ? std::string("not used") : client.TlsSummary()));
    report.lines.push_back(settings.account.user.empty()
                               ? std::string("Login: none (no user set)")
                               : "Login: accepted for " + settings.account.user);
  }
  // The first refusal of a real send may come at MAIL FROM (TLS demanded, a sender the login
  // may not use): the check goes that far, then takes the transaction back.
  client.FromName = settings.email;
  if (error == 0) error = run.run(&net::TCustomSmtpClient::MailFrom);
  if (error == 0) error = run.run(&net::TCustomSmtpClient::Rset);
  if (error == 0) report.lines.push_back("Sender: accepted for " + settings.email);
  if (error == 0 && options.sendTestMessage) {
    std::vector<std::string> body(std::begin(kTestBody), std::end(kTestBody));
    client.OnGetData = [&body](net::TCustomSmtpClient&, int number, char* line, int maxLen,
                               bool& more) {
      more = number <= static_cast<int>(body.size());
      if (more) std::snprintf(line, static_cast<size_t>(maxLen), "%s", body[number - 1].c_str());
    };
    client.RcptName = {settings.email};
    client.HdrFrom = settings.email;
    client.HdrTo = settings.email;
    client.HdrSubject = "Zelvaro test message";
    error = run.run(&net::TCustomSmtpClient::Mail);
    if (error == 0) report.lines.push_back("Test message: accepted for " + settings.email);
  }
  if (error != 0) failed(report, client, error, server.host, run);
  if (client.Connected() && !run.cancelled()) run.run(&net::TCustomSmtpClient::Quit);
  client.Abort();
  platform::processMessages();
  forgetSecret(client.Password);
  return verdict(std::move(report), error == 0, run.cancelled());
}

}  // namespace zelvaro::send
