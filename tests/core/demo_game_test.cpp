// The demo game that "make demo" mails is made by scripts/make-demo-game; the program must
// accept every file of it the way it accepts a real game's.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "core/game_file.h"
#include "core/player_database.h"
#include "core/stars_files.h"
#include "core_test.h"

namespace zelvaro::core {
namespace {

class DemoGame : public CoreTest {
 protected:
  void make(const std::string& arguments) {
    std::string command = std::string(ZELVARO_TESTS_DIR) + "/../scripts/make-demo-game " +
                          dir.path() + " " + arguments + " >/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
  }
};

TEST_F(DemoGame, EveryStarsFileHasAValidHeaderAndTheHostFileGivesTheYear) {
  make("--year 2431");
  StarsHeader header;
  for (const char* name :
       {"nebula.xy", "nebula.hst", "nebula.m1", "nebula.m2", "nebula.m3", "nebula.m4"}) {
    EXPECT_TRUE(header.check(dir.file(name))) << name << " lacks the validity mark";
    EXPECT_EQ(header.year(), 2431) << name;
    EXPECT_GT(std::filesystem::file_size(dir.file(name)), StarsHeader::Size) << name;
  }
}

TEST_F(DemoGame, TheGameFileReadsAsAFourPlayerGameWhoseFilesAllExist) {
  make("");
  Game game;
  game.filePath = dir.file("nebula.zv");
  StarsHeader header;
  ASSERT_TRUE(readGameFile(game, header));
  EXPECT_EQ(shown(), std::vector<std::string>{}) << "no complaint about the host file";
  EXPECT_EQ(game.name, "Nebula Cup");
  EXPECT_EQ(game.year, 2426) << "the default year";
  EXPECT_EQ(game.basePath, dir.file("nebula."));
  EXPECT_TRUE(game.attachResults && game.attachUniverse);
  ASSERT_EQ(game.roster.size(), 4u);
  PlayerDatabase database(dir.file("players.txt"));
  for (size_t i = 0; i < game.roster.size(); ++i) {
    const ContestorEntry& entry = game.roster[i];
    EXPECT_TRUE(entry.sending()) << entry.text();
    EXPECT_TRUE(std::filesystem::exists(resultFileOf(game.basePath, int(i) + 1))) << i;
    EXPECT_EQ(database.addressesOf(entry.name()), entry.addresses()) << entry.name();
    for (const auto& extra : entry.extraFiles()) EXPECT_TRUE(std::filesystem::exists(extra));
  }
  EXPECT_TRUE(game.roster[3].hasExtraFiles()) << "one player shows in bold";
  EXPECT_NE(game.roster[2].addresses().find(';'), std::string::npos) << "one has two inboxes";
}

TEST_F(DemoGame, AYearOutsideTheHeadersRangeIsRefused) {
  std::string command = std::string(ZELVARO_TESTS_DIR) + "/../scripts/make-demo-game " +
                        dir.path() + " --year 2399 2>/dev/null";
  EXPECT_NE(std::system(command.c_str()), 0);
  EXPECT_FALSE(std::filesystem::exists(dir.file("nebula.zv")));
}

}  // namespace
}  // namespace zelvaro::core
