#include "core/game_folders.h"

#include <filesystem>

#include "core_test.h"
#include "support/stars_turn.h"

namespace zelvaro::core {
namespace {

class GameFoldersTest : public CoreTest {
 protected:
  void SetUp() override {
    CoreTest::SetUp();
    std::filesystem::create_directories(dir.file("game/news"));
    std::filesystem::create_directories(dir.file("stars"));
    game.filePath = dir.file("game/orion.zv");
    game.universePath = dir.file("stars/orion.xy");
    game.basePath = dir.file("stars/orion.");
    game.roster = {ContestorEntry::assigned("Ann", "a@x"), ContestorEntry::assigned("Bob", "b@x")};
  }
  Game game;
};

TEST_F(GameFoldersTest, OnlyFilesInNeitherFolderNorBelowAreStrays) {
  std::filesystem::create_directory_symlink(dir.file("game"), dir.file("link"));
  game.roster[0] = game.roster[0].withExtraFiles(
      {dir.file("game/news/2426.txt"), dir.file("link/map.png"), dir.file("gamex/old.txt")});
  game.roster[1] = game.roster[1].withExtraFiles({dir.file("elsewhere.txt")}).withSending(false);

  EXPECT_EQ(gameFolders(game), (std::vector<std::string>{dir.file("game"), dir.file("stars")}));
  const std::vector<StrayFile> strays = filesOutsideGameFolders(game);
  // A folder whose name only begins like the game's is another folder; an unselected entry
  // mails nothing.
  ASSERT_EQ(strays.size(), 1u);
  EXPECT_EQ(strays[0].player, 1);
  EXPECT_EQ(strays[0].path, dir.file("gamex/old.txt"));
}

TEST_F(GameFoldersTest, AMissingUniverseIsLookedForBesideTheGameFileInAnyCase) {
  EXPECT_EQ(universeInGameFolder(game), std::nullopt) << "nowhere";
  test::writeFile(dir.file("game/ORION.XY"), test::starsUniverse());
  EXPECT_EQ(universeInGameFolder(game), dir.file("game/ORION.XY"));
  test::writeFile(dir.file("stars/orion.xy"), test::starsUniverse());
  EXPECT_EQ(universeInGameFolder(game), std::nullopt) << "not missing";
}

}  // namespace
}  // namespace zelvaro::core
