// Every window of the program at QT_SCALE_FACTOR=2 on a 1600x1000 screen (800x500 to the
// program): each opens whole on the screen, the dialogs over the main window.

#include <QApplication>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTest>
#include <set>

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
    EXPECT_TRUE(available().contains(withTitleBar(*shown)))
        << name << " at " << shown->x() << "," << shown->y() << " " << shown->width() << "x"
        << shown->height();
    if (shown->windowType() == Qt::Dialog && shown->frameGeometry().height() < 400) {
      EXPECT_LE((shown->frameGeometry().center() - middle).manhattanLength(), 2 + 30)
          << name << " is centred over the main window";
    }
    shown->hide();
  }
}

// Too tall for this screen, the settings dialog scrolls its groups: Tab still reaches every
// control, each one whole in sight when it has the focus, Close without any scrolling.
TEST_F(ScaledPlacementTest, EverySettingsControlComesIntoSightWithTheFocus) {
  start();
  ui::WindowPlacement placement(window.get());
  window->show();
  QWidget& dialog = window->settingsDialog();
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
  auto control = [&](const char* name) { return dialog.findChild<QWidget*>(name); };
  EXPECT_GE(dialog.width(), control("GroupBox1")->sizeHint().width())
      << "the groups' own width on the first show";
  EXPECT_EQ(control("Button1")->visibleRegion().boundingRect(), control("Button1")->rect());
  std::set<QString> reached;
  control("Edit1")->setFocus();
  for (int step = 0; step < 30; ++step) {
    QWidget* focused = QApplication::focusWidget();
    ASSERT_NE(focused, nullptr);
    EXPECT_EQ(focused->visibleRegion().boundingRect(), focused->rect())
        << focused->objectName().toStdString() << " is not whole in sight";
    reached.insert(focused->objectName());
    QTest::keyClick(focused, Qt::Key_Tab);
  }
  for (const char* name : {"Edit1", "Button3", "CaFileButton", "CheckButton", "TestMessageButton",
                           "CheckReport", "Button1"}) {
    EXPECT_TRUE(reached.count(name)) << name << " never had the focus";
  }
  dialog.hide();
}

}  // namespace
}  // namespace zelvaro::test
