// Every window of the program at QT_SCALE_FACTOR=2 on a 1600x1000 screen (800x500 to the
// program): each opens whole on the screen, the dialogs over the main window.

#include <QApplication>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

#include "../ui/main_window_test.h"
#include "ui/about_box.h"
#include "ui/alias_dialog.h"
#include "ui/extra_files_dialog.h"
#include "ui/intro_screen.h"
#include "ui/player_details_dialog.h"
#include "ui/settings_dialog.h"
#include "ui/text_window.h"
#include "ui/window_placement.h"

namespace zelvaro::test {
namespace {

class ScaledPlacementTest : public MainWindowTest {
 protected:
  // The frame, with the title bar a window manager is still to add.
  static QRect withTitleBar(const QWidget& window) {
    QRect frame = window.frameGeometry();
    if (frame == window.geometry() && !(window.windowFlags() & Qt::FramelessWindowHint)) {
      frame.setTop(frame.top() - window.style()->pixelMetric(QStyle::PM_TitleBarHeight));
    }
    return frame;
  }
  static QRect available() { return QGuiApplication::primaryScreen()->availableGeometry(); }
};

TEST(FitInside, MovesOntoTheAreaShrinksWhatIsTooBigAndKeepsTheTopLeftOfWhatCannotShrink) {
  const QRect area(0, 30, 800, 470);
  EXPECT_EQ(ui::fitInside({900, -50, 200, 100}, area), QRect(600, 30, 200, 100));
  EXPECT_EQ(ui::fitInside({-300, 200, 1000, 600}, area), QRect(0, 30, 800, 470));
  EXPECT_EQ(ui::fitInside({100, 100, 900, 300}, area, {850, 0}), QRect(0, 100, 850, 300));
  EXPECT_EQ(ui::fitInside({10, 40, 20, 20}, area), QRect(10, 40, 20, 20)) << "inside stays";
}

TEST_F(ScaledPlacementTest, TheScreenIsTheOneThisSuiteIsAbout) {
  EXPECT_EQ(QGuiApplication::primaryScreen()->geometry().size(), QSize(800, 500))
      << "run with QT_SCALE_FACTOR=2 on the 1600x1000 offscreen screen";
}

TEST_F(ScaledPlacementTest, ASavedGeometryFromABiggerScreenIsShrunkOntoThisOne) {
  for (const auto& [key, value] :
       {std::pair{"left", "1200"}, {"top", "900"}, {"width", "1100"}, {"height", "800"}}) {
    core::WriteKey(settingsPath, key, value);
  }
  start();
  ui::WindowPlacement placement(window.get());
  window->show();
  EXPECT_TRUE(available().contains(withTitleBar(*window)))
      << window->frameGeometry().x() << "," << window->frameGeometry().y() << " " << window->width()
      << "x" << window->height();
  EXPECT_LT(find<QPushButton>("Button1")->geometry().bottom(), window->height())
      << "the controls follow the smaller window";
}

TEST_F(ScaledPlacementTest, EveryWindowOpensWholeOnTheScreenAndDialogsOverTheMainWindow) {
  start();
  ui::WindowPlacement placement(window.get());
  window->show();
  const QPoint middle = window->frameGeometry().center();
  std::vector<std::pair<const char*, QWidget*>> windows{{"settings", &window->settingsDialog()},
                                                        {"alias", &window->aliasDialog()},
                                                        {"details", &window->playerDetails()},
                                                        {"extra files", &window->extraFiles()},
                                                        {"wizard", &window->playerWizardDialog()},
                                                        {"intro", &window->introScreen()},
                                                        {"about", &window->aboutBox()},
                                                        {"monitor", &window->monitorWindow()},
                                                        {"log", &window->logWindow()}};
  for (const auto& [name, shown] : windows) {
    shown->show();
    // A fixed size taller than the screen (the settings dialog) can only keep its title bar
    // and top on it.
    const QRect frame = withTitleBar(*shown);
    if (frame.height() <= available().height()) {
      EXPECT_TRUE(available().contains(frame)) << name << " at " << shown->x() << "," << shown->y()
                                               << " " << shown->width() << "x" << shown->height();
    } else {
      EXPECT_EQ(frame.top(), available().top()) << name;
    }
    if (shown->windowType() == Qt::Dialog && shown->frameGeometry().height() < 400) {
      EXPECT_LE((shown->frameGeometry().center() - middle).manhattanLength(), 2 + 30)
          << name << " is centred over the main window";
    }
    shown->hide();
  }
}

}  // namespace
}  // namespace zelvaro::test
