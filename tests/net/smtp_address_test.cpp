// Addresses in the envelope: what RFC 5321 allows, domains beyond ASCII in their IDNA form, and
// local parts beyond ASCII only where the server offers SMTPUTF8.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "net/mail_address.h"
#include "net/smtp_client.h"
#include "support/scripted_smtp_server.h"
#include "support/smtp_requests.h"
#include "support/wait.h"

namespace zelvaro::net {
namespace {

using test::ScriptedSmtpServer;
using test::SmtpRequests;
using Lines = std::vector<std::string>;
using End = SmtpRequests::End;

TEST(MailAddressTest, WhatTheEnvelopeMayCarry) {
  for (const char* good :
       {"player@example.org", "\"first.last\"@example.org", "\"first last\"@example.org",
        "\"a\\\"b\"@example.org", "o'neil+stars@sub.example-host.org", "who@[192.0.2.1]",
        "spieler@münchen.example", "jürgen@example.org"}) {
    std::string fault;
    EXPECT_TRUE(parseMailAddress(good, &fault)) << good << ": " << fault;
  }
  const std::pair<const char*, const char*> bad[] = {
      {"a<b@example.org", "\"<\" may not appear outside quotes"},
      {"a@example.org><b@evil.example", "\">\" may not appear outside quotes"},
      {"a@b@example.org", "\"@\" may not appear outside quotes"},
      {"first.last\"@example.org", "\"\"\" may not appear outside quotes"},
      {"a b@example.org", "a blank or a control character may not appear in it"},
      {"a..b@example.org",
       "a dot may not begin or end the part before the @, nor follow another dot"},
      {"@example.org", "nothing before the @"},
      {"player@", "nothing after the @"},
      {"player", "it has no @"},
      {"player@example..org", "the domain has an empty part between its dots"},
      {"player@-example.org", "a part of the domain may not begin or end with \"-\""},
      {"\"first.last@example.org", "the quoted part before the @ is not closed right before the @"},
      {"\"first\".last@example.org",
       "the quoted part before the @ is not closed right before the @"},
      {"player@[192.0.2.1", "the address literal after the @ is not one"},
      {"j\xFCrgen@example.org", "it is not UTF-8 text"},
  };
  for (const auto& [address, why] : bad) {
    std::string fault;
    EXPECT_FALSE(parseMailAddress(address, &fault)) << address;
    EXPECT_EQ(fault, why) << address;
  }
  const std::optional<EnvelopeAddress> idn = envelopeAddress("spieler@München.example");
  ASSERT_TRUE(idn);
  EXPECT_EQ(idn->text, "spieler@xn--mnchen-3ya.example");
  EXPECT_FALSE(idn->needsSmtpUtf8);
  const std::optional<EnvelopeAddress> quoted = envelopeAddress("\"First.Last\"@Example.ORG");
  ASSERT_TRUE(quoted);
  EXPECT_EQ(quoted->text, "\"First.Last\"@Example.ORG");
  EXPECT_TRUE(envelopeAddress("jürgen@example.org")->needsSmtpUtf8);
}

class SmtpAddressTest : public ::testing::Test {
 protected:
  SmtpAddressTest() : requests(client) {
    client.Host = "127.0.0.1";
    client.Port = std::to_string(server.port());
    client.SignOn = "host.test";
    client.Username = "host";
    client.Password = "pw";
    client.FromName = "host@example.org";
    client.OnGetData = [](TCustomSmtpClient&, int number, char* line, int maxLen, bool& more) {
      more = number == 1;
      if (more) snprintf(line, static_cast<size_t>(maxLen), "Your turn.");
    };
  }

  void greet(bool smtpUtf8) { server.greetWithLogin(smtpUtf8 ? "SMTPUTF8" : "8BITMIME"); }

  End run(void (TCustomSmtpClient::*request)()) {
    return requests.run([this, request] { (client.*request)(); });
  }

  // Sends one message to `accepted` recipients (every one the server is sent), then QUIT; the
  // whole transcript.
  Lines mailOnce(bool smtpUtf8, int accepted) {
    greet(smtpUtf8);
    server.reply("250 sender ok");
    for (int i = 0; i < accepted; ++i) server.reply("250 ok");
    server.reply("354 go").expectData().line("250 queued").reply("221 bye");
    EXPECT_EQ(run(&TCustomSmtpClient::Open), (End{rqOpen, 0}));
    EXPECT_EQ(run(&TCustomSmtpClient::Mail), (End{rqMail, 0}));
    EXPECT_EQ(run(&TCustomSmtpClient::Quit), (End{rqQuit, 0}));
    EXPECT_TRUE(test::waitUntil([this] { return server.finished(); }));
    return server.transcript();
  }

  ScriptedSmtpServer server;
  TCustomSmtpClient client;
  SmtpRequests requests;
};

TEST_F(SmtpAddressTest, DomainsGoInAsciiAndQuotedLocalPartsAsWritten) {
  client.RcptName = {"spieler@münchen.example", "\"first.last\"@example.org", "jürgen@example.org"};
  const Lines all = mailOnce(false, 2);
  const Lines envelope(std::find(all.begin(), all.end(), "S: 235 welcome") + 1,
                       std::find(all.begin(), all.end(), "S: 354 go") + 1);
  EXPECT_EQ(envelope, (Lines{"C: MAIL FROM:<host@example.org>", "S: 250 sender ok",
                             "C: RCPT TO:<spieler@xn--mnchen-3ya.example>", "S: 250 ok",
                             "C: RCPT TO:<\"first.last\"@example.org>", "S: 250 ok", "C: DATA",
                             "S: 354 go"}));
  // Without SMTPUTF8 the address beyond ASCII is refused here, in words, and never sent.
  ASSERT_EQ(client.RefusedRecipients().size(), 1u);
  EXPECT_EQ(client.RefusedRecipients()[0].address, "jürgen@example.org");
  EXPECT_EQ(client.RefusedRecipients()[0].reply,
            "The server does not offer SMTPUTF8, which letters beyond ASCII before the @ need "
            "(error #30011)");
}

TEST_F(SmtpAddressTest, ALocalPartBeyondAsciiGoesWithSmtpUtf8WhereOffered) {
  client.RcptName = {"jürgen@münchen.example"};
  const Lines all = mailOnce(true, 1);
  auto mail = std::find(all.begin(), all.end(), "C: MAIL FROM:<host@example.org> SMTPUTF8");
  ASSERT_NE(mail, all.end()) << ::testing::PrintToString(all);
  EXPECT_EQ(mail[2], "C: RCPT TO:<jürgen@xn--mnchen-3ya.example>");
  EXPECT_TRUE(client.RefusedRecipients().empty());
}

TEST_F(SmtpAddressTest, AnAddressThatCouldSmuggleACommandNeverReachesTheWire) {
  client.RcptName = {"a@example.org><b@evil.example"};
  greet(false);
  server.reply("250 reset").reply("221 bye");
  ASSERT_EQ(run(&TCustomSmtpClient::Open), (End{rqOpen, 0}));
  // Nobody left to mail: no transaction is begun.
  EXPECT_EQ(run(&TCustomSmtpClient::Mail), (End{rqMail, addressNotValid}));
  EXPECT_EQ(client.RefusedBy(), TSmtpStep::RcptTo);
  EXPECT_EQ(client.ErrorMessage(),
            "Not an address the envelope can carry: \">\" may not appear outside quotes "
            "(error #30010)");
  client.RcptName = {"player@example.org"};
  client.FromName = "host@example.org>\r\nRCPT TO:<victim@example.org";
  EXPECT_EQ(run(&TCustomSmtpClient::Mail), (End{rqMail, addressNotValid}));
  EXPECT_EQ(client.RefusedBy(), TSmtpStep::MailFrom);
  EXPECT_EQ(run(&TCustomSmtpClient::Rset), (End{rqRset, 0}));
  EXPECT_EQ(run(&TCustomSmtpClient::Quit), (End{rqQuit, 0}));
  ASSERT_TRUE(test::waitUntil([this] { return server.finished(); }));
  const Lines& all = server.transcript();
  EXPECT_EQ(Lines(std::find(all.begin(), all.end(), "S: 235 welcome") + 1, all.end()),
            (Lines{"C: RSET", "S: 250 reset", "C: QUIT", "S: 221 bye"}));
}

}  // namespace
}  // namespace zelvaro::net
