// The journal as a session writes it: a line the moment the server takes the message, each
// address's outcome, and a journal that cannot be written stopping everything.

#include <cstdlib>
#include <filesystem>

#include "core/send_journal.h"
#include "send_session_fixture.h"
#include "support/scripted_smtp_server.h"
#include "support/wait.h"

namespace zelvaro::send {
namespace {

class SendSessionJournalTest : public test::SendSessionFixture {
 protected:
  SendSessionJournalTest() {
    saved_ = std::getenv("XDG_STATE_HOME");
    setenv("XDG_STATE_HOME", dir.file("state").c_str(), 1);
    host.gameValue.filePath = dir.file("abc.zv");
    host.gameValue.attachResults = false;
    useServer(server.port());
  }
  ~SendSessionJournalTest() override { setenv("XDG_STATE_HOME", saved_.c_str(), 1); }

  std::vector<core::JournalEntry> journal() const {
    core::SendJournal journal;
    EXPECT_EQ(journal.load(), "");
    return journal.entries();
  }

  std::string saved_;
  test::ScriptedSmtpServer server;
};

TEST_F(SendSessionJournalTest, TheEndOfDataReplyIsKeptAndARefusedAddressIsRetriedAlone) {
  addEntry("Ann", "1", "gone@x.org;Ann@x.org");
  // The server takes the message and vanishes without a word to QUIT: Ann has her turn.
  server.greet()
      .reply("250 sender ok")
      .reply("450 4.2.1 mailbox busy")
      .reply("250 ok")
      .reply("354 go ahead")
      .expectData()
      .line("250 2.0.0 Ok: queued as 4QzX1")
      .expectLine()
      .close();
  SendSession first(host, kTiming);
  EXPECT_FALSE(first.run()) << "an address was refused";
  std::vector<core::JournalEntry> lines = journal();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].outcome, "sent");
  EXPECT_EQ(lines[0].recipients, "Ann@x.org");
  EXPECT_EQ(lines[0].lastReply, "250 2.0.0 Ok: queued as 4QzX1");
  EXPECT_EQ(lines[1].outcome, "failed: 450 4.2.1 mailbox busy");
  EXPECT_EQ(lines[1].recipients, "gone@x.org");

  // The next run mails the address still due, and only that one; the one after mails nobody.
  server.greet()
      .reply("250 sender ok")
      .reply("250 ok")
      .reply("354 go ahead")
      .expectData()
      .line("250 2.0.0 Ok: queued as 4QzX2")
      .reply("221 bye")
      .close();
  SendSession second(host, kTiming);
  EXPECT_TRUE(second.run()) << ::testing::PrintToString(second.failures());
  EXPECT_TRUE(
      test::inOrder(server.transcript(), {"C: RCPT TO:<gone@x.org>", "S: 250 ok", "C: DATA"}));
  EXPECT_EQ(
      std::count(server.transcript().begin(), server.transcript().end(), "C: RCPT TO:<Ann@x.org>"),
      1);
  lines = journal();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[2].recipients, "gone@x.org");
  EXPECT_EQ(lines[2].lastReply, "250 2.0.0 Ok: queued as 4QzX2") << "not QUIT's reply";

  SendSession third(host, kTiming);
  EXPECT_TRUE(third.run());
  EXPECT_EQ(third.mailedCount(), 0);
  EXPECT_EQ(journal().size(), 3u);
}

TEST_F(SendSessionJournalTest, AJournalThatCannotBeWrittenStopsTheSession) {
  addEntry("Ann", "1", "ann@x.org");
  addEntry("Bob", "1", "bob@x.org");
  const std::string path = dir.file("state/zelvaro/journal.tsv");
  std::filesystem::create_directories(dir.file("state/zelvaro"));

  // A journal that cannot even be opened: nobody is mailed.
  std::filesystem::create_directory(path);
  SendSession refused(host, kTiming);
  EXPECT_FALSE(refused.run());
  EXPECT_TRUE(server.transcript().empty());
  std::filesystem::remove(path);

  // A full disk under the first line: Ann's message went, Bob's never starts.
  std::filesystem::create_symlink("/dev/full", path);
  server.acceptMessage();
  SendSession full(host, kTiming);
  EXPECT_FALSE(full.run());
  const std::string sentence = "Cannot write the send journal " + path +
                               ": No space left on device; stopped so that no player is mailed "
                               "twice";
  int said = 0;
  for (const auto& entry : recorded().entries) said += entry.text == sentence;
  EXPECT_EQ(said, 1);
  EXPECT_TRUE(test::inOrder(host.logWindow, {sentence}));
  EXPECT_FALSE(test::inOrder(host.logWindow, {"Recipient:Bob email(s):bob@x.org"}));
  EXPECT_TRUE(test::waitUntil([&] { return server.finished(); }));
}

}  // namespace
}  // namespace zelvaro::send
