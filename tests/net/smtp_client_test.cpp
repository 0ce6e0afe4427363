// The SMTP engine against our scripted server: the exact dialogue, the replies a server may
// give, and every way a request can end.

#include <gtest/gtest.h>

#include <regex>
#include <stdexcept>
#include <string>
#include <vector>

#include "net/smtp_client.h"
#include "platform/socketerrors.h"
#include "support/scripted_smtp_server.h"
#include "support/smtp_requests.h"
#include "support/wait.h"

namespace zelvaro::net {
namespace {

using test::ScriptedSmtpServer;
using test::SmtpRequests;
using Lines = std::vector<std::string>;
using End = SmtpRequests::End;

class SmtpClientTest : public ::testing::Test {
 protected:
  SmtpClientTest() : requests(client) {
    client.Host = "127.0.0.1";
    client.Port = std::to_string(server.port());
    client.SignOn = "host.test";
    client.FromName = " host@example.org ";
    client.RcptName = {"player@example.org"};
    client.HdrFrom = "\"Host\" <host@example.org>";
    client.HdrTo = "player@example.org";
    client.HdrSubject = "Turn 2405";
    client.OnDisplay = [this](TCustomSmtpClient&, const std::string& text) {
      display.push_back(text);
    };
    client.OnCommand = [this](TCustomSmtpClient&, const std::string& text) {
      commands.push_back(text);
    };
    client.OnGetData = [this](TCustomSmtpClient&, int number, char* line, int maxLen, bool& more) {
      if (number > static_cast<int>(body.size())) {
        more = false;
        return;
      }
      const std::string& text = body[static_cast<size_t>(number - 1)];
      if (text == "<throw>") throw std::runtime_error("the body source failed");
      snprintf(line, static_cast<size_t>(maxLen), "%s", text.c_str());
    };
  }

  End open() {
    return requests.run([this] { client.Open(); });
  }
  End mail() {
    return requests.run([this] { client.Mail(); });
  }
  End quit() {
    return requests.run([this] { client.Quit(); });
  }

  void waitForServer() {
    ASSERT_TRUE(test::waitUntil([this] { return server.finished(); }))
        << "the script stopped; transcript so far:\n"
        << ::testing::PrintToString(server.transcript());
  }

  // The transcript with the Date header's value checked and replaced by "<date>".
  Lines transcript() const {
    static const std::regex date(
        "C: Date: (Sun|Mon|Tue|Wed|Thu|Fri|Sat), [1-9][0-9]? "
        "(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) [0-9]{4} [0-9]{2}:[0-9]{2}:[0-9]{2} "
        "[+-][0-9]{4}");
    Lines lines = server.transcript();
    for (std::string& line : lines) {
      if (line.rfind("C: Date: ", 0) != 0) continue;
      EXPECT_TRUE(std::regex_match(line, date)) << line;
      line = "C: Date: <date>";
    }
    return lines;
  }

  static Lines header(const std::string& to = "player@example.org") {
    return {"C: From: \"Host\" <host@example.org>",
            "C: To: " + to,
            "C: Subject: Turn 2405",
            "C: Mime-Version: 1.0",
            "C: Content-Type: text/plain; charset=\"iso-8859-1\"",
            "C: Date: <date>",
            "C: "};
  }

  static Lines join(std::initializer_list<Lines> parts) {
    Lines all;
    for (const Lines& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
  }

  ScriptedSmtpServer server;
  TCustomSmtpClient client;
  SmtpRequests requests;
  Lines display;
  Lines commands;
  Lines body;
};

TEST_F(SmtpClientTest, DeliversAMessageWithTheExactDialogue) {
  server.line("220-scripted.test")
      .line("220-says")
      .line("220 hello")
      .expectLine()
      .line("250-scripted.test")
      .line("250 pleased to meet you")
      .reply("250 sender ok")
      .reply("250 recipient ok")
      .reply("354 go ahead")
      .expectData()
      .line("250 queued")
      .reply("221 bye")
      .close();
  body = {"first line", ".", ".x", "x.", "", "last"};

  EXPECT_EQ(open(), (End{rqOpen, 0}));
  EXPECT_EQ(client.LastResponse(), "250 pleased to meet you");
  EXPECT_EQ(mail(), (End{rqMail, 0}));
  EXPECT_EQ(quit(), (End{rqQuit, 0}));
  EXPECT_EQ(client.LastResponse(), "221 bye");
  waitForServer();
  ASSERT_TRUE(test::waitUntil([this] { return !client.Connected(); }));
  SmtpRequests::settle();
  EXPECT_EQ(requests.ends.size(), 3u) << "exactly one end for the QUIT, also after the close";
  EXPECT_EQ(client.State(), scReady);

  EXPECT_EQ(transcript(),
            join({{"* connected", "S: 220-scripted.test", "S: 220-says", "S: 220 hello",
                   "C: HELO host.test", "S: 250-scripted.test", "S: 250 pleased to meet you",
                   "C: MAIL FROM:<host@example.org>", "S: 250 sender ok",
                   "C: RCPT TO:<player@example.org>", "S: 250 recipient ok", "C: DATA",
                   "S: 354 go ahead"},
                  header(),
                  {"C: first line", "C: ..", "C: ..x", "C: x.", "C: ", "C: last", "C: .",
                   "S: 250 queued", "C: QUIT", "S: 221 bye", "* closed by server"}}));
  EXPECT_EQ(commands, (Lines{"HELO host.test", "MAIL FROM:<host@example.org>",
                             "RCPT TO:<player@example.org>", "DATA", ".", "QUIT"}));
  // Header lines are not shown; body lines are shown as sent; a multi-line reply line by line.
  EXPECT_EQ(display, (Lines{"< 220-scripted.test",
                            "< 220-says",
                            "< 220 hello",
                            "> HELO host.test",
                            "< 250-scripted.test",
                            "< 250 pleased to meet you",
                            "> MAIL FROM:<host@example.org>",
                            "< 250 sender ok",
                            "> RCPT TO:<player@example.org>",
                            "< 250 recipient ok",
                            "> DATA",
                            "< 354 go ahead",
                            "> first line",
                            "> ..",
                            "> ..x",
                            "> x.",
                            "> ",
                            "> last",
                            "> .",
                            "< 250 queued",
                            "> QUIT",
                            "< 221 bye"}));
}

TEST_F(SmtpClientTest, AnEmptyBodyGivesTheHeaderAndTheEndOfData) {
  server.acceptMessage();
  EXPECT_EQ(open(), (End{rqOpen, 0}));
  EXPECT_EQ(mail(), (End{rqMail, 0}));
  EXPECT_EQ(quit(), (End{rqQuit, 0}));
  waitForServer();
  const Lines lines = transcript();
  EXPECT_EQ(Lines(lines.begin() + 9, lines.end()),
            join({{"S: 354 go ahead"},
                  header(),
                  {"C: .", "S: 250 queued", "C: QUIT", "S: 221 bye", "* closed by server"}}));
  EXPECT_EQ(display.at(display.size() - 4), "> .");
}

TEST_F(SmtpClientTest, AcceptedRecipientsGetTheMessageAndRefusedOnesAreKept) {
  // Refused first, then last: either way the one accepted gets the message.
  for (bool refusedFirst : {true, false}) {
    const std::string gone = " gone@example.org", player = "player@example.org";
    const std::string refused = "550 no such user", accepted = "250 ok";
    client.RcptName = refusedFirst ? Lines{gone, player} : Lines{player, gone};
    server.greet()
        .reply("250 ok")
        .reply(refusedFirst ? refused : accepted)
        .reply(refusedFirst ? accepted : refused)
        .reply("354 go")
        .expectData()
        .line("250 queued")
        .reply("221 bye")
        .close();
    // The acceptance is told the moment the end-of-data reply arrives, before the request ends.
    Lines told;
    client.OnMessageAccepted = [&](TCustomSmtpClient& sender, const std::string& reply) {
      told.push_back(reply + " before " + std::to_string(requests.ends.size()) + " ends, to " +
                     sender.AcceptedRecipients().at(0));
    };
    EXPECT_EQ(open(), (End{rqOpen, 0}));
    EXPECT_EQ(mail(), (End{rqMail, 0}));
    EXPECT_EQ(told, Lines{"250 queued before " + std::to_string(requests.ends.size() - 1) +
                          " ends, to " + player});
    EXPECT_EQ(client.AcceptedRecipients(), Lines{player});
    ASSERT_EQ(client.RefusedRecipients().size(), 1u);
    EXPECT_EQ(client.RefusedRecipients()[0].address, "gone@example.org");
    EXPECT_EQ(client.RefusedRecipients()[0].reply, "550 no such user");
    EXPECT_EQ(quit(), (End{rqQuit, 0}));
    waitForServer();
    EXPECT_EQ(server.messageLines().size(), refusedFirst ? 7u : 14u) << "one message more";
    ASSERT_TRUE(test::waitUntil([this] { return !client.Connected(); }));
  }
}

TEST_F(SmtpClientTest, NoRecipientAcceptedSendsNoDataAndLeavesNothingPending) {
  client.RcptName = {"gone@example.org", "left@example.org"};
  server.acceptEnvelope(0).reply("550 no such user").reply("551 moved").reply("221 bye").close();
  EXPECT_EQ(open(), (End{rqOpen, 0}));
  client.OnMessageAccepted = [](TCustomSmtpClient&, const std::string& reply) {
    ADD_FAILURE() << "no recipient took it, yet: " << reply;
  };
  EXPECT_EQ(mail(), (End{rqMail, 551}));
  EXPECT_TRUE(client.AcceptedRecipients().empty());
  EXPECT_EQ(client.ErrorMessage(), "550 no such user");
  EXPECT_EQ(client.RefusedRecipients().size(), 2u);
  // The dropped DATA step must not come back after the next request.
  EXPECT_EQ(quit(), (End{rqQuit, 0}));
  waitForServer();
  SmtpRequests::settle();
  EXPECT_EQ(requests.ends.size(), 3u);
  const Lines lines = transcript();
  EXPECT_EQ(Lines(lines.end() - 4, lines.end()),
            (Lines{"S: 551 moved", "C: QUIT", "S: 221 bye", "* closed by server"}));
}

TEST_F(SmtpClientTest, RefusedDataSendsNoHeader) {
  server.acceptEnvelope().reply("554 no thanks").expectLine().line("221 bye");
  EXPECT_EQ(open(), (End{rqOpen, 0}));
  EXPECT_EQ(mail(), (End{rqMail, 554}));
  EXPECT_EQ(client.ErrorMessage(), "554 no thanks");
  EXPECT_EQ(quit(), (End{rqQuit, 0}));
  waitForServer();
  const Lines lines = transcript();
  EXPECT_EQ(Lines(lines.end() - 4, lines.end()),
            (Lines{"C: DATA", "S: 554 no thanks", "C: QUIT", "S: 221 bye"}));
}

// Runs Open, Mail and Quit as far as they get against a fresh server playing `script` to its
// end, and returns how each request that ran ended, and the error message of the last.
std::vector<End> sessionAgainst(const std::function<void(ScriptedSmtpServer&)>& script,
                                std::string* errorMessage = nullptr) {
  ScriptedSmtpServer server;
  script(server);
  TCustomSmtpClient client;
  SmtpRequests requests(client);
  client.Host = "127.0.0.1";
  client.Port = std::to_string(server.port());
  client.SignOn = "host.test";
  client.RcptName = {"player@example.org"};
  for (auto request :
       {&TCustomSmtpClient::Open, &TCustomSmtpClient::Mail, &TCustomSmtpClient::Quit}) {
    if (requests.run([&] { (client.*request)(); }).error != 0) break;
  }
  SmtpRequests::settle();
  EXPECT_TRUE(test::waitUntil([&] { return server.finished(); }))
      << ::testing::PrintToString(server.transcript());
  if (errorMessage) *errorMessage = client.ErrorMessage();
  return requests.ends;
}

using S = ScriptedSmtpServer;
struct SessionCase {
  const char* what;
  std::function<void(S&)> script;
  std::vector<End> ends;
};

template <size_t N>
void expectSessions(const SessionCase (&cases)[N]) {
  for (const SessionCase& c : cases) EXPECT_EQ(sessionAgainst(c.script), c.ends) << c.what;
}

TEST(SmtpClientReplies, EveryCommandMayBeRefused) {
  const SessionCase cases[] = {
      {"HELO", [](S& s) { s.line("220 hi").reply("501 who are you"); }, {{rqOpen, 501}}},
      {"MAIL", [](S& s) { s.greet().reply("553 not you"); }, {{rqOpen, 0}, {rqMail, 553}}},
      {"end of data",
       [](S& s) { s.acceptEnvelope().reply("354 go").expectData().line("552 too big"); },
       {{rqOpen, 0}, {rqMail, 552}}},
      {"QUIT",
       [](S& s) {
         s.acceptEnvelope().reply("354 go").expectData().line("250 ok").reply("500 what");
       },
       {{rqOpen, 0}, {rqMail, 0}, {rqQuit, 500}}},
      {"a reply of the wrong kind",
       [](S& s) { s.greet().reply("354 go ahead"); },
       {{rqOpen, 0}, {rqMail, 354}}},
  };
  expectSessions(cases);
}

TEST(SmtpClientReplies, TheServerMayCloseAtAnyPoint) {
  const SessionCase cases[] = {
      {"before the greeting", [](S& s) { s.close(); }, {{rqOpen, 10004}}},
      {"after HELO", [](S& s) { s.line("220 hi").expectLine().close(); }, {{rqOpen, 10004}}},
      {"after MAIL", [](S& s) { s.greet().expectLine().close(); }, {{rqOpen, 0}, {rqMail, 10004}}},
      {"after RCPT",
       [](S& s) { s.greet().reply("250 ok").expectLine().close(); },
       {{rqOpen, 0}, {rqMail, 10004}}},
      {"after DATA",
       [](S& s) { s.acceptEnvelope().expectLine().close(); },
       {{rqOpen, 0}, {rqMail, 10004}}},
      {"after the end of data",
       [](S& s) { s.acceptEnvelope().reply("354 go").expectData().close(); },
       {{rqOpen, 0}, {rqMail, 10004}}},
      {"after QUIT without a reply",
       [](S& s) {
         s.acceptEnvelope().reply("354 go").expectData().line("250 ok").expectLine().close();
       },
       {{rqOpen, 0}, {rqMail, 0}, {rqQuit, 10004}}},
  };
  expectSessions(cases);
}

TEST(SmtpClientReplies, ALineThatIsNoReplyEndsTheRequestAndTheConnection) {
  const std::string notReplies[] = {"",
                                    "abc",
                                    std::string("\0"
                                                "250 ok",
                                                7),
                                    "250ok",
                                    "ok thanks",
                                    "65536 rejected"};
  for (const std::string& line : notReplies) {
    std::string error;
    EXPECT_EQ(sessionAgainst([&](S& s) { s.line(line).expectClose(); }, &error),
              (std::vector<End>{{rqOpen, notAnSmtpReply}}))
        << "greeting " << line;
    // Where such a line once passed for the server taking the message.
    EXPECT_EQ(
        sessionAgainst(
            [&](S& s) { s.acceptEnvelope().reply("354 go").expectData().line(line).expectClose(); },
            &error),
        (std::vector<End>{{rqOpen, 0}, {rqMail, notAnSmtpReply}}))
        << "end of data " << line;
    EXPECT_EQ(error.rfind("Not an SMTP reply: \"", 0), 0u) << error;
  }
  std::string error;
  sessionAgainst(
      [](S& s) {
        s.send(std::string("\0"
                           "250 ok\r\n",
                           9))
            .expectClose();
      },
      &error);
  EXPECT_EQ(error, "Not an SMTP reply: \"\\x00250 ok\" (error #30014)");
}

TEST_F(SmtpClientTest, AReplyMayTakeOnlySoLongAndSoManyLines) {
  client.ReplyTimeLimitMs = 400;
  std::string longest;
  for (int i = 1; i < 1000; ++i) longest += "250-line\r\n";
  // Each reply has its own time: two slow ones pass, and so does the longest allowed.
  server.line("220-slow")
      .pause(250)
      .line("220 greeting")
      .expectLine()
      .send(longest)
      .pause(250)
      .line("250 last")
      .expectLine()
      .send(longest + "250-one too many\r\n")
      .expectClose();
  EXPECT_EQ(open(), (End{rqOpen, 0}));
  EXPECT_EQ(requests.run([this] { client.Rset(); }), (End{rqRset, replyTooLong}));
  EXPECT_EQ(client.ErrorMessage(), "Reply too long (error #30012)");
  waitForServer();
  // Lines that trickle in each well within the time, but never end the reply.
  server.greet().expectLine();
  server.line("250-still thinking").pause(300).line("250-still thinking").pause(300).expectClose();
  EXPECT_EQ(open(), (End{rqOpen, 0}));
  EXPECT_EQ(requests.run([this] { client.Rset(); }), (End{rqRset, 10060}));
  EXPECT_EQ(client.ErrorMessage(), "Connection timed out (Winsock error #10060)");
  waitForServer();
  EXPECT_FALSE(client.Connected());
}

TEST_F(SmtpClientTest, MisuseIsRefusedAndChangesNothing) {
  // Quit without a connection ends at once, successfully, without a byte on the wire.
  EXPECT_EQ(quit(), (End{rqQuit, 0}));
  EXPECT_THROW(
      {
        try {
          client.Mail();
        } catch (const SmtpException& e) {
          EXPECT_STREQ(e.what(), "SMTP component not connected");
          throw;
        }
      },
      SmtpException);
  EXPECT_EQ(client.State(), scReady);

  server.greet();
  EXPECT_EQ(open(), (End{rqOpen, 0}));
  auto expectRefusal = [](const std::function<void()>& request, const char* text) {
    try {
      request();
      ADD_FAILURE() << "no exception, expected " << text;
    } catch (const SmtpException& e) {
      EXPECT_STREQ(e.what(), text);
    }
  };
  expectRefusal([this] { client.Open(); }, "SMTP component already connected");
  expectRefusal([this] { client.Connect(); }, "SMTP component already connected");
  client.RcptName.clear();
  expectRefusal([this] { client.RcptTo(); }, "RcptName list is empty");
  client.Rset();  // outstanding until the server answers, which it will not
  expectRefusal([this] { client.Mail(); }, "SMTP component not ready");
  expectRefusal([this] { client.Quit(); }, "SMTP component not ready");
  expectRefusal([this] { client.Helo(); }, "SMTP component not ready");
  EXPECT_EQ(requests.ends.size(), 2u);
}

TEST_F(SmtpClientTest, AnEmptyRecipientListMetInsideMailEndsTheRequest) {
  client.RcptName.clear();
  server.greet().reply("250 ok");
  EXPECT_EQ(open(), (End{rqOpen, 0}));
  EXPECT_EQ(mail(), (End{rqMail, 10022}));
  EXPECT_EQ(client.ErrorMessage(), "RcptName list is empty");
  EXPECT_EQ(client.State(), scReady);
}

TEST_F(SmtpClientTest, RepliesMayComeSlowlyOrByteByByteOrBare) {
  server.pause(150)
      .sendByteByByte("220 slow\r\n")
      .expectLine()
      .pause(150)
      .sendByteByByte("250-a\r\n250 b\r\n")
      .expectLine()
      .line("250")
      .expectLine()
      .send("25")
      .pause(50)
      .send("0 split\r\n");
  EXPECT_EQ(open(), (End{rqOpen, 0}));
  EXPECT_EQ(client.LastResponse(), "250 b");
  EXPECT_EQ(requests.run([this] { client.MailFrom(); }), (End{rqMailFrom, 0}));
  EXPECT_EQ(client.LastResponse(), "250");
  EXPECT_EQ(requests.run([this] { client.Rset(); }), (End{rqRset, 0}));
  EXPECT_EQ(client.LastResponse(), "250 split");
}

TEST_F(SmtpClientTest, AReplyLineFillingTheBufferIsReadAndALongerOneEndsTheConversation) {
  const std::string longest = "250 " + std::string(4089, 'x');
  ASSERT_EQ(longest.size(), 4093u);
  server.greet().reply(longest).expectLine().send("250 " + std::string(5000, 'y')).expectClose();
  EXPECT_EQ(open(), (End{rqOpen, 0}));
  EXPECT_EQ(requests.run([this] { client.Vrfy(); }), (End{rqVrfy, 0}));
  EXPECT_EQ(client.LastResponse(), longest);
  EXPECT_EQ(requests.run([this] { client.Rset(); }), (End{rqRset, replyLineTooLong}));
  EXPECT_EQ(client.LastResponse(), "Reply line too long (error #30013)");
  EXPECT_EQ(client.ErrorMessage(), client.LastResponse());
  waitForServer();
  EXPECT_FALSE(client.Connected());
  SmtpRequests::settle();
  EXPECT_EQ(requests.ends.size(), 3u);
}

TEST_F(SmtpClientTest, ARefusedGreetingClosesTheConnection) {
  server.line("554-not today").line("554 go away").expectClose();
  EXPECT_EQ(open(), (End{rqOpen, 10004}));
  EXPECT_EQ(client.ErrorMessage(), "554 go away");
  EXPECT_EQ(client.LastResponse(), "554 go away");
  waitForServer();
  EXPECT_FALSE(client.Connected());
}

TEST_F(SmtpClientTest, ARefusedConnectionIsReportedWithTheSocketError) {
  {
    ScriptedSmtpServer closed;  // a port that was free a moment ago and is free again
    client.Port = std::to_string(closed.port());
  }
  EXPECT_EQ(open(), (End{rqOpen, 10061}));
  EXPECT_EQ(client.LastResponse(), "Connection refused (Winsock error #10061)");
  EXPECT_EQ(client.ErrorMessage(), client.LastResponse());
  EXPECT_EQ(client.State(), scReady);
  EXPECT_FALSE(client.Connected());
  // Ready for another try.
  client.Port = std::to_string(server.port());
  server.greet();
  EXPECT_EQ(open(), (End{rqOpen, 0}));
}

TEST_F(SmtpClientTest, AFailedLookupIsReportedWithTheSocketError) {
  client.Host = "no-such-host.invalid";
  const End end = open();
  EXPECT_EQ(end.request, rqOpen);
  EXPECT_TRUE(end.error == 11001 || end.error == 11002 || end.error == 11004) << end.error;
  EXPECT_EQ(client.LastResponse(), platform::SocketErrorText(end.error) + " (Winsock error #" +
                                       std::to_string(end.error) + ")");
  EXPECT_EQ(client.State(), scReady);
}

TEST_F(SmtpClientTest, AnUnusablePortEndsTheRequestInsteadOfEscaping) {
  client.Port = "no-such-service";
  const End end = open();
  EXPECT_EQ(end, (End{rqOpen, 10022}));
  EXPECT_NE(client.ErrorMessage().find("no-such-service"), std::string::npos)
      << client.ErrorMessage();
  // Our own failure in words with its number, never dressed up as a server's "500".
  EXPECT_TRUE(client.ErrorMessage().ends_with(" (Winsock error #10022)")) << client.ErrorMessage();
  EXPECT_NE(client.ErrorMessage().rfind("500", 0), 0u);
  EXPECT_EQ(client.State(), scReady);
}

TEST_F(SmtpClientTest, AnEmptyHostRaisesAndLeavesTheClientReady) {
  client.Host = "";
  EXPECT_ANY_THROW(client.Open());
  EXPECT_EQ(client.State(), scReady);
  client.Host = "127.0.0.1";
  server.greet();
  EXPECT_EQ(open(), (End{rqOpen, 0}));
}

TEST_F(SmtpClientTest, AConnectionLostDuringDataEndsTheRequest) {
  body.assign(2000, std::string(70, 'b'));
  server.acceptEnvelope().reply("354 go").expectLine().expectLine().close();
  EXPECT_EQ(open(), (End{rqOpen, 0}));
  EXPECT_EQ(mail(), (End{rqMail, 10004}));
  EXPECT_FALSE(client.Connected());
  EXPECT_EQ(client.State(), scReady);
  SmtpRequests::settle();
  EXPECT_EQ(requests.ends.size(), 2u);
}

TEST_F(SmtpClientTest, AFailingBodySourceAbortsInsteadOfEndingTheMessage) {
  body = {"one", "two", "<throw>", "four"};
  server.acceptEnvelope().reply("354 go").expectClose();
  EXPECT_EQ(open(), (End{rqOpen, 0}));
  EXPECT_EQ(mail(), (End{rqMail, 10053}));
  EXPECT_EQ(client.ErrorMessage(), "the body source failed");
  waitForServer();
  const Lines lines = transcript();
  EXPECT_EQ(Lines(lines.end() - 3, lines.end()), (Lines{"C: one", "C: two", "* closed by client"}));
  SmtpRequests::settle();
  EXPECT_EQ(requests.ends.size(), 2u);
}

TEST_F(SmtpClientTest, AbortEndsARequestInProgressOnce) {
  server.expectClose();  // the server never greets
  client.Open();
  ASSERT_TRUE(test::waitUntil([this] { return client.Connected(); }));
  client.Abort();
  EXPECT_EQ(client.State(), scReady);
  ASSERT_TRUE(test::waitUntil([this] { return !requests.ends.empty(); }));
  EXPECT_EQ(requests.ends.front(), (End{rqOpen, 10004}));
  waitForServer();
  SmtpRequests::settle();
  EXPECT_EQ(requests.ends.size(), 1u);
  client.Abort();  // nothing in progress: nothing reported
  SmtpRequests::settle();
  EXPECT_EQ(requests.ends.size(), 1u);
}

TEST_F(SmtpClientTest, HeaderValuesCannotAddLinesAndLongHeadersAreFolded) {
  client.HdrSubject = "Turn 5\r\nBcc: victim@example.org";
  std::string to;
  for (int i = 0; i < 80; ++i)
    to += (i ? "," : "") + std::string("p") + std::to_string(i) + "@example.org";
  client.HdrTo = to;
  body = {"a\r\n.b\nc\rd"};
  server.acceptMessage();
  EXPECT_EQ(open(), (End{rqOpen, 0}));
  EXPECT_EQ(mail(), (End{rqMail, 0}));
  EXPECT_EQ(quit(), (End{rqQuit, 0}));
  waitForServer();
  const Lines message = server.messageLines();
  // The To header comes in several lines of at most 78 characters and keeps every address.
  std::string unfolded = message[1];
  size_t next = 2;
  for (; next < message.size() && message[next][0] == ' '; ++next) {
    EXPECT_LE(message[next].size(), 78u);
    unfolded += message[next];
  }
  EXPECT_GT(next, 3u);
  EXPECT_EQ(message[next], "Subject: Turn 5  Bcc: victim@example.org");
  std::string spaced = "To: " + to;
  EXPECT_EQ(std::regex_replace(unfolded, std::regex(", "), ","), spaced);
  // A body line with line breaks of its own goes out as separate lines, each dot-stuffed.
  EXPECT_EQ(Lines(message.end() - 4, message.end()), (Lines{"a", "..b", "c", "d"}));
}

TEST_F(SmtpClientTest, HeloNamesThisMachineWithoutASignOn) {
  client.SignOn.clear();
  server.greet();
  EXPECT_EQ(open(), (End{rqOpen, 0}));
  waitForServer();
  const std::string helo = transcript()[2];
  EXPECT_EQ(helo.rfind("C: HELO ", 0), 0u);
  EXPECT_GT(helo.size(), 8u);
}

TEST_F(SmtpClientTest, RequestDoneComesAfterTheHandlerThatEndedTheRequest) {
  server.greet();
  bool insideConnect = false;
  client.OnSessionConnected = [&](TCustomSmtpClient&, std::uint16_t) {
    insideConnect = true;
    EXPECT_TRUE(requests.ends.empty());
  };
  EXPECT_EQ(requests.run([this] { client.Connect(); }), (End{rqConnect, 0}));
  EXPECT_TRUE(insideConnect);
  // A handler of OnRequestDone may start the next request at once.
  client.OnRequestDone = [&](TCustomSmtpClient& sender, TSmtpRequest request, int error) {
    requests.ends.push_back({request, error});
    if (request == rqHelo) sender.Quit();
  };
  server.expectLine().line("221 bye");
  client.Helo();
  ASSERT_TRUE(test::waitUntil([this] { return requests.ends.size() == 3; }));
  EXPECT_EQ(requests.ends[1], (End{rqHelo, 0}));
  EXPECT_EQ(requests.ends[2], (End{rqQuit, 0}));
}

}  // namespace
}  // namespace zelvaro::net
