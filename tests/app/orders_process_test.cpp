// Taking orders in from cron: "--fetch-orders" over a game's drop folder, and "--status"
// telling a script who is still out.

#include <gtest/gtest.h>

#include <filesystem>

#include "program_run.h"
#include "support/stars_turn.h"
#include "support/temp_dir.h"

namespace zelvaro::test {
namespace {

namespace fs = std::filesystem;

// Orders of the demo game, as its players' copies of the game write them.
std::string demoOrders(int year, int number) {
  return starsOrders(year, number, "orders", false, 0x5A1E7A0C);
}

TEST(OrdersProcess, DropFolderThenStatusTellsWhoIsIn) {
  TempDir home;
  const std::string folder = home.file("game");
  const std::string make = std::string(ZELVARO_SOURCE_DIR) + "/scripts/make-demo-game '" + folder +
                           "' --year 2426 >/dev/null";
  ASSERT_EQ(std::system(make.c_str()), 0);
  const std::string game = folder + "/nebula.zv";

  ProgramRun status = runProgram({"--status", game}, home.path());
  EXPECT_EQ(status.status, 3) << status.err;
  EXPECT_NE(status.out.find("Player  Name            Mailed  Orders  Time\n"), std::string::npos)
      << status.out;
  EXPECT_NE(status.out.find("1       Admiral Vega            out\n"), std::string::npos)
      << status.out;

  fs::create_directories(folder + "/incoming");
  for (int number = 1; number <= 3; ++number) {
    writeFile(folder + "/incoming/orders" + std::to_string(number) + ".bin",
              demoOrders(2426, number));
  }
  writeFile(folder + "/incoming/tobbe.x4", demoOrders(2425, 4));
  // Files just written may still be on their way; the program waits two seconds for them.
  fs::last_write_time(folder + "/incoming",
                      fs::file_time_type::clock::now() - std::chrono::minutes(1));
  for (const auto& entry : fs::directory_iterator(folder + "/incoming")) {
    fs::last_write_time(entry.path(), fs::file_time_type::clock::now() - std::chrono::minutes(1));
  }
  ProgramRun fetch = runProgram({"--fetch-orders", game}, home.path());
  EXPECT_EQ(fetch.status, 0) << fetch.err;
  EXPECT_NE(fetch.out.find("Nebula Cup: orders2.bin from incoming/: accepted, orders of player "
                           "2 for 2426\n"),
            std::string::npos)
      << fetch.out;
  EXPECT_NE(fetch.out.find("tobbe.x4 from incoming/: rejected, these orders were made from "
                           "last year's turn"),
            std::string::npos)
      << fetch.out;
  EXPECT_EQ(readFile(folder + "/nebula.x3"), demoOrders(2426, 3));
  EXPECT_FALSE(fs::exists(folder + "/nebula.x4"));
  EXPECT_TRUE(fs::exists(folder + "/incoming/rejected/tobbe.x4"));

  status = runProgram({"--status", game}, home.path());
  EXPECT_EQ(status.status, 3) << status.out;
  EXPECT_NE(status.out.find("4       Tobbe                   rejected"), std::string::npos)
      << status.out;
  writeFile(folder + "/incoming/tobbe.x4", demoOrders(2426, 4));
  fs::last_write_time(folder + "/incoming/tobbe.x4",
                      fs::file_time_type::clock::now() - std::chrono::minutes(1));
  EXPECT_EQ(runProgram({"--fetch-orders", game}, home.path()).status, 0);
  status = runProgram({"--status", game}, home.path());
  EXPECT_EQ(status.status, 0) << status.out;
  EXPECT_EQ(runProgram({"--fetch-orders", game}, home.path()).out, "") << "nothing left to judge";
}

}  // namespace
}  // namespace zelvaro::test
