// A session keeps one connection for all its messages, RSET between them, and opens another
// only when the server ends the one it has.

#include "send_session_fixture.h"
#include "support/scripted_smtp_server.h"
#include "support/wait.h"

namespace zelvaro::send {
namespace {

class SendSessionConnectionTest : public test::SendSessionFixture {
 protected:
  SendSessionConnectionTest() {
    host.gameValue.attachResults = false;
    for (int player = 1; player <= 16; ++player) {
      addEntry("P" + std::to_string(player), "1", "p" + std::to_string(player) + "@example.org");
    }
    useServer(server.port());
  }

  // The messages of players `first` to `last` on the connection at hand; RSET before each but
  // the connection's first.
  void acceptMessages(int first, int last) {
    for (int player = first; player <= last; ++player) {
      if (player > first) server.reply("250 2.0.0 Ok");
      server.reply("250 sender ok")
          .reply("250 recipient ok")
          .reply("354 go ahead")
          .expectData()
          .line("250 queued as " + std::to_string(player));
    }
  }

  int count(const std::string& line) const {
    const test::Lines& transcript = server.transcript();
    return static_cast<int>(std::count(transcript.begin(), transcript.end(), line));
  }

  void expectEveryoneMailed(SendSession& session) {
    EXPECT_TRUE(session.run()) << testing::PrintToString(session.failures());
    EXPECT_TRUE(test::waitUntil([&] { return server.finished(); }));
    EXPECT_EQ(std::count(host.logWindow.begin(), host.logWindow.end(), "Send complete."), 16);
    for (int player = 1; player <= 16; ++player) {
      EXPECT_TRUE(
          test::inOrder(host.logWindow, {"Recipient:P" + std::to_string(player) + " email(s):p" +
                                             std::to_string(player) + "@example.org",
                                         "Send complete."}));
    }
  }

  test::ScriptedSmtpServer server;
};

TEST_F(SendSessionConnectionTest, SixteenPlayersGoOverOneConnection) {
  server.greet();
  acceptMessages(1, 16);
  server.reply("221 bye").close();
  SendSession session(host, kTiming);
  expectEveryoneMailed(session);
  EXPECT_EQ(count("* connected"), 1);
  EXPECT_EQ(count("C: RSET"), 15);
  EXPECT_EQ(count("C: QUIT"), 1);
  EXPECT_EQ(server.transcript().back(), "* closed by server");
}

TEST_F(SendSessionConnectionTest, ANewConnectionWhenTheServerEndsOne) {
  // The first connection closes after the 5th message; the second refuses the 11th with 421,
  // which is then mailed over a third.
  server.greet();
  acceptMessages(1, 5);
  server.close().greet();
  acceptMessages(6, 10);
  server.reply("250 2.0.0 Ok").reply("421 4.7.0 Too many messages on one connection").close();
  server.greet();
  acceptMessages(11, 16);
  server.reply("221 bye").close();
  SendSession session(host, kTiming);
  expectEveryoneMailed(session);
  EXPECT_EQ(count("* connected"), 3);
  EXPECT_EQ(count("C: QUIT"), 1);
  EXPECT_EQ(count("C: MAIL FROM:<host@example.org>"), 17) << "the 11th once more";
}

// Where the server pipelines, each further message's RSET goes in one write with its envelope: the
// script reads all five lines before it answers any, so a session waiting for RSET's reply on its
// own would stall here.
TEST_F(SendSessionConnectionTest, ResetGoesWithTheEnvelopeWhereTheServerPipelines) {
  host.settingsValue.account.user = "host";
  host.settingsValue.account.passwordCommand = "printf pw";
  server.greetWithLogin("PIPELINING");
  for (int player = 1; player <= 16; ++player) {
    for (int line = player == 1 ? 1 : 0; line < 4; ++line) server.expectLine();
    if (player > 1) server.line("250 2.0.0 Ok");
    server.line("250 sender ok")
        .line("250 recipient ok")
        .line("354 go ahead")
        .expectData()
        .line("250 queued as " + std::to_string(player));
  }
  server.reply("221 bye").close();
  SendSession session(host, kTiming);
  expectEveryoneMailed(session);
  EXPECT_EQ(count("* connected"), 1);
  EXPECT_EQ(count("C: RSET"), 15);
}

}  // namespace
}  // namespace zelvaro::send
