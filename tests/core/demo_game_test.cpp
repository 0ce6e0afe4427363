// The demo game that "make demo" mails is made by scripts/make-demo-game; the program must
// accept every file of it the way it accepts a real game's.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "core/game_file.h"
#include "core/player_database.h"
#include "core/stars_files.h"
#include "core/text_file.h"
#include "core/turn_check.h"
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

TEST_F(DemoGame, ItsStarsFilesAreLaidOutAsARealGameWritesThem) {
  make("--year 2431");
  auto headerOf = [this](const std::string& name) {
    const auto header = parseStarsHeader(readFirstBytes(dir.file(name), StarsFileHeader::Size));
    EXPECT_TRUE(header) << name << " lacks the validity mark";
    return header.value_or(StarsFileHeader{});
  };
  const StarsFileHeader host = headerOf("nebula.hst");
  EXPECT_EQ(host.year, 2431);
  EXPECT_EQ(host.version, 0x2A60);
  for (const char* name : {"nebula.m1", "nebula.m2", "nebula.m3", "nebula.m4"}) {
    const StarsFileHeader result = headerOf(name);
    EXPECT_EQ(result.year, 2431) << name;
    EXPECT_EQ(result.gameId, host.gameId) << name;
    EXPECT_EQ(result.flags >> 5, host.flags >> 5) << name << ": the year's generation counter";
  }
  const StarsFileHeader universe = headerOf("nebula.xy");
  EXPECT_EQ(universe.year, 2400) << "written when the game was created";
  EXPECT_EQ(universe.flags, 0);
  EXPECT_EQ(universe.gameId, host.gameId);

  const std::string created = test::readFile(dir.file("nebula.xy"));
  make("--year 2432");
  EXPECT_EQ(test::readFile(dir.file("nebula.xy")), created) << "the universe file never changes";
  EXPECT_NE(headerOf("nebula.hst").flags >> 5, host.flags >> 5) << "a new generation";
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
  EXPECT_TRUE(problemsOf(checkTurnFiles(game)).empty()) << "the universe file of 2400 included";
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
