// The secure session against a real server (aiosmtpd) with a throw-away CA: delivery over
// STARTTLS and TLS with every login mechanism, and every refusal ending before anything is
// mailed. The STARTTLS injection needs a server that misbehaves: the scripted one.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "net/smtp_client.h"
#include "net/smtp_text.h"
#include "support/aiosmtpd_server.h"
#include "support/scripted_smtp_server.h"
#include "support/smtp_requests.h"
#include "support/test_certificates.h"

namespace zelvaro::net {
namespace {

using test::AiosmtpdServer;
using test::SmtpRequests;
using Lines = std::vector<std::string>;

constexpr const char* kUser = "host@example.org";
constexpr const char* kPassword = "s3cret-Pa55";

const test::TestCertificates& certificates() {
  static const test::TestCertificates made;
  return made;
}

std::vector<std::string> serverOptions(const char* security) {
  const test::TestCertificates& pki = certificates();
  return {std::string("security=") + security, "cert=" + pki.certificateFile(),
          "key=" + pki.keyFile()};
}

// A client set up as a host with a provider account would have it, its monitor kept.
struct SecureClient {
  SecureClient(int port, TSmtpSecurity security) : requests(client) {
    client.Host = "localhost";
    client.Port = std::to_string(port);
    client.SignOn = "host.test";
    client.Security = security;
    client.CaFile = certificates().caFile();
    client.Username = kUser;
    client.Password = kPassword;
    client.FromName = kUser;
    client.RcptName = {"player@example.org"};
    client.HdrFrom = kUser;
    client.HdrTo = "player@example.org";
    client.HdrSubject = "Turn 2405";
    client.OnDisplay = [this](TCustomSmtpClient&, const std::string& text) {
      monitor.push_back(text);
    };
    client.OnCommand = client.OnDisplay;
    client.OnGetData = [](TCustomSmtpClient&, int number, char* line, int maxLen, bool& more) {
      more = number == 1;
      if (more) snprintf(line, static_cast<size_t>(maxLen), "Your turn is attached.");
    };
  }

  int open() {
    return requests.run([this] { client.Open(); }).error;
  }
  int mail() {
    return requests.run([this] { client.Mail(); }).error;
  }
  int quit() {
    return requests.run([this] { client.Quit(); }).error;
  }

  // No monitor line holds a secret, in clear or in base64.
  void expectNothingShows(const std::string& secret) const {
    for (const std::string& line : monitor) {
      EXPECT_EQ(line.find(secret), std::string::npos) << line;
      EXPECT_EQ(line.find(base64Line(secret)), std::string::npos) << line;
      EXPECT_EQ(line.find(base64Line(std::string(1, '\0') + kUser + '\0' + secret)),
                std::string::npos)
          << line;
    }
  }

  TCustomSmtpClient client;
  SmtpRequests requests;
  Lines monitor;
};

struct DeliveryCase {
  const char* name;
  TSmtpSecurity security;
  TSmtpAuthType auth;
};

class SecureDelivery : public ::testing::TestWithParam<DeliveryCase> {};

TEST_P(SecureDelivery, MailsWithTheLoginAndShowsNoSecret) {
  const DeliveryCase& c = GetParam();
  const bool tls = c.security == TSmtpSecurity::Tls;
  // A token as long as the providers' run past any command line's length.
  const std::string token(2000, 'T');
  std::vector<std::string> options = serverOptions(tls ? "tls" : "require-starttls");
  options.insert(options.end(), {std::string("user=") + kUser, std::string("password=") + kPassword,
                                 "token=" + token});
  AiosmtpdServer server(options);
  SecureClient secure(server.port(), c.security);
  secure.client.AuthType = c.auth;
  if (c.auth == TSmtpAuthType::XOAuth2) secure.client.Password = token;

  ASSERT_EQ(secure.open(), 0) << ::testing::PrintToString(secure.monitor);
  EXPECT_FALSE(tls && secure.client.Capabilities().startTls);
  EXPECT_NE(secure.client.TlsSummary().find("TLSv1."), std::string::npos);
  EXPECT_NE(secure.client.TlsSummary().find("subject CN=localhost, issuer CN=Zelvaro Test CA"),
            std::string::npos)
      << secure.client.TlsSummary();
  EXPECT_EQ(secure.mail(), 0) << secure.client.ErrorMessage();
  EXPECT_EQ(secure.quit(), 0);
  EXPECT_EQ(server.message(1, "text"), "Your turn is attached.\r\n");
  EXPECT_EQ(server.mailCommands(), std::string(kUser) + "\n");
  secure.expectNothingShows(secure.client.Password);
  if (c.auth == TSmtpAuthType::Plain) {
    EXPECT_NE(std::find(secure.monitor.begin(), secure.monitor.end(), "> AUTH PLAIN ********"),
              secure.monitor.end());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Logins, SecureDelivery,
    ::testing::Values(DeliveryCase{"StartTlsPlain", TSmtpSecurity::StartTls, TSmtpAuthType::Plain},
                      DeliveryCase{"StartTlsLogin", TSmtpSecurity::StartTls, TSmtpAuthType::Login},
                      DeliveryCase{"StartTlsXOAuth2", TSmtpSecurity::StartTls,
                                   TSmtpAuthType::XOAuth2},
                      DeliveryCase{"TlsAuto", TSmtpSecurity::Tls, TSmtpAuthType::Auto},
                      DeliveryCase{"TlsLogin", TSmtpSecurity::Tls, TSmtpAuthType::Login},
                      DeliveryCase{"TlsXOAuth2", TSmtpSecurity::Tls, TSmtpAuthType::XOAuth2}),
    [](const ::testing::TestParamInfo<DeliveryCase>& info) { return info.param.name; });

// The second connection of a run resumes the first one's session, over both kinds of TLS.
TEST(SecureSessions, TheNextConnectionResumesTheSession) {
  for (auto [security, serverSecurity] :
       {std::pair{TSmtpSecurity::StartTls, "starttls"}, std::pair{TSmtpSecurity::Tls, "tls"}}) {
    std::vector<std::string> options = serverOptions(serverSecurity);
    options.insert(options.end(),
                   {std::string("user=") + kUser, std::string("password=") + kPassword});
    AiosmtpdServer server(options);
    for (bool resumed : {false, true}) {
      SecureClient secure(server.port(), security);
      ASSERT_EQ(secure.open(), 0) << ::testing::PrintToString(secure.monitor);
      EXPECT_EQ(secure.client.TlsSummary().find("session resumed") != std::string::npos, resumed)
          << secure.client.TlsSummary();
      EXPECT_NE(secure.client.TlsSummary().find("subject CN=localhost"), std::string::npos);
      EXPECT_EQ(secure.quit(), 0);
    }
  }
}

// Each refusal ends Open with its number and the reason, leaves the connection closed so that
// nothing more can go out, and no MAIL ever reaches the server.
TEST(SecureRefusals, EndOpenBeforeAnythingIsMailed) {
  struct Case {
    const char* name;
    const char* security;  // the server's
    TSmtpSecurity client;
    const char* host;
    bool trustTheCa;
    TSmtpAuthType auth;
    const char* password;
    int error;
    const char* reason;
  };
  const Case cases[] = {
      {"wrong password", "require-starttls", TSmtpSecurity::StartTls, "localhost", true,
       TSmtpAuthType::Auto, "wrong", 535, "535 5.7.8"},
      // The token's refusal comes as a challenge first, answered with an empty line.
      {"a refused token", "tls", TSmtpSecurity::Tls, "localhost", true, TSmtpAuthType::XOAuth2,
       "expired", 535, "535 5.7.8"},
      {"another host name over STARTTLS", "require-starttls", TSmtpSecurity::StartTls, "127.0.0.1",
       true, TSmtpAuthType::Auto, kPassword, tlsHostNameMismatch,
       "host 127.0.0.1; the certificate is for localhost"},
      {"another host name over TLS", "tls", TSmtpSecurity::Tls, "127.0.0.1", true,
       TSmtpAuthType::Auto, kPassword, tlsHostNameMismatch, "(TLS error #30003)"},
      {"an untrusted CA over STARTTLS", "starttls", TSmtpSecurity::StartTls, "localhost", false,
       TSmtpAuthType::Auto, kPassword, tlsCertificateNotTrusted,
       "unable to get local issuer certificate, host localhost"},
      {"an untrusted CA over TLS", "tls", TSmtpSecurity::Tls, "localhost", false,
       TSmtpAuthType::Auto, kPassword, tlsCertificateNotTrusted, "Server certificate not trusted"},
      {"no STARTTLS offered", "none", TSmtpSecurity::StartTls, "localhost", true,
       TSmtpAuthType::Auto, kPassword, tlsStartTlsNotOffered, "nothing was sent in cleartext"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> options = serverOptions(c.security);
    options.insert(options.end(), {std::string("user=") + kUser,
                                   std::string("password=") + kPassword, "token=good"});
    AiosmtpdServer server(options);
    SecureClient secure(server.port(), c.client);
    secure.client.Host = c.host;
    secure.client.Password = c.password;
    secure.client.AuthType = c.auth;
    if (!c.trustTheCa) secure.client.CaFile.clear();

    EXPECT_EQ(secure.open(), c.error) << ::testing::PrintToString(secure.monitor);
    EXPECT_NE(secure.client.ErrorMessage().find(c.reason), std::string::npos)
        << secure.client.ErrorMessage();
    if (c.error != 535) {
      EXPECT_FALSE(secure.client.Connected());
      EXPECT_EQ(secure.quit(), 0);  // nothing to say goodbye on
    }
    SmtpRequests::settle();
    EXPECT_EQ(server.mailCommands(), "");
    secure.expectNothingShows(c.password);
  }
}

// TLS 1.3 refuses a client without a certificate only after the client's side of the handshake
// has ended, as the first records arrive; TLS 1.2 within the handshake. Either says why.
TEST(SecureRefusals, AServerDemandingAClientCertificateSaysSo) {
  for (auto [version, error] : {std::pair{"1.3", tlsProtocolError}, {"1.2", tlsHandshakeFailed}}) {
    SCOPED_TRACE(version);
    std::vector<std::string> options = serverOptions("tls");
    options.push_back(std::string("clientcert=") + version);
    AiosmtpdServer server(options);
    SecureClient secure(server.port(), TSmtpSecurity::Tls);
    EXPECT_EQ(secure.open(), error) << ::testing::PrintToString(secure.monitor);
    EXPECT_NE(secure.client.ErrorMessage().find(
                  "the server demands a client certificate, which this program does not send, "
                  "host localhost (TLS error #" +
                  std::to_string(error) + ")"),
              std::string::npos)
        << secure.client.ErrorMessage() << ::testing::PrintToString(secure.monitor);
    EXPECT_FALSE(secure.client.Connected());
  }
}

TEST(StartTlsInjection, RepliesSentWithThe220AreThrownAway) {
  const test::TestCertificates& pki = certificates();
  test::ScriptedSmtpServer server;
  server.line("220 scripted.test")
      .expectLine()
      .line("250-scripted.test")
      .line("250 STARTTLS")
      .expectLine()
      .send("220 Ready\r\n250 injected\r\n")
      .startTls(pki.certificateFile(), pki.keyFile())
      .expectLine()
      .line("250-scripted.test")
      .line("250 AUTH PLAIN")
      .expectLine()
      .line("235 welcome")
      .reply("221 bye")
      .close();
  SecureClient secure(server.port(), TSmtpSecurity::StartTls);

  ASSERT_EQ(secure.open(), 0) << secure.client.ErrorMessage();
  EXPECT_EQ(secure.client.Capabilities().authMechanisms, Lines{"PLAIN"});
  EXPECT_FALSE(secure.client.Capabilities().startTls);
  EXPECT_EQ(secure.quit(), 0);
  const std::string plain = base64Line(std::string(1, '\0') + kUser + '\0' + kPassword);
  EXPECT_EQ(server.transcript(),
            (Lines{"* connected", "S: 220 scripted.test", "C: EHLO host.test",
                   "S: 250-scripted.test", "S: 250 STARTTLS", "C: STARTTLS", "S: 220 Ready",
                   "S: 250 injected", "* TLS up", "C: EHLO host.test", "S: 250-scripted.test",
                   "S: 250 AUTH PLAIN", "C: AUTH PLAIN " + plain, "S: 235 welcome", "C: QUIT",
                   "S: 221 bye", "* closed by server"}));
  for (const std::string& line : secure.monitor) EXPECT_NE(line, "< 250 injected");
}

// A server that does not know EHLO is greeted with HELO; a login then has nothing to use.
TEST(EhloRefused, FallsBackToHeloAndTheLoginSaysWhatIsMissing) {
  test::ScriptedSmtpServer server;
  server.line("220 old.test").reply("502 what?").reply("250 old.test").expectClose();
  SecureClient secure(server.port(), TSmtpSecurity::None);

  EXPECT_EQ(secure.open(), authNotOffered);
  // No TLS was in use: the number is ours, not TLS's.
  EXPECT_EQ(secure.client.ErrorMessage(),
            "Server offers no login mechanism that can be used: the server offers no AUTH "
            "(error #30008)");
  secure.client.Abort();
  ASSERT_TRUE(test::waitUntil([&] { return server.finished(); }));
  EXPECT_EQ(server.transcript(),
            (Lines{"* connected", "S: 220 old.test", "C: EHLO host.test", "S: 502 what?",
                   "C: HELO host.test", "S: 250 old.test", "* closed by client"}));
}

}  // namespace
}  // namespace zelvaro::net
