#include "ui/roster_mover.h"

#include <algorithm>

#include "dialog_test.h"

namespace zelvaro::ui {
namespace {

using test::click;

// The roster as the main window keeps it, in memory: the names in player order and the
// selected index, with a count of the refreshes.
class MemoryRoster : public RosterMoverTarget {
 public:
  explicit MemoryRoster(std::vector<std::string> names) : names(std::move(names)) {}

  int selectedEntry() const override { return selected; }
  int entryCount() const override { return static_cast<int>(names.size()); }
  void swapEntries(int first, int second) override {
    std::swap(names.at(static_cast<size_t>(first)), names.at(static_cast<size_t>(second)));
  }
  void refreshRoster() override { ++refreshes; }
  void selectEntry(int index) override { selected = index; }

  std::vector<std::string> names;
  int selected = -1;
  int refreshes = 0;
};

class RosterMoverTest : public test::DialogTest {
 protected:
  void SetUp() override {
    DialogTest::SetUp();
    mover.showAt(100, 50);
  }

  MemoryRoster roster{{"Ann", "Bob", "Carl"}};
  RosterMover mover{roster};
};

TEST_F(RosterMoverTest, IsABorderlessFloatingToolWithThreeButtons) {
  test::expectTexts(mover, "Form5", "",
                    {{"Button1", "Up"}, {"Button2", "Down"}, {"Button3", "Done"}});
  EXPECT_TRUE(mover.isWindow());
  EXPECT_TRUE(mover.windowFlags() & Qt::FramelessWindowHint);
  EXPECT_TRUE(mover.windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_EQ(mover.windowModality(), Qt::NonModal);
  EXPECT_EQ(mover.pos(), QPoint(100, 50));
  EXPECT_EQ(mover.width(), RosterMover::kWidth);
  click(mover, "Button3");
  EXPECT_FALSE(mover.isVisible());
}

TEST_F(RosterMoverTest, UpAtTheTopAndDownAtTheBottomChangeNothing) {
  roster.selected = 0;
  click(mover, "Button1");
  roster.selected = 2;
  click(mover, "Button2");
  EXPECT_EQ(roster.names, (std::vector<std::string>{"Ann", "Bob", "Carl"}));
  EXPECT_EQ(roster.selected, 2);
  EXPECT_EQ(roster.refreshes, 0);
}

TEST_F(RosterMoverTest, EachClickMovesTheRowSelectedAtThatMoment) {
  roster.selected = 0;
  click(mover, "Button2");
  EXPECT_EQ(roster.names, (std::vector<std::string>{"Bob", "Ann", "Carl"}));
  EXPECT_EQ(roster.selected, 1) << "the selection follows the moved entry";

  // The operator selects another row in the roster grid while the mover stays open.
  roster.selected = 2;
  click(mover, "Button1");
  EXPECT_EQ(roster.names, (std::vector<std::string>{"Bob", "Carl", "Ann"}));
  EXPECT_EQ(roster.selected, 1);
  roster.selected = 0;
  click(mover, "Button2");
  EXPECT_EQ(roster.names, (std::vector<std::string>{"Carl", "Bob", "Ann"}));
  EXPECT_EQ(roster.refreshes, 3);
}

TEST_F(RosterMoverTest, NoSelectionOrARosterThatShrankUnderneathIsLeftAlone) {
  roster.selected = -1;
  click(mover, "Button1");
  click(mover, "Button2");
  roster.selected = 2;
  roster.names.resize(1);  // removed from the popup menu while the mover was open
  click(mover, "Button1");
  click(mover, "Button2");
  EXPECT_EQ(roster.names, std::vector<std::string>{"Ann"});
  EXPECT_EQ(roster.refreshes, 0);
}

}  // namespace
}  // namespace zelvaro::ui
