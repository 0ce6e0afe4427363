// "zelvaro /send" as cron runs it: a process without a display, HOME in a folder of the test's,
// mailing demo games to a real SMTP server (aiosmtpd). Nothing may wait for input, and the exit
// status and standard error must tell whether every game went out.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "program_run.h"
#include "support/aiosmtpd_server.h"
#include "support/temp_dir.h"

namespace zelvaro::test {
namespace {

class BatchProcessTest : public testing::Test {
 protected:
  // A demo game of four players (the fourth with an extra file) for `year`, in its own folder.
  std::string makeGame(const std::string& folder, int year) {
    const std::string outdir = home.file(folder);
    const std::string command = std::string(ZELVARO_SOURCE_DIR) + "/scripts/make-demo-game '" +
                                outdir + "' --year " + std::to_string(year) + " >/dev/null";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return outdir + "/nebula.zv";
  }

  void writeSettings(int port, const std::string& folder = "game1") {
    std::filesystem::create_directories(home.file(".config/zelvaro"));
    writeFile(settingsFile, "server,127.0.0.1:" + std::to_string(port) +
                                "\r\nemail,host@nebula.example\r\ndefalias,Nebula Host\r\n"
                                "logging,0\r\nlogfile,\r\noverwrite,0\r\ndatabase," +
                                home.file(folder + "/players.txt") + "\r\nsplash,0\r\n");
  }

  ProgramRun send(const std::vector<std::string>& games, const char* sendSwitch = "/send") {
    std::vector<std::string> arguments{sendSwitch};
    arguments.insert(arguments.end(), games.begin(), games.end());
    return runProgram(arguments, home.path());
  }

  std::vector<std::string> journalLines() const {
    std::vector<std::string> lines;
    const std::string path = home.file(".local/state/zelvaro/journal.tsv");
    if (!std::filesystem::exists(path)) return lines;
    std::istringstream in(readFile(path));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

  int messages() const {
    int count = 0;
    while (server.hasMessage(count + 1)) ++count;
    return count;
  }

  // The message file as Python's email package reads it: its subject and defects, then each
  // attachment's name and whether its bytes are those of the file in `folder`, then its text.
  std::string readBack(const std::string& eml, const std::string& folder) {
    const std::string script = home.file("read_back.py");
    writeFile(script,
              "import email, email.policy, os, sys\n"
              "m = email.message_from_binary_file(open(sys.argv[1], 'rb'),"
              " policy=email.policy.default)\n"
              "print(m['subject'], len(m.defects))\n"
              "for part in m.iter_attachments():\n"
              "    data = open(os.path.join(sys.argv[2], part.get_filename()), 'rb').read()\n"
              "    print(part.get_filename(), part.get_payload(decode=True) == data)\n"
              "print(m.get_body(('plain',)).get_content(), end='')\n");
    FILE* pipe =
        popen(("python3 '" + script + "' '" + eml + "' '" + folder + "' 2>&1").c_str(), "r");
    std::string text;
    char buffer[256];
    while (pipe != nullptr && fgets(buffer, sizeof buffer, pipe) != nullptr) text += buffer;
    if (pipe != nullptr) pclose(pipe);
    return text;
  }

  TempDir home;
  const std::string settingsFile = home.file(".config/zelvaro/zelvaro.cfg");
  AiosmtpdServer server;
};

TEST_F(BatchProcessTest, EveryGameIsMailedInOrderAndTheSettingsStayAsTheyWere) {
  const std::string game1 = makeGame("game1", 2426);
  const std::string game2 = makeGame("game2", 2431);
  writeSettings(server.port());
  const std::string settingsBefore = readFile(settingsFile);

  ProgramRun run = send({game1, game2});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  ASSERT_EQ(messages(), 8);
  EXPECT_EQ(server.message(1, "subject"), "Turn 2426 of Nebula Cup for player 1");
  EXPECT_EQ(server.message(5, "subject"), "Turn 2431 of Nebula Cup for player 1")
      << "game2 after game1";
  EXPECT_EQ(server.message(8, "attachments"), "nebula.m4\nnebula.xy\nnebula-rules.txt\n");
  EXPECT_EQ(readFile(settingsFile), settingsBefore) << "a batch run writes no settings";
}

TEST_F(BatchProcessTest, AMissingResultFileOrGameFileFailsWithTheReason) {
  const std::string game1 = makeGame("game1", 2426);
  std::filesystem::remove(home.file("game1/nebula.m2"));
  const std::string missing = home.file("nowhere/missing.zv");
  writeSettings(server.port());

  ProgramRun run = send({missing, game1});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("zelvaro: File not found: " + missing + "\n"), std::string::npos)
      << run.err;
  EXPECT_NE(run.err.find("nebula.m2"), std::string::npos) << run.err;
  EXPECT_EQ(messages(), 4) << "the others go out; player 2 without his turn";
}

TEST_F(BatchProcessTest, AnUnreachableServerFailsWithTheReason) {
  const std::string game1 = makeGame("game1", 2426);
  writeSettings(1);  // nobody listens on port 1

  ProgramRun run = send({game1}, "--send");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(
      run.err.find(game1 + ": Player #1: Send failed: Connection refused (Winsock error #10061)"),
      std::string::npos)
      << run.err;
}

TEST_F(BatchProcessTest, AnAddressThatCouldSplitACommandIsNeverSent) {
  const std::string game1 = makeGame("game1", 2426);
  writeFile(home.file("game1/players.txt"),
            "\"Admiral Vega\",\"vega@example.org\rRCPT TO:<evil@example.org>\",\"\"\r\n"
            "\"Captain Orrin\",\"orrin at example.net\",\"\"\r\n");
  writeSettings(server.port());

  ProgramRun run = send({game1});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(
      run.err.find("Player #1: Invalid address: vega@example.org\\x0DRCPTTO:<evil@example.org>"),
      std::string::npos)
      << run.err;
  EXPECT_NE(run.err.find("Player #2: Invalid address: orrinatexample.net"), std::string::npos)
      << run.err;
  ASSERT_EQ(messages(), 2) << "players 3 and 4 are mailed all the same";
  for (int number : {1, 2}) {
    EXPECT_EQ(server.message(number, "envelope").find("evil"), std::string::npos);
  }
}

// A settings folder in the way (a folder named zelvaro.cfg, or a read-only folder without the
// file): said once, the run goes on with the defaults, and the exit status tells.
TEST_F(BatchProcessTest, ASettingsFileThatCannotBeMadeIsSaidAndTheRunGoesOn) {
  const std::string game1 = makeGame("game1", 2426);
  std::filesystem::create_directories(settingsFile);
  ProgramRun run = send({game1});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err.find("zelvaro: Cannot write " + settingsFile + ": Is a directory\n"), 0u)
      << run.err;
  EXPECT_NE(run.err.find(game1 + ": Player #1: Send failed:"), std::string::npos)
      << "mailed with the defaults: " << run.err;
  EXPECT_TRUE(std::filesystem::is_empty(settingsFile)) << "a folder is never written over";
}

TEST_F(BatchProcessTest, AReadOnlySettingsFolderIsSaidAndTheRunGoesOn) {
  const std::string game1 = makeGame("game1", 2426);
  std::filesystem::create_directories(home.file(".config/zelvaro"));
  std::filesystem::permissions(
      home.file(".config/zelvaro"),
      std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  if (::access(home.file(".config/zelvaro").c_str(), W_OK) == 0) {
    GTEST_SKIP() << "running as root: a read-only folder is writable all the same";
  }
  ProgramRun run = send({game1});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err.find("zelvaro: Cannot write " + settingsFile + ": Permission denied\n"), 0u)
      << run.err;
  EXPECT_NE(run.err.find(game1 + ": Player #1: Send failed:"), std::string::npos) << run.err;
}

// Cut after the first of two roster entries, or an entry without an address list: each is said,
// and the players that could be read are mailed.
TEST_F(BatchProcessTest, ADamagedGameFileIsSaidAndWhatCouldBeReadIsMailed) {
  const std::string game = makeGame("game1", 2426);
  writeSettings(server.port());
  std::vector<std::string> lines;
  std::istringstream text(readFile(game));
  for (std::string line; std::getline(text, line);)
    lines.push_back(line.substr(0, line.size() - 1));
  const size_t count = 7 + std::stoul(lines[6]);  // the roster count's line
  auto damaged = [&](const std::string& rosterCount, const std::vector<std::string>& entries) {
    std::string bytes;
    for (size_t i = 0; i < count; ++i) bytes += lines[i] + "\r\n";
    bytes += rosterCount + "\r\n";
    for (const std::string& entry : entries) bytes += entry + "\r\n";
    writeFile(game, bytes);
    ProgramRun run = send({game});
    EXPECT_EQ(run.status, 1);
    const std::string said = "zelvaro: Game file damaged: " + game + ": ";
    const size_t at = run.err.find(said);
    EXPECT_NE(at, std::string::npos) << run.err;
    if (at == std::string::npos) return run.err;
    return run.err.substr(at + said.size(), run.err.find('\n', at) - at - said.size());
  };
  const std::string& first = lines[count + 1];
  EXPECT_EQ(damaged("2", {first}), "the roster count is 2 but the file ends after 1 entry");
  EXPECT_EQ(messages(), 1);
  EXPECT_EQ(damaged("2", {first, "\"Zed\",\"1\""}),
            "roster entry 2 (\"Zed\",\"1\") has fewer than three fields");
  EXPECT_EQ(messages(), 1) << "player 1 has his turn from the run before";
}

// A rewrite goes through a file without a name; a temporary file that a killed run left beside
// the game file is cleared by the next rewrite, one of a process still running is not.
TEST_F(BatchProcessTest, RewritesLeaveNoTemporaryFilesAndClearThoseOfDeadRuns) {
  const std::string game = makeGame("game1", 2426);
  writeSettings(server.port(), "game1");  // a session that mails stamps the game file
  const pid_t dead = fork();
  if (dead == 0) _exit(0);
  waitpid(dead, nullptr, 0);
  const std::string stale = home.file("game1/.nebula.zv.tmp" + std::to_string(dead) + "-1");
  const std::string live = home.file("game1/.nebula.zv.tmp" + std::to_string(getpid()) + "-1");
  writeFile(stale, readFile(game));
  writeFile(live, "in use");
  const std::string before = readFile(game);

  send({game});

  EXPECT_NE(readFile(game), before) << "the session rewrote the game file";
  std::vector<std::string> left;
  for (const auto& entry : std::filesystem::directory_iterator(home.file("game1"))) {
    const std::string name = entry.path().filename().string();
    if (name.find(".tmp") != std::string::npos) left.push_back(entry.path().string());
  }
  EXPECT_EQ(left, std::vector<std::string>{live});
}

TEST_F(BatchProcessTest, AWrongTurnIsRefusedAndNoTurnIsMailedTwice) {
  const std::string game = makeGame("game1", 2426);
  makeGame("old", 2425);
  std::filesystem::copy_file(home.file("old/nebula.m2"), home.file("game1/nebula.m2"),
                             std::filesystem::copy_options::overwrite_existing);
  writeSettings(server.port());

  ProgramRun first = runProgram({"/send", game, "--only", "1,2,3"}, home.path());
  EXPECT_EQ(first.status, 1);
  EXPECT_EQ(first.err, "zelvaro: " + game +
                           ": Player #2: not mailed: nebula.m2 is for 2425, the host file is at "
                           "2426\n");
  ASSERT_EQ(messages(), 2) << "players 1 and 3";
  EXPECT_EQ(server.message(2, "subject"), "Turn 2426 of Nebula Cup for player 3");
  EXPECT_EQ(journalLines().size(), 2u);

  makeGame("game1", 2426);  // the right turn for player 2 now, the others' as they were
  ProgramRun second = send({game});
  EXPECT_EQ(second.status, 0) << second.err;
  EXPECT_EQ(second.err, "");
  EXPECT_EQ(messages(), 4) << "players 2 and 4 only";
  ProgramRun third = send({game});
  EXPECT_EQ(third.status, 0) << third.err;
  EXPECT_EQ(third.err, "");
  EXPECT_EQ(messages(), 4) << "everything was mailed already";

  ProgramRun again = runProgram({"/send", "--again", game}, home.path());
  EXPECT_EQ(again.status, 0) << again.err;
  EXPECT_EQ(messages(), 8);

  makeGame("game1", 2427);
  ProgramRun next = send({game});
  EXPECT_EQ(next.status, 0) << next.err;
  ASSERT_EQ(messages(), 12);
  EXPECT_EQ(server.message(12, "subject"), "Turn 2427 of Nebula Cup for player 4");
  const std::vector<std::string> lines = journalLines();
  ASSERT_EQ(lines.size(), 12u);
  EXPECT_NE(lines.back().find("\t" + game + "\tNebula Cup\t2427\t4\ttobbe@example.org\t"),
            std::string::npos)
      << lines.back();
  EXPECT_NE(lines.back().find("\tsent\t250 Message accepted for delivery"), std::string::npos)
      << lines.back() << ": the server's reply to the message";
}

TEST_F(BatchProcessTest, FilesNamedInCapitalsInAFolderWithXyInItsName) {
  const std::string game = makeGame("my.xyfiles", 2431);
  for (const char* name : {"xy", "hst", "m1", "m2", "m3", "m4"}) {
    std::string upper = std::string("NEBULA.") + name;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    std::filesystem::rename(home.file(std::string("my.xyfiles/nebula.") + name),
                            home.file("my.xyfiles/" + upper));
  }
  std::string text = readFile(game);
  text.replace(text.find("nebula.xy"), 9, "NEBULA.XY");
  writeFile(game, text);
  writeSettings(server.port(), "my.xyfiles");

  ProgramRun run = runProgram({"/send", game, "--only", "1"}, home.path());
  EXPECT_EQ(run.status, 0) << run.err;
  ASSERT_EQ(messages(), 1);
  EXPECT_EQ(server.message(1, "subject"), "Turn 2431 of Nebula Cup for player 1");
  EXPECT_EQ(server.message(1, "attachments"), "NEBULA.M1\nNEBULA.XY\n");
}

TEST_F(BatchProcessTest, TheJournalSurvivesAKillAndTheNextRunMailsTheRest) {
  const std::string game = makeGame("game1", 2426);
  // Turns big enough that the kill after player 2's line comes while player 3's is on its way.
  for (const char* name : {"game1/nebula.m3", "game1/nebula.m4"}) {
    writeFile(home.file(name), readFile(home.file(name)) + std::string(12 << 20, 'x'));
  }
  writeSettings(server.port());

  runProgram({"/send", game}, home.path(), {}, 120000,
             [this] { return journalLines().size() >= 2; });
  const std::vector<std::string> lines = journalLines();
  ASSERT_GE(lines.size(), 2u);
  ASSERT_LT(lines.size(), 4u) << "killed before the end";
  for (const std::string& line : lines) {
    EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 9) << line;
    EXPECT_NE(line.find("\tsent\t"), std::string::npos) << line;
  }
  const int before = messages();

  ProgramRun rest = send({game});
  EXPECT_EQ(rest.status, 0) << rest.err;
  EXPECT_EQ(messages(), before + 4 - static_cast<int>(lines.size()))
      << "a message the server took just before the kill may go twice, never more";
}

TEST_F(BatchProcessTest, ADryRunWritesTheMessagesAsTheyWouldGoAndSendsNothing) {
  const std::string game = makeGame("game1", 2426);
  writeSettings(server.port());
  const std::string folder = home.file("preview");

  writeFile(home.file("afile"), "");
  ProgramRun refused = runProgram({"/send", game, "--dry-run", home.file("afile")}, home.path());
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.err, "zelvaro: Cannot write the messages into " + home.file("afile") +
                             ": Not a directory; name a folder that can be made or written\n");

  // A link named like the first message, and the messages of an earlier, longer preview.
  std::filesystem::create_directories(folder);
  writeFile(home.file("precious.txt"), "keep me");
  std::filesystem::create_symlink(home.file("precious.txt"), folder + "/01-player1.eml");
  for (const char* name : {"/02-player2.eml", "/07-player9.eml", "/notes.txt"}) {
    writeFile(folder + name, "earlier");
  }
  ProgramRun linked = runProgram({"/send", "--dry-run", folder, game}, home.path());
  EXPECT_EQ(linked.status, 1);
  EXPECT_NE(linked.err.find(folder + "/01-player1.eml is a link or something else than a plain "
                                     "file, so it was not written and is left as it is; remove "
                                     "it, or choose another folder"),
            std::string::npos)
      << linked.err;
  EXPECT_EQ(readFile(home.file("precious.txt")), "keep me");
  EXPECT_TRUE(std::filesystem::is_symlink(folder + "/01-player1.eml"));
  EXPECT_FALSE(std::filesystem::exists(folder + "/07-player9.eml")) << "not this preview's";
  EXPECT_NE(readFile(folder + "/02-player2.eml"), "earlier");
  EXPECT_EQ(readFile(folder + "/notes.txt"), "earlier") << "not named like a message";
  std::filesystem::remove(folder + "/01-player1.eml");
  std::filesystem::remove(folder + "/notes.txt");

  ProgramRun dry = runProgram({"/send", "--dry-run", folder, game}, home.path());
  EXPECT_EQ(dry.status, 0) << dry.err;
  EXPECT_EQ(dry.err, "");
  EXPECT_EQ(messages(), 0);
  EXPECT_TRUE(journalLines().empty());
  const std::string first = readBack(folder + "/01-player1.eml", home.file("game1"));
  EXPECT_EQ(
      first.rfind("Turn 2426 of Nebula Cup for player 1 0\nnebula.m1 True\nnebula.xy True\n", 0),
      0u)
      << first;
  const std::string last = readBack(folder + "/04-player4.eml", home.file("game1"));
  EXPECT_EQ(last.rfind("Turn 2426 of Nebula Cup for player 4 0\nnebula.m4 True\nnebula.xy True\n"
                       "nebula-rules.txt True\n",
                       0),
            0u)
      << last;
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 4);

  ProgramRun real = send({game});
  EXPECT_EQ(real.status, 0) << real.err;
  ASSERT_EQ(messages(), 4) << "the dry run journaled nothing";
  std::string mailedText = server.message(4, "text");
  mailedText.erase(std::remove(mailedText.begin(), mailedText.end(), '\r'), mailedText.end());
  ASSERT_GT(mailedText.size(), 20u);
  EXPECT_EQ(last.substr(last.size() - mailedText.size()), mailedText) << "the text as mailed";
}

}  // namespace
}  // namespace zelvaro::test
