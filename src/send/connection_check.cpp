#include "send/connection_check.h"

#include <cstdio>

#include "platform/eventloop.h"
#include "platform/socketerrors.h"
#include "send/account_setup.h"
#include "send/failure_causes.h"
#include "send/smtp_cli.h"
#include "send/smtp_requests.h"

namespace zelvaro::send {

namespace {

const char* const kTestBody[] = {
    "This is a test message from Zelvaro.",
    "",
    "It came through the server and login of your settings, so turns will too.",
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
            const SmtpRequests& run) {
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
  SmtpRequests run(client, {options.stallTimeoutMs, options.onTrace, options.cancelled});
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
