// Mouse presses and drops on the two grids.

#include <QDropEvent>
#include <QMimeData>

#include "grid_commands_test.h"

namespace zelvaro::ui {
namespace {

using test::GridCommandsTest;

// The middle of a cell, in the coordinates of the grid's viewport.
QPoint cellPoint(const Grid& grid, int row, int column) {
  return {grid.columnViewportPosition(column) + grid.columnWidth(column) / 2,
          grid.rowViewportPosition(row) + Grid::kRowHeight / 2};
}

TEST_F(GridCommandsTest, AClickInTheSendColumnTogglesWithoutSettingTheChangedFlag) {
  rosterOf({R"("P1","1","p@x")", ",0"});
  QTest::mouseClick(contestors.viewport(), Qt::LeftButton, {}, cellPoint(contestors, 1, 0));
  EXPECT_EQ(contestors.currentRow(), 1);
  EXPECT_EQ(contestors.cell(1, 0), "Yes");
  EXPECT_EQ(host.current.roster[1].fields(), (std::vector<std::string>{"", "1"}));
  EXPECT_FALSE(changed());
  EXPECT_EQ(commands.dragSource(), GridCommands::DragSource::Contestors);
  EXPECT_EQ(commands.dragIndex(), 1);

  QTest::mouseClick(contestors.viewport(), Qt::LeftButton, {}, cellPoint(contestors, 0, 2));
  EXPECT_EQ(contestors.cell(0, 0), "Yes") << "the name column toggles nothing";
  EXPECT_EQ(commands.dragIndex(), 0);

  QTest::mouseClick(contestors.viewport(), Qt::LeftButton, {},
                    QPoint(cellPoint(contestors, 0, 0).x(), 5 * Grid::kRowHeight));
  EXPECT_EQ(contestors.cell(0, 0), "Yes") << "below the last row no Send cell is hit";
}

TEST_F(GridCommandsTest, APressOnAnEmptyRosterRecordsNoEntry) {
  QTest::mouseClick(contestors.viewport(), Qt::LeftButton, {}, cellPoint(contestors, 0, 0));
  EXPECT_EQ(contestors.cell(0, 0), "");
  EXPECT_EQ(commands.dragIndex(), -1);
  commands.playersDragDrop();
  EXPECT_TRUE(host.current.roster.empty());
}

TEST_F(GridCommandsTest, ARightClickSelectsTheRowUnderThePointerButNothingBelowTheLast) {
  database({R"("Bea","b@x","")", R"("Ben","n@x","")", R"("Carl","c@x","")"});
  rosterOf(test::playersNamed(2));
  selectRow(players, 0);
  commands.playersMouseDown(Qt::RightButton, cellPoint(players, 2, 1));
  EXPECT_EQ(players.currentRow(), 2);
  commands.playersMouseDown(Qt::RightButton, QPoint(5, 3 * Grid::kRowHeight + 2));
  EXPECT_EQ(players.currentRow(), 2);
  EXPECT_EQ(commands.dragSource(), GridCommands::DragSource::None) << "only left presses drag";

  selectRow(contestors, 1);
  commands.contestorsMouseDown(Qt::RightButton, QPoint(5, 2 * Grid::kRowHeight + 1));
  EXPECT_EQ(contestors.currentRow(), 1);
  commands.contestorsMouseDown(Qt::RightButton, cellPoint(contestors, 0, 0));
  EXPECT_EQ(contestors.currentRow(), 0);
  EXPECT_EQ(contestors.cell(0, 0), "Yes") << "the right button toggles nothing";
}

TEST_F(GridCommandsTest, ADatabaseRowDroppedOnTheRosterIsAssigned) {
  database({R"("Bea","b@x","")", R"("Ben","n@x","")"});
  commands.playersMouseDown(Qt::LeftButton, cellPoint(players, 1, 0));
  EXPECT_EQ(commands.dragSource(), GridCommands::DragSource::Players);
  commands.contestorsDragDrop();
  commands.contestorsDragDrop();
  EXPECT_EQ(names(), (std::vector<std::string>{"Ben", "Ben"})) << "the drag state stays";
  EXPECT_TRUE(changed());

  commands.playersDragDrop();  // onto the grid it came from
  EXPECT_EQ(host.current.roster.size(), 2u);
}

TEST_F(GridCommandsTest, ADropOnAFullRosterIsRefused) {
  database({R"("Bea","b@x","")"});
  rosterOf(test::playersNamed(16));
  commands.playersMouseDown(Qt::LeftButton, cellPoint(players, 0, 0));
  commands.contestorsDragDrop();
  EXPECT_EQ(shown(),
            std::vector<std::string>{"Quit drinking! You already got 16 players in this game!"});
  EXPECT_EQ(host.current.roster.size(), 16u);
  EXPECT_FALSE(changed());
}

TEST_F(GridCommandsTest, ARosterEntryDroppedOnTheDatabaseLeavesTheGameUnchangedInFlag) {
  database({R"("Bea","b@x","")"});
  rosterOf(test::playersNamed(3));
  commands.contestorsMouseDown(Qt::LeftButton, cellPoint(contestors, 1, 2));
  commands.contestorsDragDrop();  // onto the grid it came from
  EXPECT_EQ(host.current.roster.size(), 3u);
  commands.playersDragDrop();
  EXPECT_EQ(names(), (std::vector<std::string>{"P1", "P3"}));
  EXPECT_EQ(contestors.cell(1, 2), "P3");
  EXPECT_FALSE(changed());
  EXPECT_EQ(commands.dragSource(), GridCommands::DragSource::None);
  commands.playersDragDrop();
  EXPECT_EQ(host.current.roster.size(), 2u) << "the drag ended with the first drop";
}

TEST_F(GridCommandsTest, ADoubleClickOnTheDatabaseAssigns) {
  database({R"("Bea","b@x","")", R"("Ben","n@x","")"});
  QTest::mouseDClick(players.viewport(), Qt::LeftButton, {}, cellPoint(players, 1, 0));
  EXPECT_EQ(names(), std::vector<std::string>{"Ben"});
}

TEST_F(GridCommandsTest, QtDropsOfGridRowsReachTheDropHandlers) {
  database({R"("Bea","b@x","")"});
  QTest::mousePress(players.viewport(), Qt::LeftButton, {}, cellPoint(players, 0, 0));
  QTest::mouseRelease(players.viewport(), Qt::LeftButton, {}, cellPoint(players, 0, 0));
  QMimeData foreign;
  foreign.setText("a file from elsewhere");
  QMimeData ours;
  ours.setData(GridCommands::dragFormat(), "0");
  const QPointF at = cellPoint(contestors, 0, 2);
  for (QMimeData* data : {&foreign, &ours}) {
    QDragEnterEvent enter(at.toPoint(), Qt::MoveAction, data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(contestors.viewport(), &enter);
    EXPECT_EQ(enter.isAccepted(), data == &ours);
    QDropEvent drop(at, Qt::MoveAction, data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(contestors.viewport(), &drop);
  }
  EXPECT_EQ(names(), std::vector<std::string>{"Bea"}) << "only the grids' own drags drop";
}

TEST_F(GridCommandsTest, ARealRightPressSelectsTheRowItHits) {
  database({R"("Bea","b@x","")", R"("Ben","n@x","")"});
  selectRow(players, 0);
  QTest::mousePress(players.viewport(), Qt::RightButton, {}, cellPoint(players, 1, 1));
  QTest::mouseRelease(players.viewport(), Qt::RightButton, {}, cellPoint(players, 1, 1));
  EXPECT_EQ(players.currentRow(), 1);
  commands.playerMenu()->close();
}

}  // namespace
}  // namespace zelvaro::ui
