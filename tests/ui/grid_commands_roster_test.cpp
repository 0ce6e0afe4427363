// The roster grid's commands: remove, send flags, blanks, extra files and the mover.

#include "grid_commands_test.h"

namespace zelvaro::ui {
namespace {

using test::GridCommandsTest;

TEST_F(GridCommandsTest, EveryRosterRefusalOnAnEmptyOrFullRosterChangesNothing) {
  commands.Kickplayer1Click();
  commands.Extrafileattachments1Click();
  rosterOf(test::playersNamed(16));
  commands.Insertblank1Click();
  commands.Blankplayer1Click();
  EXPECT_EQ(shown(), (std::vector<std::string>{"Quit it, smartass!", "Who's the sucker again?",
                                               "What are you on? This orgie is for 16, tops!",
                                               "Yeah right, moron.. 16 does it!"}));
  EXPECT_EQ(host.current.roster.size(), 16u);
  EXPECT_FALSE(changed());
}

TEST_F(GridCommandsTest, RemoveTakesTheSelectedEntryAndRenumbersTheRest) {
  rosterOf(test::playersNamed(3));
  selectRow(contestors, 1);
  commands.Kickplayer1Click();
  EXPECT_EQ(names(), (std::vector<std::string>{"P1", "P3"}));
  EXPECT_EQ(contestors.cell(1, 1), "2");
  EXPECT_TRUE(changed());
}

TEST_F(GridCommandsTest, SendToAllAndNoneSetEveryFlag) {
  rosterOf({",0", R"("P2","1","p@x")"});
  commands.SendtoAll1Click();
  EXPECT_EQ(contestors.cell(0, 0), "Yes");
  EXPECT_TRUE(host.current.roster[0].sending());
  EXPECT_TRUE(changed());
  commands.SendtoNone1Click();
  EXPECT_EQ(contestors.cell(1, 0), "No");
  EXPECT_FALSE(host.current.roster[1].sending());
}

TEST_F(GridCommandsTest, InsertBlankGoesBeforeTheSelectedEntry) {
  commands.Insertblank1Click();
  ASSERT_EQ(host.current.roster.size(), 1u);
  EXPECT_EQ(host.current.roster[0].text(), ",0") << "player number 1 on an empty roster";
  EXPECT_TRUE(changed());

  rosterOf(test::playersNamed(3));
  selectRow(contestors, 1);
  commands.Insertblank1Click();
  EXPECT_EQ(names(), (std::vector<std::string>{"P1", "", "P2", "P3"}));
  EXPECT_EQ(contestors.cell(3, 1), "4");
  EXPECT_EQ(contestors.cell(3, 2), "P3");
}

TEST_F(GridCommandsTest, AddBlankAppendsUpToSixteen) {
  rosterOf(test::playersNamed(15));
  commands.Blankplayer1Click();
  EXPECT_EQ(host.current.roster.back().text(), ",0");
  EXPECT_EQ(contestors.rowCount(), 16);
  EXPECT_TRUE(shown().empty());
  EXPECT_TRUE(changed());
}

TEST_F(GridCommandsTest, ExtraFilesOnABlankEntryStartAtTheFourthFieldWithABoldEmptyName) {
  rosterOf({R"("P1","1","p@x","/old")", ",0"});
  selectRow(contestors, 1);
  QTimer::singleShot(0, &extraFiles, [this] {
    EXPECT_EQ(extraFiles.windowTitle(), "Extra files sent to :");
    EXPECT_TRUE(extraFiles.files().empty());
    extraFiles.setFiles({"/maps/a.gif", "/maps/a.gif"});
    test::click(extraFiles, "Button1");
  });
  commands.Extrafileattachments1Click();
  EXPECT_EQ(host.current.roster[1].fields(),
            (std::vector<std::string>{"", "0", "", "/maps/a.gif", "/maps/a.gif"}));
  EXPECT_EQ(contestors.cell(1, 2), "");
  EXPECT_TRUE(contestors.bold(1, 2));
  EXPECT_TRUE(changed());

  selectRow(contestors, 0);
  QTimer::singleShot(0, &extraFiles, [this] {
    EXPECT_EQ(extraFiles.windowTitle(), "Extra files sent to P1:");
    EXPECT_EQ(extraFiles.files(), std::vector<std::string>{"/old"});
    test::click(extraFiles, "Button4");
    test::click(extraFiles, "Button1");
  });
  commands.Extrafileattachments1Click();
  EXPECT_EQ(host.current.roster[0].fields(), (std::vector<std::string>{"P1", "1", "p@x"}));
  EXPECT_FALSE(contestors.bold(0, 2));
}

TEST_F(GridCommandsTest, TheMoverOpensAtTheRosterEdgeAndLeavesTheChangedFlag) {
  rosterOf({R"("Solo","1","s@x")"});
  commands.Moveplayer1Click();
  EXPECT_FALSE(commands.mover()->isVisible()) << "nothing to move with one entry";

  rosterOf(test::playersNamed(3));
  window.show();
  window.setGeometry(200, 100, 500, 400);
  host.split = 4;
  commands.Moveplayer1Click();
  ASSERT_TRUE(commands.mover()->isVisible());
  const QRect frame = window.frameGeometry();
  EXPECT_EQ(commands.mover()->pos(),
            QPoint(frame.left() + frame.width() / 10 * 4 - 55, frame.top() + 135));
  EXPECT_EQ(commands.mover()->width(), 73);

  selectRow(contestors, 0);
  test::click(*commands.mover(), "Button1");  // Up at the top
  selectRow(contestors, 2);
  test::click(*commands.mover(), "Button2");  // Down at the bottom
  EXPECT_EQ(names(), (std::vector<std::string>{"P1", "P2", "P3"}));

  selectRow(contestors, 1);  // chosen while the mover is open
  test::click(*commands.mover(), "Button2");
  EXPECT_EQ(names(), (std::vector<std::string>{"P1", "P3", "P2"}));
  EXPECT_EQ(contestors.currentRow(), 2);
  EXPECT_EQ(contestors.cell(2, 2), "P2");
  EXPECT_FALSE(changed());
  test::click(*commands.mover(), "Button3");
}

TEST_F(GridCommandsTest, TheContestorMenuCarriesItsItems) {
  const auto items = test::menuItems(*commands.contestorMenu());
  EXPECT_EQ(commands.contestorMenu()->objectName(), "contestormenu");
  EXPECT_EQ(items, (test::MenuItems{{"Kickplayer1", "Remove player"},
                                    {"SendtoAll1", "Send to All"},
                                    {"SendtoNone1", "Send to None"},
                                    {"Insertblank1", "Insert blank"},
                                    {"Blankplayer1", "Add blank"},
                                    {"Moveplayer1", "Move player..."},
                                    {"Extrafileattachments1", "Extra file attachments..."}}));
  commands.contestorMenu()->findChild<QAction*>("Blankplayer1")->trigger();
  EXPECT_EQ(host.current.roster.size(), 1u);
}

}  // namespace
}  // namespace zelvaro::ui
