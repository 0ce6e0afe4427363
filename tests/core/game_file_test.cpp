#include "core/game_file.h"

#include "core_test.h"

namespace zelvaro::core {
namespace {

using Lines = std::vector<std::string>;

class GameFile : public CoreTest {
 protected:
  std::string path = dir.file("orion.zv");
  StarsHeader header;

  Game read() {
    Game game;
    game.filePath = path;
    readGameFile(game, header);
    return game;
  }
};

TEST_F(GameFile, EmptyGameIsNineLines) {
  Game game;
  game.filePath = path;
  game.name = "Orion";
  writeGameFile(game);
  EXPECT_EQ(test::readFile(path), "Orion\r\n\r\n\r\n1\r\n0\r\nnever\r\n0\r\n0\r\n\r\n");
}

TEST_F(GameFile, RoundTripKeepsEntriesAsHeld) {
  Game game;
  game.filePath = path;
  game.name = "Orion";
  game.universePath = dir.file("orion.xy");
  game.subject = "Turn %Y of %G";
  game.body = {"Hi,", "", "your turn."};
  game.attachResults = false;
  game.attachUniverse = true;
  game.lastGenerated = "05.07.1999, 12:00";
  game.roster = {ContestorEntry::assigned("Ann", "a@x"), ContestorEntry::blank(),
                 ContestorEntry("hand made,1")};
  game.alias = "Game Host";
  game.changed = true;
  writeGameFile(game);
  EXPECT_EQ(lines(path)[12], ",0");

  Game back = read();
  EXPECT_EQ(back.name, game.name);
  EXPECT_EQ(back.universePath, game.universePath);
  EXPECT_EQ(back.subject, game.subject);
  EXPECT_EQ(back.body, game.body);
  EXPECT_FALSE(back.attachResults);
  EXPECT_TRUE(back.attachUniverse);
  EXPECT_EQ(back.lastGenerated, game.lastGenerated);
  EXPECT_EQ(back.roster, game.roster);
  EXPECT_EQ(back.alias, "Game Host");
  EXPECT_FALSE(back.changed);
  EXPECT_EQ(back.basePath, dir.file("orion."));

  back.roster[1] = back.roster[1].toggled();
  writeGameFile(back);
  EXPECT_EQ(lines(path)[12], R"("","1")");
}

TEST_F(GameFile, MissingFileChangesNothingSilently) {
  Game game;
  game.filePath = path;
  game.name = "kept";
  game.changed = true;
  EXPECT_FALSE(readGameFile(game, header));
  EXPECT_EQ(game.name, "kept");
  EXPECT_TRUE(game.changed);
  EXPECT_TRUE(shown().empty());
}

TEST_F(GameFile, ShortFilesReadNotFoundLines) {
  file("orion.zv", {"Orion", "", "", "1", "1", "never", "0", "1", "\"Ann\",\"1\",\"a@x\""});
  Game game = read();
  EXPECT_EQ(game.alias, "");
  EXPECT_EQ(game.roster.size(), 1u);

  file("orion.zv", {"Orion", "u", "s", "1", "0", "never", "3", "line one"});
  game = Game{};
  game.filePath = path;
  EXPECT_THROW(readGameFile(game, header), EConvertError);
  EXPECT_EQ(game.body, (Lines{"line one", "//", "//"}));
  EXPECT_EQ(game.name, "Orion");
}

TEST_F(GameFile, BadCountStopsTheReadKeepingWhatWasRead) {
  file("orion.zv", {"Orion", "u.xy", "subj", "0", "1", "yesterday", "x2", "body"});
  Game game;
  game.filePath = path;
  game.changed = true;
  try {
    readGameFile(game, header);
    FAIL() << "expected a conversion error";
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "'x2' is not a valid integer value");
  }
  EXPECT_EQ(game.name, "Orion");
  EXPECT_EQ(game.subject, "subj");
  EXPECT_FALSE(game.attachResults);
  EXPECT_EQ(game.lastGenerated, "yesterday");
  EXPECT_TRUE(game.body.empty());
  EXPECT_TRUE(game.changed);  // the end of the read is never reached

  // A corrupt huge count reads what there is instead of filling memory.
  file("orion.zv", {"Orion", "u", "s", "1", "0", "never", "2000000000", "b1"});
  game = Game{};
  game.filePath = path;
  EXPECT_THROW(readGameFile(game, header), EConvertError);
  EXPECT_LE(game.body.size(), 9u);
  EXPECT_EQ(game.body.front(), "b1");
}

TEST_F(GameFile, DamagedRostersAreReadWholeAndNamed) {
  const Lines head{"Orion", "u", "s", "1", "0", "never", "0"};
  Game game;
  auto damage = [&](const Lines& roster) {
    Lines lines = head;
    lines.insert(lines.end(), roster.begin(), roster.end());
    file("orion.zv", lines);
    game = Game{};
    game.filePath = path;
    try {
      readGameFile(game, header);
    } catch (const EGameFileDamaged& e) {
      EXPECT_FALSE(game.changed) << "the read went to its end";
      return std::string(e.what());
    }
    return std::string();
  };
  const std::string prefix = "Game file damaged: " + path + ": ";
  EXPECT_EQ(damage({"2", "\"Ann\",\"1\",\"a@x\""}),
            prefix + "the roster count is 2 but the file ends after 1 entry");
  EXPECT_EQ(game.roster.front().name(), "Ann") << "what could be read is read";
  EXPECT_EQ(damage({"999999999"}),
            prefix + "the roster count is 999999999 but the file ends after 0 entries");
  EXPECT_EQ(damage({"-1"}), prefix + "the roster count -1 is negative");
  EXPECT_EQ(damage({"3", "\"Ann\",\"1\"", ",0", "\"\",\"1\"", "alias"}),
            prefix + "roster entry 1 (\"Ann\",\"1\") has fewer than three fields")
      << "blank player numbers have no name and need no more";
  EXPECT_EQ(damage({"2", "\"Ann\",\"1\",\"a@x\"", ",0", "alias"}), "");
}

TEST_F(GameFile, RosterIsNotLimitedOnReading) {
  Game game;
  game.filePath = path;
  game.roster.assign(20, ContestorEntry::blank());
  writeGameFile(game);
  EXPECT_EQ(read().roster.size(), 20u);
}

TEST_F(GameFile, LastGeneratedReplacesOnlyLineFive) {
  Game game;
  game.filePath = path;
  game.name = "Orion";
  game.body = {"b"};
  writeGameFile(game);
  Lines before = lines(path);
  game.name = "unsaved edit";
  updateLastGenerated(game, "06.07.1999, 10:30");
  before[5] = "06.07.1999, 10:30";
  EXPECT_EQ(lines(path), before);
  EXPECT_EQ(game.lastGenerated, "06.07.1999, 10:30");

  file("orion.zv", {"0", "1", "2", "3", "4"});
  updateLastGenerated(game, "x");
  EXPECT_EQ(lines(path), (Lines{"0", "1", "2", "3", "4"}));

  game.filePath.clear();
  updateLastGenerated(game, "memory only");
  EXPECT_EQ(game.lastGenerated, "memory only");
}

TEST(GameValue, SaveNameGetsTheExtension) {
  EXPECT_EQ(withGameExtension("/g/orion"), "/g/orion.zv");
  EXPECT_EQ(withGameExtension("/g/orion.ZV"), "/g/orion.ZV");
  EXPECT_EQ(withGameExtension("/g/orion.Zv"), "/g/orion.Zv");
  EXPECT_EQ(withGameExtension("/g/orion.zvx"), "/g/orion.zvx.zv");
  EXPECT_EQ(withGameExtension("zv"), "zv.zv");
}

}  // namespace
}  // namespace zelvaro::core
