// "zelvaro /send" as cron runs it: a process without a display, HOME in a folder of the test's,
// mailing demo games to a real SMTP server (aiosmtpd). Nothing may wait for input, and the exit
// status and standard error must tell whether every game went out.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

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

  void writeSettings(int port) {
    std::filesystem::create_directories(home.file(".config/zelvaro"));
    writeFile(settingsFile, "server,127.0.0.1:" + std::to_string(port) +
                                "\r\nemail,host@nebula.example\r\ndefalias,Nebula Host\r\n"
                                "logging,0\r\nlogfile,\r\noverwrite,0\r\ndatabase," +
                                home.file("game1/players.txt") + "\r\nsplash,0\r\n");
  }

  ProgramRun send(const std::vector<std::string>& games, const char* sendSwitch = "/send") {
    std::vector<std::string> arguments{sendSwitch};
    arguments.insert(arguments.end(), games.begin(), games.end());
    return runProgram(arguments, home.path());
  }

  int messages() const {
    int count = 0;
    while (server.hasMessage(count + 1)) ++count;
    return count;
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
  EXPECT_NE(run.err.find(game1 + ": Player #1: Send failed: 10061"), std::string::npos) << run.err;
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

}  // namespace
}  // namespace zelvaro::test
