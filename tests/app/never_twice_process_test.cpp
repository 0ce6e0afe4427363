// "Never twice" between processes: two runs that meet over one game, runs stopped between the
// server's acceptance and its goodbye, and a journal that cannot be written. Real processes,
// a real server (aiosmtpd), the demo game's four players.

#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <sstream>
#include <thread>

#include "program_run.h"
#include "support/aiosmtpd_server.h"
#include "support/temp_dir.h"

namespace zelvaro::test {
namespace {

bool eventually(const std::function<bool()>& done, int timeoutMs = 60000) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

size_t occurrences(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

class NeverTwiceProcessTest : public testing::Test {
 protected:
  NeverTwiceProcessTest() {
    const std::string command = std::string(ZELVARO_SOURCE_DIR) + "/scripts/make-demo-game '" +
                                home.file("game") + "' --year 2426 >/dev/null";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
  }

  void useServer(const AiosmtpdServer& server) {
    std::filesystem::create_directories(home.file(".config/zelvaro"));
    writeFile(home.file(".config/zelvaro/zelvaro.cfg"),
              "server,127.0.0.1:" + std::to_string(server.port()) +
                  "\r\nemail,host@nebula.example\r\ndefalias,Nebula Host\r\nlogging,0\r\n"
                  "logfile,\r\noverwrite,0\r\ndatabase," +
                  home.file("game/players.txt") + "\r\nsplash,0\r\n");
  }

  std::unique_ptr<RunningProgram> start(const std::vector<std::string>& arguments) {
    return std::make_unique<RunningProgram>(arguments, home.path(), environment);
  }
  ProgramRun send() { return runProgram({"/send", game}, home.path(), environment); }

  std::vector<std::string> journalLines() const {
    std::vector<std::string> lines;
    if (!std::filesystem::exists(journal)) return lines;
    std::istringstream in(readFile(journal));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

  static int messages(const AiosmtpdServer& server) {
    int count = 0;
    while (server.hasMessage(count + 1)) ++count;
    return count;
  }

  TempDir home;
  const std::string game = home.file("game/nebula.zv");
  const std::string journal = home.file("state/zelvaro/journal.tsv");
  const std::string waiting =
      "zelvaro: " + game + ": another Zelvaro is mailing this game; waiting";
  std::map<std::string, std::string> environment{{"XDG_STATE_HOME", home.file("state")}};
};

TEST_F(NeverTwiceProcessTest, TwoSendsStartedTogetherMailEachPlayerOnce) {
  AiosmtpdServer server({"data-delay=0.3"});
  useServer(server);
  auto first = start({"/send", game});
  ProgramRun second = send();
  const int firstStatus = first->wait(60000);
  EXPECT_EQ(firstStatus, 0) << first->err();
  EXPECT_EQ(second.status, 0) << second.err;
  EXPECT_EQ(messages(server), 4);
  EXPECT_EQ(journalLines().size(), 4u);
  EXPECT_EQ(occurrences(first->err() + second.err, "another Zelvaro is mailing this game; waiting"),
            1u)
      << first->err() << second.err;
}

TEST_F(NeverTwiceProcessTest, ASendDuringAWatchMailingWaitsForItAndMailsNobodyAgain) {
  AiosmtpdServer server({"data-delay=0.5"});
  useServer(server);
  auto watch = start({"--watch", game, "--settle", "1"});
  ASSERT_TRUE(eventually([&] { return server.hasMessage(1); })) << watch->err();
  ProgramRun send = this->send();
  EXPECT_EQ(send.status, 0) << send.err;
  EXPECT_EQ(send.err, waiting + "\n");
  EXPECT_EQ(messages(server), 4) << "the watch mailed them all, and nobody twice";
  std::this_thread::sleep_for(std::chrono::seconds(2));
  EXPECT_EQ(messages(server), 4);
  EXPECT_EQ(watch->stop(SIGTERM, 20000), 0);
}

TEST_F(NeverTwiceProcessTest, ARunStoppedBeforeTheGoodbyeHasTheMessageInItsJournal) {
  for (int signal : {SIGKILL, SIGTERM}) {
    SCOPED_TRACE(signal);
    std::filesystem::remove(journal);
    AiosmtpdServer slow({"quit-delay=60"});
    useServer(slow);
    auto run = start({"/send", game});
    ASSERT_TRUE(eventually([&] { return slow.quitsArrived() == 1; })) << run->err();
    const int status = run->stop(signal, 20000);
    EXPECT_EQ(status, signal == SIGKILL ? -1 : 1) << run->err();
    // One connection for the game: QUIT comes after the last message.
    const std::vector<std::string> lines = journalLines();
    ASSERT_EQ(lines.size(), 4u);
    for (const std::string& line : lines) {
      EXPECT_NE(line.find("\tsent\t250 Message accepted for delivery"), std::string::npos) << line;
    }
    EXPECT_NE(lines[0].find("\t1\tvega@example.org\t"), std::string::npos) << lines[0];

    AiosmtpdServer server;
    useServer(server);
    ProgramRun rest = send();
    EXPECT_EQ(rest.status, 0) << rest.err;
    EXPECT_EQ(messages(server), 0) << "every player had his turn";
  }
}

TEST_F(NeverTwiceProcessTest, AJournalOnAFullDiskStopsTheRunWithTheReason) {
  AiosmtpdServer server;
  useServer(server);
  const std::string folder = home.file("state/zelvaro");
  std::filesystem::create_directories(folder);
  // A small file system of its own, filled up; where none can be mounted, a file that cannot
  // grow, which cannot be read either.
  std::string expected;
  const bool mounted =
      std::system(("mount -t tmpfs -o size=16k tmpfs '" + folder + "' 2>/dev/null").c_str()) == 0;
  if (mounted) {
    std::system(("dd if=/dev/zero of='" + folder + "/filler' bs=4k 2>/dev/null").c_str());
  } else {
    std::filesystem::create_symlink("/dev/full", journal);
    expected = "zelvaro: The send journal " + journal +
               " cannot be read; turns mailed before may be mailed again.\n";
  }
  ProgramRun run = send();
  if (mounted) std::system(("umount -l '" + folder + "'").c_str());
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, expected + "zelvaro: Cannot write the send journal " + journal +
                         ": No space left on device; stopped so that no player is mailed "
                         "twice\n");
  EXPECT_EQ(messages(server), 1) << "the first went before the journal failed, nobody after";
}

TEST_F(NeverTwiceProcessTest, ACutShortJournalLineIsSetAsideOnce) {
  AiosmtpdServer server;
  useServer(server);
  ASSERT_EQ(runProgram({"/send", game, "--only", "1"}, home.path(), environment).status, 0);
  const std::string whole = journalLines().at(0);
  // As a full disk leaves it: the start of player 2's line, without its end.
  writeFile(journal, whole + "\n" + whole.substr(0, whole.find("\t1\t")) + "\t2\tvega@");

  ProgramRun first = send();
  EXPECT_EQ(first.status, 1) << "something needed saying";
  const std::string aside = home.file("state/zelvaro/journal.damaged.tsv");
  EXPECT_EQ(first.err, "zelvaro: The send journal " + journal +
                           " had 1 damaged line(s), cut short by a full disk or a stopped run; "
                           "they were moved to " +
                           aside + ".\n");
  EXPECT_EQ(messages(server), 4) << "players 2 to 4";
  EXPECT_EQ(journalLines().size(), 4u);
  EXPECT_EQ(occurrences(readFile(aside), "\n"), 1u);

  ProgramRun second = send();
  EXPECT_EQ(second.status, 0);
  EXPECT_EQ(second.err, "");
  EXPECT_EQ(messages(server), 4);
}

}  // namespace
}  // namespace zelvaro::test
