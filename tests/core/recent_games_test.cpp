#include "core/recent_games.h"

#include "core/settings.h"
#include "core_test.h"

namespace zelvaro::core {
namespace {

using Names = std::vector<std::string>;

RecentGames listed(const Names& names) {
  RecentGames games;
  for (auto name = names.rbegin(); name != names.rend(); ++name) {
    games.push(*name, "/games/" + *name + ".zv");
  }
  return games;
}

TEST(RecentGamesList, PushMovesToTheFrontAndDropsTheOldest) {
  RecentGames games = listed({"A", "B", "C", "D", "E", "F", "G", "H"});
  ASSERT_EQ(games.names(), (Names{"A", "B", "C", "D", "E", "F", "G", "H"}));
  games.push("C", "/games/C.zv");
  EXPECT_EQ(games.names(), (Names{"C", "A", "B", "D", "E", "F", "G"}));

  games = listed({"A", "B", "C", "D", "E", "F", "G", "H"});
  games.push("New", "/n.zv");
  EXPECT_EQ(games.names(), (Names{"New", "A", "B", "C", "D", "E", "F", "G"}));

  games = listed({"A", "B"});
  games.push("B", "/other/B.zv");
  EXPECT_EQ(games.names(), (Names{"B", "A"}));
  EXPECT_EQ(games.pathOf("B"), "/other/B.zv");
  games.push("a", "/lower.zv");  // names compare exactly
  EXPECT_EQ(games.names(), (Names{"a", "B", "A"}));
}

TEST(RecentGamesList, PickFindsTheExactName) {
  RecentGames games = listed({"Orion", "Vega"});
  EXPECT_EQ(games.pathOf("Vega"), "/games/Vega.zv");
  EXPECT_EQ(games.pathOf("vega"), std::nullopt);
  EXPECT_EQ(games.pathOf(""), std::nullopt);  // a free slot is never picked
}

class RecentGamesFile : public CoreTest {
 protected:
  std::string path = dir.file("zelvaro.cfg");
};

TEST_F(RecentGamesFile, LoadSqueezesAndSurvivesHandEditedValues) {
  file("zelvaro.cfg", {R"(history1,"Orion","/g/orion.zv")", R"(history3,"OnlyName")", "history4,",
                       R"(history6,"Vega","/g/vega.zv","extra")"});
  RecentGames games;
  games.load(path);
  EXPECT_EQ(games.names(), (Names{"Orion", "OnlyName", "Vega"}));
  EXPECT_EQ(games.pathOf("OnlyName"), "");
  EXPECT_TRUE(shown().empty());
}

TEST_F(RecentGamesFile, MissingSettingsFileLeavesTheListAndStoreCreatesIt) {
  RecentGames games = listed({"A", "B"});
  games.load(path);
  EXPECT_EQ(games.names(), (Names{"A", "B"}));
  EXPECT_TRUE(shown().empty());

  games.store(path);
  EXPECT_EQ(lines(path).size(), 8u);
  EXPECT_EQ(ReadKey(path, "history1"), R"("B","/games/B.zv")");
  EXPECT_EQ(ReadKey(path, "history7"), R"("","")");
  RecentGames loaded;
  loaded.load(path);
  EXPECT_EQ(loaded.names(), games.names());
  EXPECT_EQ(loaded.pathOf("A"), "/games/A.zv");
}

}  // namespace
}  // namespace zelvaro::core
