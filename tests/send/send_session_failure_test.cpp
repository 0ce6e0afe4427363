// A failing entry costs that entry alone: it is logged as failed, never as complete, and the
// session goes on with the next one.

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "platform/socketerrors.h"
#include "send/failure_causes.h"
#include "send_session_fixture.h"
#include "support/scripted_smtp_server.h"
#include "support/wait.h"

namespace zelvaro::send {
namespace {

using test::Lines;

// A loopback port where nobody listens.
int closedPort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  ::close(fd);
  return ntohs(address.sin_port);
}

class SendSessionFailureTest : public test::SendSessionFixture {
 protected:
  SendSessionFailureTest() {
    host.gameValue.attachResults = false;
    addEntry("Ann", "1", "ann@example.org");
    addEntry("Bob", "1", "bob@example.org");
    useServer(server.port());
  }

  // Runs the session; Ann's entry fails with `failures`, Bob's is mailed all the same.
  void expectAnnFailedAndBobMailed(SendSession& session, const Lines& failures,
                                   const std::string& annAddresses = "ann@example.org") {
    EXPECT_FALSE(session.run());
    EXPECT_TRUE(server.finished());
    EXPECT_EQ(loggedSteps(), test::concat({{gameLine(), "Sending to:2/2"},
                                           entryLines("Ann", annAddresses, {}),
                                           failures,
                                           entryLines("Bob", "bob@example.org", {}),
                                           {"Send complete."}}));
    EXPECT_TRUE(test::inOrder(server.messageLines(), {"To: bob@example.org"}));
    EXPECT_EQ(host.overall, (std::vector<int>{0, 50, 100, 100}));
    EXPECT_EQ(host.sendEnabled, (std::vector<bool>{false, true}));
    EXPECT_EQ(host.lastGeneratedShown.size(), 1u);
    Lines reported;
    for (const std::string& failure : failures) {
      if (failure != "Send complete.") reported.push_back("Player #1: " + failure);
    }
    EXPECT_EQ(session.failures(), reported) << "an unattended run reports this";
  }

  test::ScriptedSmtpServer server;
};

TEST_F(SendSessionFailureTest, ARefusedConnection) {
  const int port = server.port();
  useServer(closedPort());
  // The next entry reads the server setting afresh: Bob goes to a server that listens.
  host.onLogLine = [&](const std::string& line) {
    if (line.rfind("Send failed:", 0) == 0) useServer(port);
  };
  server.acceptMessage();
  SendSession session(host, kTiming);
  expectAnnFailedAndBobMailed(session, {"Send failed: Connection refused (Winsock error #10061)"});
}

TEST_F(SendSessionFailureTest, ARefusedRecipientKeepsTheConnectionForTheNext) {
  server.greet().reply("250 sender ok").reply("550 no such user").reply("250 2.0.0 Ok");
  server.reply("250 sender ok").reply("250 recipient ok").reply("354 go ahead").expectData();
  server.line("250 queued").reply("221 bye").close();
  SendSession session(host, kTiming);
  expectAnnFailedAndBobMailed(session, {"Recipient refused:\"ann@example.org\" 550 no such user",
                                        "Send failed: 550 no such user"});
  EXPECT_TRUE(test::inOrder(server.transcript(), {"S: 550 no such user", "C: RSET", "C: DATA"}));
  EXPECT_EQ(std::count(server.transcript().begin(), server.transcript().end(), "C: DATA"), 1)
      << "no DATA after a refusal";
}

TEST_F(SendSessionFailureTest, ARefusedAddressBesideAnAcceptedOneIsReported) {
  host.gameValue.roster[0] = core::ContestorEntry::fromFields({"Ann", "1", "gone@x.org;ann@x.org"});
  server.greet()
      .reply("250 sender ok")
      .reply("550 no such user")
      .reply("250 ok")
      .reply("354 go ahead")
      .expectData()
      .line("250 queued")
      .reply("221 bye")
      .close();
  server.acceptMessage();
  SendSession session(host, kTiming);
  expectAnnFailedAndBobMailed(
      session, {"Recipient refused:\"gone@x.org\" 550 no such user", "Send complete."},
      "gone@x.org;ann@x.org");
  EXPECT_TRUE(test::inOrder(server.messageLines(), {"To: gone@x.org,ann@x.org"}));
}

// A server that stops answering would cost every further player as long: the session stops.
TEST_F(SendSessionFailureTest, AServerThatStopsAnsweringStopsTheSession) {
  const Lines stopped = {"Send failed: Connection timed out (Winsock error #10060)",
                         failureCause(platform::WSAETIMEDOUT, "", "").text,
                         "Not mailed: the session stopped at player #1"};
  // Ann's server takes the connection and says nothing, ever.
  server.expectClose();
  SendSession silent(host, {kTiming.pollMs, 300, kTiming.overallResetMs});
  EXPECT_FALSE(silent.run());
  EXPECT_EQ(loggedSteps(), test::concat({{gameLine(), "Sending to:2/2"},
                                         entryLines("Ann", "ann@example.org", {}),
                                         stopped}));
  EXPECT_TRUE(test::waitUntil([&] { return server.finished(); }));

  // Accepted up to DATA, then the server neither reads nor answers.
  server.acceptEnvelope(1).reply("354 go ahead").expectClose();
  SendSession stalled(host, {kTiming.pollMs, 300, kTiming.overallResetMs});
  EXPECT_FALSE(stalled.run());
  EXPECT_EQ(stalled.failures().size(), 3u);
  EXPECT_EQ(stalled.failures().back(), "Player #2: " + stopped.back());
  EXPECT_TRUE(test::waitUntil([&] { return server.finished(); }));
}

TEST_F(SendSessionFailureTest, NoServerSetFailsEveryEntryAtOnce) {
  host.settingsValue.server.clear();
  SendSession session(host, kTiming);
  EXPECT_FALSE(session.run());
  const test::Lines steps = loggedSteps();
  EXPECT_EQ(std::count_if(steps.begin(), steps.end(),
                          [](const std::string& line) {
                            return line.rfind("Send failed: ", 0) == 0 &&
                                   line.ends_with("(Winsock error #10022)");
                          }),
            2)
      << testing::PrintToString(steps);
  EXPECT_EQ(host.overall, (std::vector<int>{0, 50, 100, 100}));
}

TEST_F(SendSessionFailureTest, TheProgramEndingStopsTheSessionInOrder) {
  server.expectClose();
  platform::Timer quit;
  quit.setInterval(200);
  quit.onTick = [&] {
    quit.setEnabled(false);
    platform::setApplicationTerminating(true);
  };
  quit.setEnabled(true);
  SendSession session(host, kTiming);
  EXPECT_FALSE(session.run());
  const test::Lines steps = loggedSteps();
  EXPECT_TRUE(
      test::inOrder(steps, {"Recipient:Ann email(s):ann@example.org",
                            "Send failed: Interrupted system call (Winsock error #10004)"}));
  EXPECT_FALSE(test::inOrder(steps, {"Recipient:Bob email(s):bob@example.org"}));
  EXPECT_EQ(host.sendEnabled, (std::vector<bool>{false, true}));
  platform::setApplicationTerminating(false);
  EXPECT_TRUE(test::waitUntil([&] { return server.finished(); })) << "the connection is closed";
}

TEST_F(SendSessionFailureTest, AnUnwritableLogFileDoesNotStopTheSession) {
  host.settingsValue.logging = true;
  host.settingsValue.logfile = dir.file("missing/session.log");
  server.acceptMessage().acceptMessage();
  SendSession session(host, kTiming);
  EXPECT_TRUE(session.run());
  ASSERT_EQ(recorded().texts().size(), 1u);
  EXPECT_NE(recorded().texts()[0].find(host.settingsValue.logfile), std::string::npos);
  EXPECT_EQ(std::count(host.logWindow.begin(), host.logWindow.end(), "Send complete."), 2);
  EXPECT_EQ(host.sendEnabled, (std::vector<bool>{false, true}));
}

TEST_F(SendSessionFailureTest, TheLogFileKeepsBothSessionsInAppendMode) {
  host.settingsValue.logging = true;
  host.settingsValue.logfile = dir.file("session.log");
  server.acceptMessage().acceptMessage().acceptMessage().acceptMessage();
  SendSession session(host, kTiming);
  ASSERT_TRUE(session.run());
  const Lines first = host.logWindow;
  ASSERT_TRUE(session.run());
  EXPECT_EQ(*core::readAllLines(host.settingsValue.logfile),
            test::concat({{logFileHeader(), ""}, first, host.logWindow}));
}

}  // namespace
}  // namespace zelvaro::send
