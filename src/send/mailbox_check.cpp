#include "send/mailbox_check.h"

#include "net/imap_client.h"
#include "net/sasl.h"
#include "platform/eventloop.h"
#include "send/imap_requests.h"
#include "send/mailbox_account.h"

namespace zelvaro::send {

CheckReport checkMailbox(const core::Settings& settings, const CheckOptions& options) {
  CheckReport report;
  const core::ServerAddress address = settings.mailbox.address();
  report.lines.push_back("Mailbox server: " + address.host + ", port " + address.port +
                         ", security " + settings.mailbox.security);
  net::ImapClient client;
  client.onTrace = options.onTrace;
  client.stallTimeLimitMs = options.stallTimeoutMs;
  if (std::string problem = applyMailboxAccount(client, settings, options.whileWaiting);
      !problem.empty()) {
    report.lines.push_back(problem);
    report.lines.push_back("Mailbox check failed.");
    return report;
  }
  ImapRequests requests(client);
  int error = requests.run([](net::ImapClient& c) { c.open(); });
  if (!client.greeting().empty()) report.lines.push_back("Greeting: " + client.greeting());
  if (error == 0) {
    report.lines.push_back(
        "TLS: " + (client.tlsSummary().empty() ? std::string("not used") : client.tlsSummary()));
    report.lines.push_back("Login: accepted for " + client.username);
    report.lines.push_back(
        std::string("New mail is noticed ") +
        (client.hasCapability("IDLE") ? "at once (IDLE)" : "every five minutes (no IDLE)"));
    const std::string& folder = settings.mailbox.folder;
    error = requests.run([&](net::ImapClient& c) { c.select(folder); });
    if (error == 0) {
      report.lines.push_back("Folder " + folder + ": " + std::to_string(client.exists()) +
                             " messages");
    }
  }
  if (error != 0) {
    report.lines.push_back("Failed: " + client.errorMessage() + mailboxFailureHint(error));
  }
  if (client.connected()) requests.run([](net::ImapClient& c) { c.logout(); });
  client.abort();
  platform::processMessages();
  net::wipeSecret(client.password);
  report.ok = error == 0;
  report.lines.push_back(report.ok ? "Mailbox check passed." : "Mailbox check failed.");
  return report;
}

}  // namespace zelvaro::send
