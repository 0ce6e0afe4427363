#include "core/player_database.h"

#include <filesystem>

#include "core_test.h"
#include "platform/collation.h"

namespace zelvaro::core {
namespace {

using Lines = std::vector<std::string>;
using Rows = std::vector<PlayerRow>;

class Database : public CoreTest {
 protected:
  std::string path = dir.file("database.txt");
  PlayerDatabase db{path};
};

TEST_F(Database, AppendAndEditWriteTheExactLines) {
  CreateEmpty(path);
  db.append({"Red Fleet", "a1;a2", ""});
  EXPECT_EQ(test::readFile(path), "\"Red Fleet\",\"a1;a2\",\"\"\r\n");

  auto edit = db.beginEdit("Red Fleet");
  ASSERT_TRUE(edit.has_value());
  EXPECT_EQ(edit->row(), (PlayerRow{"Red Fleet", "a1;a2", ""}));
  db.finishEdit(*edit, edit->row());
  EXPECT_EQ(lines(path), Lines{R"("Red Fleet","a1;a2","","0")"});
}

TEST_F(Database, EditKeepsFurtherFieldsAndRenames) {
  file("database.txt",
       {R"("Ann","a@x","",)", R"("Bob","b@x","n","5","extra")", R"("Cy","c@x","")"});
  auto edit = db.beginEdit("bob");
  ASSERT_TRUE(edit.has_value());
  EXPECT_EQ(edit->line, 1);
  db.finishEdit(*edit, {"Robert \"Bob\"", "r@x;b@x", "renamed"});
  EXPECT_EQ(lines(path)[1], R"("Robert ""Bob""","r@x;b@x","renamed","5","extra")");
  EXPECT_EQ(db.find("Robert \"Bob\""), 1);
  EXPECT_EQ(db.find("Bob"), std::nullopt);
}

TEST_F(Database, LastRecordOfANameWinsWhateverItsCase) {
  CreateEmpty(path);
  db.append({"Red Fleet", "old@x", ""});
  db.append({"Blue", "blue@x", ""});
  db.append({"RED FLEET", "new@x", ""});
  EXPECT_EQ(db.find("red fleet"), 2);
  auto edit = db.beginEdit("Red Fleet");
  ASSERT_TRUE(edit.has_value());
  EXPECT_EQ(edit->row().email, "new@x");
  db.remove("Red Fleet");
  EXPECT_EQ(lines(path), (Lines{R"("Red Fleet","old@x","")", R"("Blue","blue@x","")"}));
  EXPECT_EQ(db.count(), 2);
}

TEST_F(Database, EditOfAVanishedPlayerIsRefusedNotMisdirected) {
  file("database.txt", {R"("Ann","a@x","")", R"("Bob","b@x","")"});
  ASSERT_EQ(db.find("Bob"), 1);  // an earlier lookup leaves LastMatchIndex at Bob's line
  EXPECT_EQ(db.beginEdit("Carl"), std::nullopt);
  ASSERT_EQ(shown().size(), 1u);
  EXPECT_NE(shown()[0].find("\"Carl\""), std::string::npos) << shown()[0];
  EXPECT_EQ(lines(path), (Lines{R"("Ann","a@x","")", R"("Bob","b@x","")"}));
}

TEST_F(Database, LoadCreatesTheFileAndShowsAtLeastOneRow) {
  EXPECT_EQ(db.players(), Rows{});
  EXPECT_FALSE(std::filesystem::exists(path)) << "only the grid's load creates the file";
  EXPECT_EQ(db.count(), -1);
  EXPECT_EQ(db.loadRows(), Rows{PlayerRow{}});
  EXPECT_TRUE(std::filesystem::exists(path));
  EXPECT_EQ(db.count(), 0);
  EXPECT_TRUE(shown().empty());

  EXPECT_EQ(db.players(), Rows{});
  db.append({"Solo", "s@x", ""});
  EXPECT_EQ(db.loadRows(), (Rows{{"Solo", "s@x", ""}}));
  EXPECT_EQ(db.players(), db.loadRows());
  db.remove("Solo");
  EXPECT_EQ(db.loadRows(), Rows{PlayerRow{}});
}

TEST_F(Database, ShortLinesShowEmptyCellsAndTheLoadGoesOn) {
  file("database.txt", {R"("Ann","a@x","note","0")", "", R"("Half")", "//", R"("Zed","z@x","")"});
  EXPECT_EQ(db.loadRows(), (Rows{{"Ann", "a@x", "note"},
                                 {"", "", ""},
                                 {"Half", "", ""},
                                 {"//", "", ""},
                                 {"Zed", "z@x", ""}}));
}

TEST_F(Database, SortsByNameIgnoringCaseThenByTheOtherCells) {
  Rows rows{{"Delta", "d", ""}, {"charlie", "c", ""}, {"Bravo", "z", ""}, {"Bravo", "a", ""}};
  PlayerDatabase::sortRows(rows, platform::compareText);
  EXPECT_EQ(
      rows,
      (Rows{{"Bravo", "a", ""}, {"Bravo", "z", ""}, {"charlie", "c", ""}, {"Delta", "d", ""}}));
}

TEST_F(Database, SendLookupUsesTheUndoubledKey) {
  file("database.txt", {R"("Ann","a1@x; a2@x","note")", R"("Say ""Hi""","h@x","")", R"("Empty",)"});
  EXPECT_EQ(db.addressesOf("ann"), "a1@x; a2@x");
  EXPECT_EQ(db.lookUp("\"Ann\""), R"("a1@x; a2@x","note")");
  EXPECT_EQ(db.addressesOf("Say \"Hi\""), std::nullopt);
  EXPECT_EQ(db.addressesOf("Empty"), "");
  EXPECT_EQ(db.addressesOf("Nobody"), std::nullopt);
  EXPECT_TRUE(shown().empty());

  std::filesystem::remove(path);
  EXPECT_EQ(db.addressesOf("Ann"), std::nullopt);
  EXPECT_EQ(shown(), Lines{"File not found:" + path});
}

}  // namespace
}  // namespace zelvaro::core
