// The envelope against a server that offers PIPELINING: MAIL FROM, every RCPT TO and DATA go
// out in one write, and each reply is still checked in order. The server's script reads all
// the lines before it answers any, so a client that waited for a reply would stall the test.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

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

class PipeliningTest : public ::testing::Test {
 protected:
  PipeliningTest() : requests(client) {
    client.Host = "127.0.0.1";
    client.Port = std::to_string(server.port());
    client.SignOn = "host.test";
    client.Username = "host";
    client.Password = "pw";
    client.FromName = "host@example.org";
    client.RcptName = {"gone@example.org", "player@example.org"};
    client.OnGetData = [](TCustomSmtpClient&, int number, char* line, int maxLen, bool& more) {
      more = number == 1;
      if (more) snprintf(line, static_cast<size_t>(maxLen), "Your turn.");
    };
    server.greetWithLogin("PIPELINING");
  }

  // The envelope's four lines, all read before the first reply.
  ScriptedSmtpServer& envelope() {
    return server.expectLine().expectLine().expectLine().expectLine();
  }

  End run(void (TCustomSmtpClient::*request)()) {
    return requests.run([this, request] { (client.*request)(); });
  }

  // The transcript from MAIL FROM on.
  Lines fromMail() {
    EXPECT_TRUE(test::waitUntil([this] { return server.finished(); }))
        << ::testing::PrintToString(server.transcript());
    const Lines& all = server.transcript();
    auto mail = std::find(all.begin(), all.end(), "C: MAIL FROM:<host@example.org>");
    return Lines(mail, all.end());
  }

  static constexpr const char* kEnvelope[] = {"C: MAIL FROM:<host@example.org>",
                                              "C: RCPT TO:<gone@example.org>",
                                              "C: RCPT TO:<player@example.org>", "C: DATA"};
  static Lines envelopeThen(const Lines& rest) {
    Lines lines(std::begin(kEnvelope), std::end(kEnvelope));
    lines.insert(lines.end(), rest.begin(), rest.end());
    return lines;
  }

  ScriptedSmtpServer server;
  TCustomSmtpClient client;
  SmtpRequests requests;
};

TEST_F(PipeliningTest, TheEnvelopeGoesInOneWriteAndEveryReplyCounts) {
  envelope()
      .line("250 sender ok")
      .line("550 no such user")
      .line("250 recipient ok")
      .line("354 go ahead")
      .expectData()
      .line("250 queued")
      .reply("221 bye");
  ASSERT_EQ(run(&TCustomSmtpClient::Open), (End{rqOpen, 0}));
  EXPECT_EQ(run(&TCustomSmtpClient::Mail), (End{rqMail, 0}));
  ASSERT_EQ(client.RefusedRecipients().size(), 1u);
  EXPECT_EQ(client.RefusedRecipients()[0].address, "gone@example.org");
  EXPECT_EQ(client.AcceptedRecipients(), Lines{"player@example.org"});
  EXPECT_EQ(run(&TCustomSmtpClient::Quit), (End{rqQuit, 0}));
  const Lines lines = fromMail();
  ASSERT_GT(lines.size(), 8u);
  EXPECT_EQ(Lines(lines.begin(), lines.begin() + 8),
            envelopeThen({"S: 250 sender ok", "S: 550 no such user", "S: 250 recipient ok",
                          "S: 354 go ahead"}));
  EXPECT_EQ(Lines(lines.end() - 5, lines.end()),
            (Lines{"C: Your turn.", "C: .", "S: 250 queued", "C: QUIT", "S: 221 bye"}));
}

TEST_F(PipeliningTest, ARefusedSenderEndsTheMessageAndNoRecipientIsBlamed) {
  envelope()
      .line("553 5.7.1 Sender address rejected: not owned by user")
      .line("503 5.5.1 Error: need MAIL command")
      .line("503 5.5.1 Error: need MAIL command")
      .line("503 5.5.1 Error: need RCPT command")
      .reply("250 reset");
  ASSERT_EQ(run(&TCustomSmtpClient::Open), (End{rqOpen, 0}));
  EXPECT_EQ(run(&TCustomSmtpClient::Mail), (End{rqMail, 553}));
  EXPECT_EQ(client.RefusedBy(), TSmtpStep::MailFrom);
  EXPECT_EQ(client.ErrorMessage(), "553 5.7.1 Sender address rejected: not owned by user");
  EXPECT_TRUE(client.RefusedRecipients().empty());
  // Every reply was read: the connection is in step for the next command.
  EXPECT_EQ(run(&TCustomSmtpClient::Rset), (End{rqRset, 0}));
  EXPECT_EQ(fromMail().back(), "S: 250 reset");
}

TEST_F(PipeliningTest, DataTakenForNobodyGetsAnEmptyMessage) {
  envelope()
      .line("250 sender ok")
      .line("550 no such user")
      .line("551 moved")
      .line("354 go ahead")
      .expectLine()
      .line("554 no valid recipients");
  ASSERT_EQ(run(&TCustomSmtpClient::Open), (End{rqOpen, 0}));
  EXPECT_EQ(run(&TCustomSmtpClient::Mail), (End{rqMail, 551}));
  EXPECT_EQ(client.RefusedBy(), TSmtpStep::RcptTo);
  EXPECT_EQ(client.RefusedRecipients().size(), 2u);
  EXPECT_EQ(fromMail(), envelopeThen({"S: 250 sender ok", "S: 550 no such user", "S: 551 moved",
                                      "S: 354 go ahead", "C: .", "S: 554 no valid recipients"}));
}

TEST_F(PipeliningTest, RefusedDataEndsTheMessageWithItsReply) {
  envelope()
      .line("250 sender ok")
      .line("250 ok")
      .line("250 ok")
      .line("554 5.3.4 no thanks")
      .reply("221 bye");
  ASSERT_EQ(run(&TCustomSmtpClient::Open), (End{rqOpen, 0}));
  EXPECT_EQ(run(&TCustomSmtpClient::Mail), (End{rqMail, 554}));
  EXPECT_EQ(client.RefusedBy(), TSmtpStep::Data);
  EXPECT_EQ(run(&TCustomSmtpClient::Quit), (End{rqQuit, 0}));
  EXPECT_EQ(fromMail().size(), 10u) << "no message line after the refused DATA";
}

// A further message on the connection: RSET leads the envelope's write, and its reply is checked
// first; a refused RSET sends nothing of the message and says so.
TEST_F(PipeliningTest, RsetGoesInTheEnvelopesWriteAndIsCheckedFirst) {
  client.ResetBeforeMail = true;
  envelope()
      .expectLine()
      .line("250 2.0.0 Ok")
      .line("250 sender ok")
      .line("250 ok")
      .line("250 ok")
      .line("354 go ahead")
      .expectData()
      .line("250 queued")
      .expectLine()
      .expectLine()
      .expectLine()
      .expectLine()
      .expectLine()
      .line("421 4.4.2 idle too long")
      .line("503 need MAIL")
      .line("503 need MAIL")
      .line("503 need MAIL")
      .line("503 need RCPT")
      .close();
  ASSERT_EQ(run(&TCustomSmtpClient::Open), (End{rqOpen, 0}));
  EXPECT_EQ(run(&TCustomSmtpClient::Mail), (End{rqMail, 0}));
  EXPECT_EQ(run(&TCustomSmtpClient::Mail), (End{rqMail, 421}));
  EXPECT_EQ(client.RefusedBy(), TSmtpStep::Rset);
  EXPECT_TRUE(client.RefusedRecipients().empty());
  ASSERT_TRUE(test::waitUntil([this] { return server.finished(); }));
  const Lines& all = server.transcript();
  const Lines second(std::find(all.begin(), all.end(), "S: 250 queued") + 1, all.end());
  EXPECT_EQ(second, (Lines{"C: RSET", kEnvelope[0], kEnvelope[1], kEnvelope[2], kEnvelope[3],
                           "S: 421 4.4.2 idle too long", "S: 503 need MAIL", "S: 503 need MAIL",
                           "S: 503 need MAIL", "S: 503 need RCPT", "* closed by server"}));
}

// Without PIPELINING the sender's refusal is told apart as well.
TEST(SmtpRefusals, ARefusedSenderIsNamedWithoutPipeliningToo) {
  ScriptedSmtpServer server;
  server.greet().reply("553 5.7.1 not owned by user");
  TCustomSmtpClient client;
  SmtpRequests requests(client);
  client.Host = "127.0.0.1";
  client.Port = std::to_string(server.port());
  client.RcptName = {"player@example.org"};
  ASSERT_EQ(requests.run([&] { client.Open(); }), (End{rqOpen, 0}));
  EXPECT_EQ(requests.run([&] { client.Mail(); }), (End{rqMail, 553}));
  EXPECT_EQ(client.RefusedBy(), TSmtpStep::MailFrom);
}

}  // namespace
}  // namespace zelvaro::net
