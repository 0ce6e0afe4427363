// A refusal that every further entry would meet too (a login, TLS, the password) stops the
// session with the cause in plain words; nothing that holds the password is ever logged.

#include <filesystem>

#include "net/tls_errors.h"
#include "platform/socketerrors.h"
#include "send/failure_causes.h"
#include "send_session_fixture.h"
#include "support/scripted_smtp_server.h"
#include "support/wait.h"

namespace zelvaro::send {
namespace {

using test::Lines;

class SendSessionAccountTest : public test::SendSessionFixture {
 protected:
  SendSessionAccountTest() {
    host.gameValue.attachResults = false;
    addEntry("Ann", "1", "ann@example.org");
    addEntry("Bob", "1", "bob@example.org");
    addEntry("Cid", "0", "cid@example.org");
    useServer(server.port());
  }

  test::ScriptedSmtpServer server;
};

TEST_F(SendSessionAccountTest, ALoginRefusalStopsAtTheFirstPlayerWithItsCause) {
  server.greet().reply("530 5.7.0 Authentication required").reply("221 bye").close();
  SendSession session(host, kTiming);
  EXPECT_FALSE(session.run());
  const std::string cause = "The server wants a login: set User and the password in Settings.";
  EXPECT_EQ(loggedSteps(), test::concat({{gameLine(), "Sending to:2/3"},
                                         entryLines("Ann", "ann@example.org", {}),
                                         {"Send failed: 530 5.7.0 Authentication required", cause,
                                          "Not mailed: the session stopped at player #1"}}));
  EXPECT_EQ(session.failures(), (Lines{"Player #1: Send failed: 530 5.7.0 Authentication required",
                                       "Player #1: " + cause,
                                       "Player #2: Not mailed: the session stopped at player #1"}));
  EXPECT_TRUE(server.finished()) << "one connection only";
}

TEST_F(SendSessionAccountTest, NoPasswordSendsNothingAndSaysHowToGiveOne) {
  host.settingsValue.account.user = "host@example.org";
  host.settingsValue.account.passwordCommand =
      "echo 'Error: host is not in the password store.' >&2; exit 4";
  SendSession session(host, kTiming);
  EXPECT_FALSE(session.run());
  const std::string problem =
      "The password command (passwordcommand) failed with exit status 4; passwordcommand: Error: "
      "host is not in the password store.";
  EXPECT_EQ(loggedSteps(), (Lines{gameLine(), "Sending to:2/3", problem}));
  EXPECT_EQ(session.failures(), Lines{problem}) << "one line, not one per player";
  EXPECT_TRUE(host.lastGeneratedShown.empty()) << "nothing was mailed";

  host.settingsValue.account.passwordCommand = "";
  host.settingsValue.account.security = "ssl";
  session.run();
  EXPECT_EQ(session.failures(),
            Lines{"Unknown security \"ssl\" in the settings: use none, starttls or tls"});
}

// A login over loopback (a tunnel's local end) needs no TLS; the EHLO reply offers PLAIN.
class SendSessionStopTest : public SendSessionAccountTest {
 protected:
  SendSessionStopTest() {
    host.settingsValue.account.user = "host@example.org";
    host.settingsValue.account.passwordCommand = "printf pw";
  }

  test::ScriptedSmtpServer& ehlo(const std::string& capability) {
    return server.line("220 scripted.test ready")
        .expectLine()
        .send("250-scripted.test\r\n250 " + capability + "\r\n");
  }

  // Ann's entry fails with `failure` and `cause`, Bob is never tried, one connection only.
  void expectStoppedAtAnn(const std::string& failure, const std::string& cause,
                          int stallTimeoutMs = kTiming.stallTimeoutMs) {
    SendSession session(host, {kTiming.pollMs, stallTimeoutMs, kTiming.overallResetMs});
    EXPECT_FALSE(session.run());
    EXPECT_EQ(loggedSteps(),
              test::concat({{gameLine(), "Sending to:2/3"},
                            entryLines("Ann", "ann@example.org", {}),
                            {failure, cause, "Not mailed: the session stopped at player #1"}}));
    EXPECT_EQ(session.failures().size(), 3u);
    EXPECT_TRUE(test::waitUntil([&] { return server.finished(); })) << "one connection only";
  }
};

TEST_F(SendSessionStopTest, ARefusedSender) {
  const std::string refusal =
      "553 5.7.1 <host@example.org>: Sender address rejected: not owned by user";
  ehlo("AUTH PLAIN").reply("235 2.7.0 ok").reply(refusal).reply("221 bye").close();
  expectStoppedAtAnn("Sender refused: host@example.org " + refusal,
                     "this login may not send as host@example.org: set the return address to "
                     "an address of that account");
  EXPECT_TRUE(test::inOrder(server.transcript(), {"C: AUTH PLAIN AGhvc3RAZXhhbXBsZS5vcmcAcHc=",
                                                  "C: MAIL FROM:<host@example.org>", "C: QUIT"}))
      << "a login on loopback needs no TLS";
}

TEST_F(SendSessionStopTest, TooManyLoginAttempts) {
  const std::string refusal = "454 4.7.0 Too many login attempts, please try again later";
  ehlo("AUTH PLAIN").reply(refusal).reply("221 bye").close();
  expectStoppedAtAnn("Send failed: " + refusal, failureCause(454, refusal, "").text);
}

TEST_F(SendSessionStopTest, AStalledTlsHandshake) {
  host.settingsValue.account.user.clear();
  host.settingsValue.account.security = "starttls";
  ehlo("STARTTLS").reply("220 2.0.0 Ready to start TLS").expectClose();
  expectStoppedAtAnn("Send failed: Connection timed out (Winsock error #10060)",
                     failureCause(platform::WSAETIMEDOUT, "", "").text, 300);
}

TEST_F(SendSessionAccountTest, NoLoginInClearBeyondThisMachine) {
  host.settingsValue.server = "smtp.example.invalid";
  host.settingsValue.account.user = "host@example.org";
  host.settingsValue.account.passwordCommand = "echo ran >> " + dir.file("ran");
  SendSession session(host, kTiming);
  EXPECT_FALSE(session.run());
  const std::string problem =
      "a login over an unencrypted connection would show your password: set Security to "
      "STARTTLS or TLS";
  EXPECT_EQ(loggedSteps(), (Lines{gameLine(), "Sending to:2/3", problem}));
  EXPECT_EQ(session.failures(), Lines{problem});
  EXPECT_FALSE(std::filesystem::exists(dir.file("ran"))) << "not even the password is fetched";
}

// A reply appears once, as the server wrote it; a failure of our own in words with its number.
TEST(FailureText, SaysEachNumberOnce) {
  EXPECT_EQ(failureText(535, "535 5.7.8 Authentication failed"), "535 5.7.8 Authentication failed");
  EXPECT_EQ(failureText(10061, "Connection refused (Winsock error #10061)"),
            "Connection refused (Winsock error #10061)");
  EXPECT_EQ(failureText(10022, "Cannot open attachment"),
            "Cannot open attachment (Winsock error #10022)");
  EXPECT_EQ(failureText(10060, ""), "Connection timed out (Winsock error #10060)");
  EXPECT_EQ(failureText(30008, "Server offers no login mechanism that can be used: no AUTH"),
            "Server offers no login mechanism that can be used: no AUTH (error #30008)");
}

TEST(FailureCause, NamesTheSettingToChange) {
  auto cause = [](int error, const std::string& reply) {
    return failureCause(error, reply, "smtp.example.org");
  };
  EXPECT_EQ(cause(530, "530 5.7.0 Must issue a STARTTLS command first").text,
            "this server wants an encrypted connection: set Security to STARTTLS");
  EXPECT_NE(cause(535, "535 5.7.8 Username and Password not accepted").text.find("app password"),
            std::string::npos);
  EXPECT_NE(cause(535, "535 5.7.139 Authentication unsuccessful").text.find("XOAUTH2"),
            std::string::npos);
  EXPECT_NE(cause(550, "550 5.7.30 Basic authentication is not supported").text.find("OAuth2"),
            std::string::npos);
  EXPECT_EQ(cause(net::tlsHostNameMismatch,
                  "Server certificate is for another host name: certificate is for "
                  "other.example (TLS error #30003)")
                .text,
            "The certificate of smtp.example.org was refused (certificate is for other.example): "
            "check the server name, which must be the one the certificate names.");
  EXPECT_NE(cause(net::tlsStartTlsNotOffered, "").text.find("nothing was sent in cleartext"),
            std::string::npos);
  const FailureCause recipient = cause(550, "550 5.1.1 No such user");
  EXPECT_EQ(recipient.text, "");
  EXPECT_FALSE(recipient.stopsSession) << "a refused recipient costs that entry alone";
  EXPECT_TRUE(cause(535, "535 no").stopsSession);
}

}  // namespace
}  // namespace zelvaro::send
