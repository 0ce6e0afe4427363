// The connection check against a real server: what it reports, and that only the test
// message is ever mailed.

#include "send/connection_check.h"

#include <gtest/gtest.h>

#include <chrono>

#include "send_session_fixture.h"
#include "support/aiosmtpd_server.h"
#include "support/scripted_smtp_server.h"

namespace zelvaro::send {
namespace {

core::Settings settingsFor(int port) {
  core::Settings settings;
  settings.server = "127.0.0.1:" + std::to_string(port);
  settings.email = "host@example.org";
  return settings;
}

std::string joined(const CheckReport& report) {
  std::string text;
  for (const std::string& line : report.lines) text += line + "\n";
  return text;
}

TEST(ConnectionCheck, ReportsTheGreetingAndMailsOnlyTheTestMessage) {
  test::AiosmtpdServer server;
  std::vector<std::string> trace;
  CheckOptions options;
  options.onTrace = [&trace](const std::string& line) { trace.push_back(line); };
  const CheckReport check = checkConnection(settingsFor(server.port()), options);
  EXPECT_TRUE(check.ok) << joined(check);
  EXPECT_EQ(check.lines.front(), "Connection check passed.");
  EXPECT_EQ(check.lines[1],
            "Server: 127.0.0.1, port " + std::to_string(server.port()) + ", security none");
  EXPECT_NE(joined(check).find("\nGreeting: 220 "), std::string::npos) << joined(check);
  EXPECT_NE(joined(check).find("\nLogin: none (no user set)\nSender: accepted for "
                               "host@example.org\n"),
            std::string::npos);
  EXPECT_FALSE(server.hasMessage(1)) << "a check mails nothing";
  EXPECT_TRUE(test::inOrder(trace, {"> MAIL FROM:<host@example.org>", "> RSET", "> QUIT"}));

  options.sendTestMessage = true;
  const CheckReport test = checkConnection(settingsFor(server.port()), options);
  EXPECT_TRUE(test.ok) << joined(test);
  ASSERT_TRUE(server.hasMessage(1));
  EXPECT_EQ(server.message(1, "envelope"), "host@example.org\nhost@example.org\n");
  EXPECT_EQ(server.message(1, "subject"), "Zelvaro test message");
}

TEST(ConnectionCheck, AFailureComesWithItsCause) {
  test::ScriptedSmtpServer server;
  server.greet().reply("530 5.7.0 Must issue a STARTTLS command first").reply("221 bye");
  core::Settings settings = settingsFor(server.port());
  const CheckReport report = checkConnection(settings);
  EXPECT_FALSE(report.ok);
  EXPECT_EQ(report.lines.front(), "Connection check failed.");
  EXPECT_NE(joined(report).find("Failed: 530 5.7.0 Must issue a STARTTLS command first\nthis "
                                "server wants an encrypted connection: set Security to STARTTLS\n"),
            std::string::npos)
      << joined(report);
  EXPECT_TRUE(test::inOrder(server.transcript(), {"C: MAIL FROM:<host@example.org>", "C: QUIT"}));

  settings.account.user = "host";
  settings.account.passwordCommand = "exit 1";
  EXPECT_EQ(joined(checkConnection(settings)),
            "Connection check failed.\nServer: 127.0.0.1, port " + std::to_string(server.port()) +
                ", security none\nThe password command (passwordcommand) failed with exit "
                "status 1\n");
  settings.server = "smtp.example.invalid";
  EXPECT_EQ(checkConnection(settings).lines.back(),
            "a login over an unencrypted connection would show your password: set Security to "
            "STARTTLS or TLS");
}

}  // namespace
}  // namespace zelvaro::send

namespace zelvaro::send {
namespace {

// A server that greets and then never answers HELO: the check names that step, and Cancel
// ends it long before the time limit.
TEST(ConnectionCheck, AHangNamesItsStepAndCancelEndsItAtOnce) {
  test::ScriptedSmtpServer server;
  server.line("220 slow.example").expectLine().pause(60000);
  CheckOptions options;
  options.stallTimeoutMs = 300;
  CheckReport report = checkConnection(settingsFor(server.port()), options);
  EXPECT_FALSE(report.ok);
  ASSERT_GE(report.lines.size(), 2u);
  EXPECT_EQ(report.lines.back(), "Failed: no answer to HELO within 300 ms") << joined(report);

  test::ScriptedSmtpServer second;
  second.line("220 slow.example").expectLine().pause(60000);
  options.stallTimeoutMs = 60000;
  const auto start = std::chrono::steady_clock::now();
  options.cancelled = [start] {
    return std::chrono::steady_clock::now() - start > std::chrono::milliseconds(200);
  };
  report = checkConnection(settingsFor(second.port()), options);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  EXPECT_EQ(report.lines.front(), "Connection check cancelled.") << joined(report);
}

}  // namespace
}  // namespace zelvaro::send
