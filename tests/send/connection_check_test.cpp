// The connection check against a real server: what it reports, and that only the test
// message is ever mailed.

#include "send/connection_check.h"

#include <gtest/gtest.h>

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
  EXPECT_EQ(check.lines.front(),
            "Server: 127.0.0.1, port " + std::to_string(server.port()) + ", security none");
  EXPECT_NE(joined(check).find("\nGreeting: 220 "), std::string::npos) << joined(check);
  EXPECT_NE(joined(check).find("\nLogin: none (no user set)\n"), std::string::npos);
  EXPECT_EQ(check.lines.back(), "Connection check passed.");
  EXPECT_FALSE(server.hasMessage(1)) << "a check mails nothing";
  EXPECT_NE(std::find(trace.begin(), trace.end(), "> QUIT"), trace.end());

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
  CheckOptions options;
  options.sendTestMessage = true;
  const CheckReport report = checkConnection(settings, options);
  EXPECT_FALSE(report.ok);
  const std::string text = joined(report);
  EXPECT_NE(text.find("Failed: 530 530 5.7.0 Must issue a STARTTLS command first\nThe server "
                      "wants TLS first: set Security to STARTTLS (port 587) or TLS (port 465).\n"),
            std::string::npos)
      << text;
  EXPECT_EQ(report.lines.back(), "Connection check failed.");

  settings.account.user = "host";
  settings.account.passwordCommand = "exit 1";
  EXPECT_EQ(joined(checkConnection(settings)),
            "Server: 127.0.0.1, port " + std::to_string(server.port()) +
                ", security none\nThe password command (passwordcommand) failed with exit "
                "status 1\nConnection check failed.\n");
}

}  // namespace
}  // namespace zelvaro::send
