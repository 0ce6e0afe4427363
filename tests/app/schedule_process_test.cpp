// A game left to run by itself: "zelvaro --watch" with a deadline of seconds, orders coming in
// through the drop folder, and a stand-in for the game program generating the next turn.

#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>

#include "program_run.h"
#include "support/aiosmtpd_server.h"
#include "support/stars_turn.h"
#include "support/temp_dir.h"

namespace zelvaro::test {
namespace {

namespace fs = std::filesystem;

bool eventually(const std::function<bool()>& done, int timeoutMs = 40000) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return true;
}

class ScheduleProcessTest : public testing::Test {
 protected:
  void SetUp() override {
    const std::string command = std::string(ZELVARO_SOURCE_DIR) + "/scripts/make-demo-game '" +
                                folder + "' --year 2426 >/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    server = std::make_unique<AiosmtpdServer>();
    fs::create_directories(home.file(".config/zelvaro"));
    writeFile(home.file(".config/zelvaro/zelvaro.cfg"),
              "server,127.0.0.1:" + std::to_string(server->port()) +
                  "\r\nemail,host@nebula.example\r\ndefalias,Nebula Host\r\nlogging,1\r\n"
                  "logfile," +
                  home.file("zelvaro.log") + "\r\noverwrite,0\r\ndatabase," + folder +
                  "/players.txt\r\nsplash,0\r\n");
  }

  // The stand-in game program, failing while the file "fail" lies in the game's folder.
  void writeRules(const std::string& deadline, const std::string& reminders,
                  const std::string& when) {
    writeFile(game + ".rules",
              "deadline," + deadline + "\r\nreminders," + reminders + "\r\ngeneratewhen," + when +
                  "\r\ngrace,0\r\ngeneratecommand,echo run >> tries; test ! -e fail && "
                  "/usr/bin/python3 " ZELVARO_TESTS_DIR "/support/fake_stars_generate.py %H\r\n");
  }

  std::unique_ptr<RunningProgram> watch() {
    return std::make_unique<RunningProgram>(
        std::vector<std::string>{"--watch", game, "--settle", "1"}, home.path(),
        std::map<std::string, std::string>{{"XDG_STATE_HOME", home.file("state")}});
  }

  // Orders as the players' copies of the game write them, taken in as cron would.
  void ordersIn(const std::vector<int>& players) {
    fs::create_directories(folder + "/incoming");
    for (int number : players) {
      const std::string path = folder + "/incoming/orders" + std::to_string(number) + ".x";
      writeFile(path, starsOrders(2426, number, "orders", false, 0x5A1E7A0C));
      fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::minutes(1));
    }
    const ProgramRun fetch =
        runProgram({"--fetch-orders", game}, home.path(), {{"XDG_STATE_HOME", home.file("state")}});
    ASSERT_EQ(fetch.status, 0) << fetch.err;
  }

  int lines(const std::string& path) const {
    std::ifstream log(path);
    int count = 0;
    for (std::string line; std::getline(log, line);) ++count;
    return count;
  }

  int messages() const {
    int count = 0;
    while (server->hasMessage(count + 1)) ++count;
    return count;
  }

  bool said(const RunningProgram& run, const std::string& text) const {
    return run.err().find(text) != std::string::npos;
  }

  TempDir home;
  const std::string folder = home.file("game");
  const std::string game = folder + "/nebula.zv";
  std::unique_ptr<AiosmtpdServer> server;
};

TEST_F(ScheduleProcessTest, WhenAllAreInTheNextTurnIsGeneratedAndMailedOnceAcrossARestart) {
  writeRules("after 1", "", "allin");
  auto run = watch();
  ASSERT_TRUE(eventually([&] { return said(*run, "nebula.zv: 2426: every player mailed\n"); }))
      << run->err();
  ordersIn({1, 2, 3});
  ordersIn({4});
  ASSERT_TRUE(eventually([&] { return said(*run, "nebula.zv: 2427: mailed 4 of 4\n"); }))
      << run->err();
  EXPECT_TRUE(said(*run, "2426: generating the next turn (every player is in)\n")) << run->err();
  EXPECT_EQ(messages(), 8);
  EXPECT_EQ(server->message(8, "subject"), "Turn 2427 of Nebula Cup for player 4");
  EXPECT_NE(readFile(home.file("zelvaro.log")).find("fake generate: year 2427 written"),
            std::string::npos)
      << "its output is in the log";
  EXPECT_EQ(run->stop(SIGTERM, 10000), 0) << run->err();

  auto again = watch();
  ASSERT_TRUE(eventually([&] { return said(*again, "nebula.zv: 2427: every player mailed\n"); }))
      << again->err();
  EXPECT_EQ(again->stop(SIGTERM, 10000), 0) << again->err();
  EXPECT_EQ(lines(folder + "/tries"), 1);
  EXPECT_EQ(messages(), 8);

  const ProgramRun status = runProgram({"--status", game, "--html", home.file("page.html")},
                                       home.path(), {{"XDG_STATE_HOME", home.file("state")}});
  EXPECT_EQ(status.status, 3) << status.err;
  EXPECT_NE(status.out.find("\nDeadline: "), std::string::npos) << status.out;
  EXPECT_NE(status.out.find(" (59 minutes)\n"), std::string::npos) << status.out;
  EXPECT_NE(readFile(home.file("page.html")).find("Last generation: "), std::string::npos);
}

TEST_F(ScheduleProcessTest, RemindersToThoseOutThenAtTheDeadlineAFailedGenerationSaidOnce) {
  writeRules("after 0.002", "0.001", "deadline");
  writeFile(folder + "/fail", "");
  ordersIn({1});
  auto run = watch();
  ASSERT_TRUE(eventually([&] { return said(*run, "2426: generating the next turn failed (exit"); }))
      << run->err();
  ASSERT_TRUE(eventually([&] { return messages() == 10; })) << run->err();
  std::multiset<std::string> reminded;
  for (int message = 5; message <= 8; ++message) {
    EXPECT_EQ(server->message(message, "subject")
                  .rfind("Reminder: your orders for Nebula Cup 2426 "
                         "are due ",
                         0),
              0u);
    reminded.insert(server->message(message, "to"));
  }
  EXPECT_EQ(reminded, (std::multiset<std::string>{"kessa@example.com", "moor.kessa@example.org",
                                                  "orrin@example.net", "tobbe@example.org"}))
      << "each address of those still out, once";
  EXPECT_EQ(server->message(9, "to"), "host@nebula.example");
  EXPECT_NE(server->message(9, "text").find("Still out: Player #2 (Captain Orrin), Player #3"),
            std::string::npos)
      << server->message(9, "text");
  EXPECT_EQ(server->message(10, "subject"), "Nebula Cup 2426: generating the next turn failed");
  std::this_thread::sleep_for(std::chrono::seconds(3));
  EXPECT_EQ(lines(folder + "/tries"), 1) << "not tried again before a change";
  EXPECT_EQ(messages(), 10);

  fs::remove(folder + "/fail");
  writeFile(game, readFile(game));
  ASSERT_TRUE(eventually([&] { return said(*run, "nebula.zv: 2427: mailed 4 of 4\n"); }))
      << run->err();
  EXPECT_EQ(lines(folder + "/tries"), 2);
  EXPECT_EQ(messages(), 14);
  EXPECT_EQ(run->stop(SIGTERM, 10000), 0) << run->err();
}

}  // namespace
}  // namespace zelvaro::test
