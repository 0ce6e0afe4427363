// Send sessions against the tests' scripted SMTP server: what is logged, what crosses the wire,
// the bars and the stamp.

#include <chrono>
#include <regex>

#include "core/game_file.h"
#include "core/text_file.h"
#include "platform/netnames.h"
#include "send_session_fixture.h"
#include "support/scripted_smtp_server.h"
#include "support/wait.h"

namespace zelvaro::send {
namespace {

// Plain sessions greet with this machine's name (its address where it has no qualified one),
// never with the server's.
std::string heloLine() {
  const std::optional<std::string> name = platform::localHostName();
  return "HELO " +
         (name && name->find('.') != std::string::npos ? *name : std::string("[127.0.0.1]"));
}

using test::Lines;

class SendSessionTest : public test::SendSessionFixture {
 protected:
  SendSessionTest() { useServer(server.port()); }

  Lines clientLines() const {
    Lines lines;
    for (const auto& entry : server.transcript()) {
      if (entry.rfind("C: ", 0) == 0) lines.push_back(entry.substr(3));
    }
    return lines;
  }
  size_t count(const std::string& clientLine) const {
    const Lines lines = clientLines();
    return static_cast<size_t>(std::count(lines.begin(), lines.end(), clientLine));
  }

  test::ScriptedSmtpServer server;
  SendSession session{host, kTiming};
};

TEST_F(SendSessionTest, TwoOfThreeSelectedAreMailedAndTheGameIsStamped) {
  addEntry("Ann", "1", "ann@example.org");
  addEntry("Bob", "0", "bob@example.org");
  addEntry("Cid", "1", "cid@example.org");
  writeResultFile(1);
  writeResultFile(3);
  host.gameValue.filePath = dir.file("abc.zv");
  core::writeGameFile(host.gameValue);
  const Lines before = *core::readAllLines(host.gameValue.filePath);
  server.acceptMessage().acceptMessage();

  EXPECT_TRUE(session.run());

  EXPECT_TRUE(server.finished());
  EXPECT_EQ(count("RCPT TO:<ann@example.org>"), 1u);
  EXPECT_EQ(count("RCPT TO:<cid@example.org>"), 1u);
  EXPECT_EQ(count("RCPT TO:<bob@example.org>"), 0u);
  EXPECT_EQ(count(heloLine()), 2u);
  EXPECT_EQ(count("MAIL FROM:<host@example.org>"), 2u);
  EXPECT_EQ(loggedSteps(), test::concat({{gameLine(), "Sending to:2/3"},
                                         entryLines("Ann", "ann@example.org", {resultFile(1)}),
                                         {"Send complete."},
                                         entryLines("Cid", "cid@example.org", {resultFile(3)}),
                                         {"Send complete."}}));
  EXPECT_EQ(host.logWindow.back(), "");
  EXPECT_TRUE(recorded().texts().empty()) << testing::PrintToString(recorded().texts());
  EXPECT_EQ(session.SessionStep(), 50);
  EXPECT_EQ(session.PlayerNumberText(), "3");
  EXPECT_EQ(host.sendEnabled, (std::vector<bool>{false, true}));
  EXPECT_EQ(host.logWindowShown, 1);
  EXPECT_EQ(host.filePosition, 0);

  // The stamp: shown, kept with the game, and line 5 of its file, nothing else changed.
  ASSERT_EQ(host.lastGeneratedShown.size(), 1u);
  const std::string stamp = host.lastGeneratedShown[0];
  EXPECT_TRUE(std::regex_match(stamp, std::regex(".+, [0-9][0-9]:[0-9][0-9]"))) << stamp;
  EXPECT_EQ(host.gameValue.lastGenerated, stamp);
  Lines expected = before;
  expected[5] = stamp;
  EXPECT_EQ(*core::readAllLines(host.gameValue.filePath), expected);

  // The overall bar: a step per mailed entry, full at the end, empty two seconds later.
  EXPECT_EQ(host.overall, (std::vector<int>{0, 50, 100, 100}));
  const auto ended = std::chrono::steady_clock::now();
  ASSERT_TRUE(test::waitUntil([&] { return host.overall.back() == 0; }));
  EXPECT_GE(std::chrono::steady_clock::now() - ended, std::chrono::milliseconds(1500));
  EXPECT_EQ(host.overall.size(), 5u);
}

TEST_F(SendSessionTest, ThreeSelectedStepTheBarBy33) {
  for (const char* name : {"Ann", "Bob", "Cid"}) {
    addEntry(name, "1", std::string(name) + "@example.org");
    server.acceptMessage();
  }
  host.gameValue.attachResults = false;
  EXPECT_TRUE(session.run());
  EXPECT_EQ(session.SessionStep(), 33);
  EXPECT_EQ(host.overall, (std::vector<int>{0, 33, 66, 99, 100}));
}

TEST_F(SendSessionTest, EachWaitEndsWithItsRequestWithoutATick) {
  // The watchdog's timer would first look in an hour: only the requests' own ends move on.
  SendSession untimed(host, {3600000, 30000, kTiming.overallResetMs});
  for (const char* name : {"Ann", "Bob"}) {
    addEntry(name, "1", std::string(name) + "@example.org");
    server.acceptMessage();
  }
  host.gameValue.attachResults = false;
  EXPECT_TRUE(untimed.run());
  EXPECT_TRUE(server.finished());
}

TEST_F(SendSessionTest, TheMessageCarriesTheDatabaseAddressesTheFilesAndTheFilledTemplates) {
  core::Game& game = host.gameValue;
  game.roster.push_back(core::ContestorEntry::blank());
  const std::string notes = dir.file("notes.txt");
  const int slot = addEntry("Bob", "1", "old@example.org", {notes});
  test::writeFile(host.settingsValue.database,
                  "\"Ann\",\"ann@example.org\",\"\"\r\n"
                  "\"Bob\",\"bob1@example.org; bob2@example.org\",\"likes ships\",\"0\"\r\n");
  writeResultFile(slot);
  test::writeFile(dir.file("abc.xy"), test::starsUniverse());
  test::writeFile(notes, "notes");
  game.attachUniverse = true;
  game.alias = "The \"Host\"";
  game.body = {"Hello %P", ".dot", "typed\r\nlines\nas typed", ""};
  server.acceptMessage(2);

  EXPECT_TRUE(session.run());

  EXPECT_TRUE(server.finished());
  EXPECT_EQ(loggedSteps(), test::concat({{gameLine(), "Sending to:1/2"},
                                         entryLines("Bob", "bob1@example.org; bob2@example.org",
                                                    {resultFile(2), dir.file("abc.xy"), notes}),
                                         {"Send complete."}}));
  EXPECT_TRUE(test::inOrder(
      clientLines(), {heloLine(), "MAIL FROM:<host@example.org>", "RCPT TO:<bob1@example.org>",
                      "RCPT TO:<bob2@example.org>", "DATA"}));
  EXPECT_EQ(session.msgmemo(), (Lines{"Hello 2", ".dot", "typed", "lines", "as typed", ""}));
  const Lines message = server.messageLines();
  EXPECT_TRUE(test::inOrder(
      message,
      {"From: \"The \\\"Host\\\"\" <host@example.org>",
       "Comments: This email was sent with Zelvaro.", "To: bob1@example.org,bob2@example.org",
       "Subject: Turn 2405 of abc for player 2", "Hello 2", "..dot", "typed", "lines", "as typed",
       "\tname=\"abc.m2\"", "\tname=\"abc.xy\"", "\tname=\"notes.txt\""}))
      << testing::PrintToString(message);
}

TEST_F(SendSessionTest, AMissingResultFileIsToldOnceAndTheMessageGoesWithoutIt) {
  addEntry("Ann", "1", "ann@example.org");
  server.acceptMessage();
  EXPECT_FALSE(session.run()) << "a player without his result file is no clean send";
  EXPECT_EQ(recorded().texts(), Lines{"File is missing: " + resultFile(1)});
  const Lines steps = loggedSteps();
  EXPECT_EQ(std::count(steps.begin(), steps.end(), "File not found:\"" + resultFile(1) + "\""), 1);
  EXPECT_TRUE(test::inOrder(steps, {"File not found:\"" + resultFile(1) + "\"", "Send complete."}));
  EXPECT_EQ(count("DATA"), 1u);
  EXPECT_TRUE(test::inOrder(server.messageLines(),
                            {"Hello player 1,", "", "your turn of 2405 is attached."}));
}

TEST_F(SendSessionTest, AnEmptyRosterIsRefusedAndNothingIsStamped) {
  host.gameValue.filePath = dir.file("abc.zv");
  core::writeGameFile(host.gameValue);
  const std::string before = test::readFile(host.gameValue.filePath);
  host.monitor = {"old trace"};
  EXPECT_FALSE(session.run());
  EXPECT_EQ(recorded().texts(), Lines{"Send to WHO, bozo??"});
  EXPECT_EQ(host.logWindow.size(), 2u);
  EXPECT_EQ(host.logWindow[1], gameLine());
  EXPECT_TRUE(host.lastGeneratedShown.empty());
  EXPECT_EQ(test::readFile(host.gameValue.filePath), before);
  EXPECT_EQ(host.logWindowShown, 0);
  EXPECT_TRUE(host.monitor.empty());
  EXPECT_EQ(host.sendEnabled, (std::vector<bool>{false, true}));
  EXPECT_TRUE(server.transcript().empty());
}

TEST_F(SendSessionTest, NobodySelectedMailsNothingAndEndsNormally) {
  addEntry("Ann", "0", "ann@example.org");
  addEntry("Bob", "0", "");
  EXPECT_TRUE(session.run());
  EXPECT_EQ(session.SessionStep(), 0);
  EXPECT_EQ(loggedSteps(),
            (Lines{gameLine(), "Sending to:0/2", "Player #2 has no email adress.. what gives?"}));
  EXPECT_EQ(host.overall, (std::vector<int>{0, 100}));
  EXPECT_TRUE(host.lastGeneratedShown.empty()) << "nothing generated for anybody";
  EXPECT_EQ(host.logWindowShown, 1);
  EXPECT_TRUE(server.transcript().empty());
}

TEST_F(SendSessionTest, EmptyAddressItemsNeverBecomeRecipients) {
  host.gameValue.attachResults = false;
  addEntry("Ann", "1", " ; ");
  addEntry("Bob", "1", "bob1@example.org;;bob2@example.org;");
  // Ann's list turns out empty before anything is sent: Bob's message opens the connection.
  server.acceptMessage(2);
  EXPECT_FALSE(session.run());
  EXPECT_TRUE(server.finished());
  EXPECT_TRUE(test::inOrder(
      loggedSteps(), test::concat({entryLines("Ann", " ; ", {}),
                                   {"Player #1 has no email adress.. what gives?"},
                                   entryLines("Bob", "bob1@example.org;;bob2@example.org;", {}),
                                   {"Send complete."}})));
  EXPECT_EQ(count("MAIL FROM:<host@example.org>"), 1u);
  EXPECT_EQ(count("RCPT TO:<>"), 0u);
  EXPECT_TRUE(test::inOrder(clientLines(),
                            {"RCPT TO:<bob1@example.org>", "RCPT TO:<bob2@example.org>", "DATA"}));
  EXPECT_EQ(host.overall, (std::vector<int>{0, 50, 100, 100}));
}

TEST_F(SendSessionTest, AnOddReplyToQuitIsToldAndTheConnectionClosed) {
  host.gameValue.attachResults = false;
  addEntry("Ann", "1", "ann@example.org");
  addEntry("Bob", "1", "bob@example.org");
  // Both messages go over one connection; the server answers QUIT wrongly and keeps it.
  server.acceptEnvelope(1).reply("354 go ahead").expectData().line("250 queued");
  server.reply("250 2.0.0 Ok").reply("250 sender ok").reply("250 recipient ok");
  server.reply("354 go ahead").expectData().line("250 queued");
  server.reply("250 fine, whatever").expectClose();
  EXPECT_TRUE(session.run());
  EXPECT_TRUE(test::waitUntil([&] { return server.finished(); }));
  EXPECT_EQ(recorded().texts(), Lines{"Unexpected server response: 250 fine, whatever"});
  const Lines steps = loggedSteps();
  EXPECT_EQ(std::count(steps.begin(), steps.end(), "Send complete."), 2);
}

TEST_F(SendSessionTest, TheFileBarFollowsTheLengthOfRecentMessages) {
  host.gameValue.attachResults = false;
  addEntry("Ann", "1", "ann@example.org");
  server.acceptMessage();
  host.fileMaximum = 500;
  session.run();
  // The message's trace, less the session's goodbye after it (QUIT and its reply).
  const int lines = static_cast<int>(host.monitor.size()) - 2;
  ASSERT_GT(lines, 5);
  ASSERT_LT(lines, 500);
  EXPECT_EQ(host.fileMaximum, 500 - (500 - lines) / 2);

  host.fileMaximum = 5;
  host.fileMaximums.clear();
  server.acceptMessage();
  session.run();
  EXPECT_EQ(*std::max_element(host.fileMaximums.begin(), host.fileMaximums.end()),
            static_cast<int>(host.monitor.size()))
      << "the maximum rises with the trace at once";
  EXPECT_EQ(host.fileMaximum, static_cast<int>(host.monitor.size()));
}

// With a login the client greets with EHLO, and names this machine there: a server may refuse
// a client that claims the server's own name.
TEST_F(SendSessionTest, ALoginGreetsWithThisMachinesNameNotTheServers) {
  addEntry("Ann", "1", "ann@example.org");
  writeResultFile(1);
  host.settingsValue.account.user = "host";
  host.settingsValue.account.passwordCommand = "echo pw";
  server.line("220 scripted.test")
      .reply("250-scripted.test\r\n250 AUTH PLAIN")
      .reply("235 welcome")
      .reply("250 sender ok")
      .reply("250 recipient ok")
      .reply("354 go")
      .expectData()
      .line("250 ok")
      .reply("221 bye")
      .expectClose();

  EXPECT_TRUE(session.run()) << testing::PrintToString(server.transcript());

  const Lines lines = clientLines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0].rfind("EHLO ", 0), 0u) << lines[0];
  EXPECT_EQ(count("EHLO 127.0.0.1"), 0u);
  EXPECT_EQ(count("AUTH PLAIN AGhvc3QAcHc="), 1u);
}

}  // namespace
}  // namespace zelvaro::send
