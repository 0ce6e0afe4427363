// The database grid's commands: add, edit, delete, assign and the incremental search.

#include "grid_commands_test.h"

namespace zelvaro::ui {
namespace {

using test::GridCommandsTest;

const std::vector<std::string> kThree = {R"("Carl","c@x","")", R"("Bea","b@x","")",
                                         R"("Ben","n@x","note")"};

TEST_F(GridCommandsTest, AddAppendsTheLineAndSelectsTheNewPlayerInTheSortedGrid) {
  database(kThree);
  answerDetails({"Bob", "a1@x;a2", ""});
  commands.Addplayer1Click();
  EXPECT_EQ(seenInDetails, core::PlayerRow{}) << "the dialog starts empty";
  EXPECT_EQ(databaseFile(), R"("Carl","c@x","")"
                            "\r\n"
                            R"("Bea","b@x","")"
                            "\r\n"
                            R"("Ben","n@x","note")"
                            "\r\n"
                            R"("Bob","a1@x;a2","")"
                            "\r\n");
  ASSERT_EQ(players.rowCount(), 4);
  EXPECT_EQ(players.cell(2, 0), "Bob");
  EXPECT_EQ(players.currentRow(), 2);
  EXPECT_FALSE(changed()) << "the database is not the game";
}

TEST_F(GridCommandsTest, AddingToAnEmptyDatabaseFillsItsBlankRow) {
  database({});
  answerDetails({"Red Fleet", "a1@x;a2", ""});
  commands.Addplayer1Click();
  EXPECT_EQ(databaseFile(), "\"Red Fleet\",\"a1@x;a2\",\"\"\r\n");
  EXPECT_EQ(playerRows(players), (std::vector<core::PlayerRow>{{"Red Fleet", "a1@x;a2", ""}}));
}

TEST_F(GridCommandsTest, CancelledAddWritesNothing) {
  database(kThree);
  const std::string before = databaseFile();
  answerDetails({"Zed", "z@x", ""}, false);
  commands.Addplayer1Click();
  EXPECT_EQ(databaseFile(), before);
  EXPECT_EQ(players.rowCount(), 3);
}

TEST_F(GridCommandsTest, EditRewritesTheSameLineAndKeepsTheSelectedRowNumber) {
  database(kThree);
  selectRow(players, 0);  // Bea
  answerDetails({"Bea", "b@x", ""});
  commands.Editplayer1Click();
  EXPECT_EQ(seenInDetails, (core::PlayerRow{"Bea", "b@x", ""}));
  EXPECT_EQ(databaseFile(), R"("Carl","c@x","")"
                            "\r\n"
                            R"("Bea","b@x","","0")"
                            "\r\n"
                            R"("Ben","n@x","note")"
                            "\r\n");

  answerDetails({"Zora", "z@x", "renamed"});
  commands.Editplayer1Click();
  EXPECT_EQ(playerRows(players),
            (std::vector<core::PlayerRow>{
                {"Ben", "n@x", "note"}, {"Carl", "c@x", ""}, {"Zora", "z@x", "renamed"}}));
  EXPECT_EQ(players.currentRow(), 0) << "the row number stays, whoever is in it now";
  EXPECT_NE(databaseFile().find(R"("Zora","z@x","renamed","0")"), std::string::npos);
}

TEST_F(GridCommandsTest, EditWithAnEmptyDatabaseOnlyComplains) {
  database({});
  commands.Editplayer1Click();  // a dialog shown here would never close
  EXPECT_EQ(shown(),
            std::vector<std::string>{"First you gotta add some people.. what are you on??"});
  EXPECT_EQ(databaseFile(), "");
}

TEST_F(GridCommandsTest, DeletingTheOnlyPlayerLeavesOneBlankRow) {
  database({R"("Bea","b@x","")"});
  test::recorded().answerNext(platform::Button::Yes);
  commands.Deleteplayer1Click();
  ASSERT_EQ(test::recorded().entries.size(), 1u);
  EXPECT_EQ(test::recorded().entries[0].text, "Delete Bea?");
  EXPECT_TRUE(test::recorded().entries[0].question);
  EXPECT_EQ(test::recorded().entries[0].kind, platform::MessageKind::Plain);
  EXPECT_EQ(databaseFile(), "");
  EXPECT_EQ(playerRows(players), std::vector<core::PlayerRow>{{}});
}

TEST_F(GridCommandsTest, DeletingTheLastRowSelectsTheNewLastRowAndNoKeepsIt) {
  database(kThree);
  selectRow(players, 2);  // Carl
  test::recorded().answerNext(platform::Button::No);
  commands.Deleteplayer1Click();
  EXPECT_EQ(players.rowCount(), 3);

  test::recorded().answerNext(platform::Button::Yes);
  commands.Deleteplayer1Click();
  EXPECT_EQ(databaseFile(), R"("Bea","b@x","")"
                            "\r\n"
                            R"("Ben","n@x","note")"
                            "\r\n");
  EXPECT_EQ(players.rowCount(), 2);
  EXPECT_EQ(players.currentRow(), 1);
}

TEST_F(GridCommandsTest, TheDeleteAndInsertKeysDeleteAndAdd) {
  database(kThree);
  selectRow(players, 1);
  test::recorded().answerNext(platform::Button::Yes);
  QTest::keyClick(&players, Qt::Key_Delete);
  EXPECT_EQ(shown(), std::vector<std::string>{"Delete Ben?"});
  EXPECT_EQ(players.rowCount(), 2);

  answerDetails({"Abe", "a@x", ""});
  QTest::keyClick(&players, Qt::Key_Insert);
  EXPECT_EQ(players.cell(0, 0), "Abe");
  EXPECT_EQ(players.currentRow(), 0);
}

TEST_F(GridCommandsTest, AssignCopiesNameAndAddressesAndSetsTheChangedFlag) {
  database(kThree);
  rosterOf({",0"});
  selectRow(players, 1);  // Ben
  commands.Copyplayertogame1Click();
  ASSERT_EQ(host.current.roster.size(), 2u);
  EXPECT_EQ(host.current.roster[1].fields(), (std::vector<std::string>{"Ben", "1", "n@x"}));
  EXPECT_TRUE(changed());
  EXPECT_EQ(contestors.currentRow(), 1);
  EXPECT_EQ(contestors.cell(1, 2), "Ben");

  commands.Copyplayertogame1Click();
  EXPECT_EQ(names(), (std::vector<std::string>{"", "Ben", "Ben"})) << "twice is allowed";
}

TEST_F(GridCommandsTest, AssignRefusesAFullRosterAndAnEmptyDatabase) {
  database({});
  commands.Copyplayertogame1Click();
  EXPECT_EQ(shown(), std::vector<std::string>{
                         "You gotta add players to the playerlist first, then you can assign "
                         "them!"});
  EXPECT_TRUE(host.current.roster.empty());

  test::recorded().clear();
  rosterOf(test::playersNamed(16));
  commands.Copyplayertogame1Click();
  EXPECT_EQ(shown(),
            std::vector<std::string>{"Quit drinking! You already got 16 players in this game!"});
  EXPECT_EQ(host.current.roster.size(), 16u);
  EXPECT_FALSE(changed());
}

TEST_F(GridCommandsTest, IncrementalSearchMovesDownToTheNextInitialWithoutWrapping) {
  database(kThree);
  selectRow(players, 0);  // Bea
  QTest::keyClick(&players, Qt::Key_B);
  EXPECT_EQ(players.currentRow(), 1);
  QTest::keyClick(&players, Qt::Key_B);
  EXPECT_EQ(players.currentRow(), 1) << "no wrap-around";
  QTest::keyClick(&players, 'C');
  EXPECT_EQ(players.currentRow(), 2) << "A to Z fold";
  QTest::keyClick(&players, Qt::Key_B);
  EXPECT_EQ(players.currentRow(), 2) << "nothing after the last row";
}

TEST_F(GridCommandsTest, IncrementalSearchKnowsDigitsAndTheThreeNordicLetters) {
  const std::vector<std::string> names = {"Bea", "9th Fleet", "ærø", "Ørn", "åse"};
  EXPECT_EQ(rowWithInitial(names, 0, "9"), 1);
  EXPECT_EQ(rowWithInitial(names, 0, "æ"), 2);
  EXPECT_EQ(rowWithInitial(names, 0, "ø"), std::nullopt) << "only A to Z are folded";
  EXPECT_EQ(rowWithInitial(names, 0, "å"), 4);
  EXPECT_EQ(rowWithInitial(names, -1, "-"), std::nullopt) << "not a search key";
  EXPECT_EQ(rowWithInitial(names, -1, "Ø"), std::nullopt);
}

TEST_F(GridCommandsTest, ThePlayerMenuCarriesItsItems) {
  const auto items = test::menuItems(*commands.playerMenu());
  EXPECT_EQ(commands.playerMenu()->objectName(), "playermenu");
  EXPECT_EQ(items, (test::MenuItems{{"Addplayer1", "Add player..."},
                                    {"Editplayer1", "Edit player..."},
                                    {"Deleteplayer1", "Delete player"},
                                    {"Copyplayertogame1", "Assign player to game"}}));
  database(kThree);
  commands.playerMenu()->findChild<QAction*>("Copyplayertogame1")->trigger();
  EXPECT_EQ(names(), std::vector<std::string>{"Bea"});
}

}  // namespace
}  // namespace zelvaro::ui
