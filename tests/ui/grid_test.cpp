#include "ui/grid.h"

#include <gtest/gtest.h>
#include <QHeaderView>

namespace zelvaro::ui {
namespace {

core::Roster rosterOf(const std::vector<std::string>& texts) {
  core::Roster roster;
  for (const auto& text : texts) roster.emplace_back(text);
  return roster;
}

TEST(GridTest, RosterRowsShowFlagNumberAndBoldNameForExtraFiles) {
  Grid grid("contestors", {"Send", "Player#", "Name"}, nullptr);
  EXPECT_EQ(grid.horizontalHeaderItem(2)->text().toStdString(), "Name");
  showRoster(grid, rosterOf({R"("Ann","1","a@x")", ",0", R"("","0","","/tmp/extra")"}));
  ASSERT_EQ(grid.rowCount(), 3);
  EXPECT_EQ(grid.cell(0, 0), "Yes");
  EXPECT_EQ(grid.cell(0, 2), "Ann");
  EXPECT_FALSE(grid.bold(0, 2));
  EXPECT_EQ(grid.cell(1, 0), "No");
  EXPECT_EQ(grid.cell(2, 1), "3");
  EXPECT_EQ(grid.cell(2, 2), "");
  EXPECT_TRUE(grid.bold(2, 2)) << "a blank entry with extra files has a bold empty name";

  showRoster(grid, {});
  ASSERT_EQ(grid.rowCount(), 1) << "an empty roster keeps one blank row";
  EXPECT_EQ(grid.cell(0, 0), "");
  EXPECT_FALSE(grid.bold(0, 2)) << "no bold left over from the earlier rows";
}

TEST(GridTest, RowsHaveAFixedHeightAndPointsBelowTheLastRowHitNothing) {
  Grid grid("players", {"Name", "Email", "Note"}, nullptr);
  showPlayers(grid, {{"Bea", "b@x", ""}, {"Ben", "n@x", "n"}});
  grid.resize(300, 200);
  EXPECT_EQ(grid.rowHeight(0), Grid::kRowHeight);
  EXPECT_EQ(grid.rowAtY(0), 0);
  EXPECT_EQ(grid.rowAtY(Grid::kRowHeight + 3), 1);
  EXPECT_EQ(grid.rowAtY(2 * Grid::kRowHeight + 1), -1);
  EXPECT_EQ(playerRows(grid),
            (std::vector<core::PlayerRow>{{"Bea", "b@x", ""}, {"Ben", "n@x", "n"}}));
}

}  // namespace
}  // namespace zelvaro::ui
