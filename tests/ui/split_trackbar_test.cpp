#include "ui/split_trackbar.h"

#include <QSlider>

#include "dialog_test.h"

namespace zelvaro::ui {
namespace {

// The main window's split position, with every position handed to it in order.
class MemorySplit : public SplitTarget {
 public:
  int splitPosition() const override { return position; }
  void setSplitPosition(int value) override {
    position = value;
    laidOut.push_back(value);
  }

  int position = 5;
  std::vector<int> laidOut;
};

class SplitTrackbarTest : public test::DialogTest {
 protected:
  QSlider* slider() { return test::control<QSlider>(trackbar, "split"); }

  MemorySplit split;
  SplitTrackbar trackbar{split};
};

TEST_F(SplitTrackbarTest, IsABorderlessFloatingToolWithATickAtEveryPosition) {
  test::expectTexts(trackbar, "Form6", "", {{"Button1", "done"}});
  EXPECT_TRUE(trackbar.windowFlags() & Qt::FramelessWindowHint);
  EXPECT_TRUE(trackbar.windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_EQ(trackbar.windowModality(), Qt::NonModal);
  ASSERT_NE(slider(), nullptr);
  EXPECT_EQ(slider()->minimum(), 0);
  EXPECT_EQ(slider()->maximum(), 10);
  EXPECT_EQ(slider()->tickInterval(), 1);
  EXPECT_EQ(slider()->tickPosition(), QSlider::TicksBelow);
}

TEST_F(SplitTrackbarTest, TakesTheCurrentPositionWhenShownAndHandsBackEveryMove) {
  split.position = 3;
  trackbar.showAt(10, 20);
  ASSERT_NE(slider(), nullptr);
  EXPECT_EQ(slider()->value(), 3);
  EXPECT_TRUE(split.laidOut.empty()) << "showing the position is no move";

  slider()->setFocus();
  QTest::keyClick(slider(), Qt::Key_Home);
  QTest::keyClick(slider(), Qt::Key_Right);
  QTest::keyClick(slider(), Qt::Key_End);
  EXPECT_EQ(split.laidOut, (std::vector<int>{0, 1, 10}));
  EXPECT_EQ(split.position, 10);

  test::click(trackbar, "Button1");
  EXPECT_FALSE(trackbar.isVisible());

  // Shown again after the position changed elsewhere (read from the settings, say).
  split.position = 7;
  trackbar.showAt(10, 20);
  EXPECT_EQ(slider()->value(), 7);
  EXPECT_EQ(split.laidOut.size(), 3u);
}

}  // namespace
}  // namespace zelvaro::ui
