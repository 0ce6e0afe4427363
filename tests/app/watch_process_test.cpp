// "zelvaro --watch" as a systemd unit runs it: a process without a display, HOME and the state
// folder in a folder of the test's, mailing to a real SMTP server (aiosmtpd) the turns that
// appear in the game's folder the way a host's generation writes them.

#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "program_run.h"
#include "support/aiosmtpd_server.h"
#include "support/stars_turn.h"
#include "support/temp_dir.h"

namespace zelvaro::test {
namespace {

// Polls for what another process does; false when the time ran out.
bool eventually(const std::function<bool()>& done, int timeoutMs = 30000) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return true;
}

class WatchProcessTest : public testing::Test {
 protected:
  void SetUp() override {
    const std::string command = std::string(ZELVARO_SOURCE_DIR) + "/scripts/make-demo-game '" +
                                home.file("game") + "' --year 2426 >/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
  }

  void writeSettings(int port) {
    std::filesystem::create_directories(home.file(".config/zelvaro"));
    writeFile(home.file(".config/zelvaro/zelvaro.cfg"),
              "server,127.0.0.1:" + std::to_string(port) +
                  "\r\nemail,host@nebula.example\r\ndefalias,Nebula Host\r\nlogging,0\r\n"
                  "logfile,\r\noverwrite,0\r\ndatabase," +
                  home.file("game/players.txt") + "\r\nsplash,0\r\n");
  }

  std::unique_ptr<RunningProgram> watch(const std::map<std::string, std::string>& more = {}) {
    std::map<std::string, std::string> environment{{"XDG_STATE_HOME", home.file("state")}};
    environment.insert(more.begin(), more.end());
    return std::make_unique<RunningProgram>(
        std::vector<std::string>{"--watch", game, "--settle", "1"}, home.path(), environment);
  }

  // A host's generation rewrites each file in place with the next year and its generation
  // counter in the header; the universe file stays as the game created it.
  void generate(const std::string& extension, int year, const std::string& folder = "game") {
    const std::string path = home.file(folder + "/nebula." + extension);
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    ASSERT_TRUE(file) << path;
    const int turn = year - 2400;
    file.seekg(17);
    const int flags = file.get();
    file.seekp(12);
    file.put(static_cast<char>(turn & 0xFF));
    file.put(static_cast<char>(turn >> 8));
    file.seekp(17);
    file.put(static_cast<char>((flags & 0x1F) | starsGeneration(year) << 5));
  }

  int messages() const {
    int count = 0;
    while (server->hasMessage(count + 1)) ++count;
    return count;
  }

  TempDir home;
  const std::string game = home.file("game/nebula.zv");
  std::unique_ptr<AiosmtpdServer> server;
};

TEST_F(WatchProcessTest, MailsEachTurnOnceWhenItsFilesAreFreshAndSettledAcrossRestarts) {
  server = std::make_unique<AiosmtpdServer>();
  writeSettings(server->port());
  const std::string settings = readFile(home.file(".config/zelvaro/zelvaro.cfg"));
  auto run = watch();
  ASSERT_TRUE(eventually([&] { return messages() == 4; })) << run->err();
  EXPECT_EQ(server->message(4, "subject"), "Turn 2426 of Nebula Cup for player 4");

  generate("hst", 2427);
  ASSERT_TRUE(eventually([&] {
    return run->err().find("nebula.zv: 2427: waiting for 4 result files\n") != std::string::npos;
  })) << run->err();
  for (const char* file : {"m1", "m2", "m3"}) generate(file, 2427);
  ASSERT_TRUE(eventually([&] {
    return run->err().find("nebula.zv: 2427: waiting for 1 result file\n") != std::string::npos;
  })) << run->err();
  EXPECT_EQ(messages(), 4) << "half a turn is never mailed";
  generate("m4", 2427);
  ASSERT_TRUE(eventually([&] {
    return run->err().find("nebula.zv: 2427: mailed 4 of 4\n") != std::string::npos;
  })) << run->err();
  EXPECT_EQ(messages(), 8);
  EXPECT_EQ(server->message(5, "subject"), "Turn 2427 of Nebula Cup for player 1");
  EXPECT_EQ(run->stop(SIGTERM, 10000), 0) << run->err();

  auto again = watch();
  ASSERT_TRUE(eventually([&] {
    return again->err().find("nebula.zv: 2427: every player mailed\n") != std::string::npos;
  })) << again->err();
  EXPECT_EQ(again->stop(SIGINT, 10000), 0) << again->err();
  EXPECT_EQ(messages(), 8) << "a restart never mails a turn twice";
  EXPECT_EQ(readFile(home.file(".config/zelvaro/zelvaro.cfg")), settings);
}

TEST_F(WatchProcessTest, AnEntryRefusedFor451IsTriedAgainAndAMissingGameIsWaitedFor) {
  server = std::make_unique<AiosmtpdServer>(std::vector<std::string>{"refuse=1"});
  writeSettings(server->port());
  const std::string later = home.file("later/orion.zv");
  auto run = std::make_unique<RunningProgram>(
      std::vector<std::string>{"--watch", later, game, "--settle", "0"}, home.path(),
      std::map<std::string, std::string>{{"XDG_STATE_HOME", home.file("state")},
                                         {"ZELVARO_TEST_RETRY_MINUTE", "1"}});
  ASSERT_TRUE(eventually([&] { return messages() == 4; })) << run->err();
  const std::string err = run->err();
  EXPECT_NE(err.find("orion.zv: the folder " + home.file("later") + " is missing"),
            std::string::npos)
      << err;
  EXPECT_NE(err.find("nebula.zv: 2426: Player #1: Send failed: 451"), std::string::npos) << err;
  EXPECT_NE(err.find("; next try at "), std::string::npos) << err;
  EXPECT_EQ(server->message(4, "subject"), "Turn 2426 of Nebula Cup for player 1")
      << "the retry comes after the others";
  EXPECT_EQ(run->stop(SIGTERM, 10000), 0) << run->err();
}

// The game file where the host keeps his games, the Stars! files where the game writes them,
// the universe file of 2400 attached as the game created it.
TEST_F(WatchProcessTest, AFifteenthYearGameWithItsFilesApartIsMailedOnceAndItsNextTurnAtOnce) {
  std::filesystem::remove_all(home.file("game"));
  const std::string command = std::string(ZELVARO_SOURCE_DIR) + "/scripts/make-demo-game '" +
                              home.file("turns") + "' --year 2414 >/dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  std::filesystem::create_directories(home.file("game"));
  for (const std::string name : {"nebula.zv", "players.txt"}) {
    std::filesystem::rename(home.file("turns/" + name), home.file("game/" + name));
  }
  server = std::make_unique<AiosmtpdServer>();
  writeSettings(server->port());

  const ProgramRun batch =
      runProgram({"/send", game}, home.path(), {{"XDG_STATE_HOME", home.file("state")}});
  EXPECT_EQ(batch.status, 0) << batch.err;
  ASSERT_EQ(messages(), 4);
  for (int message = 1; message <= 4; ++message) {
    EXPECT_NE(server->message(message, "attachments").find("nebula.xy\n"), std::string::npos);
  }

  auto run = watch();
  ASSERT_TRUE(eventually([&] {
    return run->err().find("nebula.zv: 2414: every player mailed\n") != std::string::npos;
  })) << run->err();
  for (const char* file : {"hst", "m1", "m2", "m3", "m4"}) generate(file, 2415, "turns");
  const auto written = std::chrono::steady_clock::now();
  ASSERT_TRUE(eventually([&] {
    return run->err().find("nebula.zv: 2415: mailed 4 of 4\n") != std::string::npos;
  })) << run->err();
  EXPECT_LT(std::chrono::steady_clock::now() - written, std::chrono::seconds(10))
      << "noticed by the change, not by the rescan a minute later";
  EXPECT_EQ(messages(), 8);
  EXPECT_EQ(server->message(8, "subject"), "Turn 2415 of Nebula Cup for player 4");
  EXPECT_EQ(run->stop(SIGTERM, 10000), 0) << run->err();
}

}  // namespace
}  // namespace zelvaro::test
