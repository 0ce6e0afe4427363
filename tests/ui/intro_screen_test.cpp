#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWheelEvent>

#include "core/text_store.h"
#include "support/temp_dir.h"
#include "ui/intro_screen.h"
#include "ui/widgets.h"

namespace zelvaro::ui {
namespace {

constexpr const char* kVersion = "1.5c (5th July 1999)";

class IntroScreenTest : public testing::Test {
 protected:
  IntroScreenTest() { test::writeFile(settings(), "server,smtp.example.org\r\n"); }

  std::string settings() const { return dir_.file("zelvaro.cfg"); }
  std::string splash() const { return core::ReadKey(settings(), "splash"); }

  template <class T = QTimer>
  static T* child(QWidget& screen, const char* name) {
    T* found = screen.findChild<T*>(name);
    EXPECT_NE(found, nullptr) << name;
    return found;
  }

  static void fadeIn(IntroScreen& screen) {
    for (int i = 0; i < 14; ++i) screen.faderTimer();
  }

  static std::vector<std::string> shownTexts(IntroScreen& screen) {
    std::vector<std::string> texts;
    for (int i = 0; i < kIntroShownLines; ++i) {
      texts.push_back(screen.displayLine(i)->text().toStdString());
    }
    return texts;
  }

  test::TempDir dir_;
};

TEST_F(IntroScreenTest, ControlsAndTimersAsDesigned) {
  IntroScreen screen(settings());
  EXPECT_EQ(screen.objectName(), "Form8");
  EXPECT_EQ(screen.size(), QSize(400, 400));
  EXPECT_TRUE(screen.windowFlags() & Qt::FramelessWindowHint);
  const std::pair<const char*, int> timers[] = {
      {"Timer1", 5000}, {"Timer2", 50}, {"sleeper", 25000}, {"fader", 10},
      {"last", 300000}, {"liner", 20},  {"boxtimer", 12000}};
  for (auto [name, interval] : timers) {
    QTimer* timer = child(screen, name);
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(timer->interval(), interval) << name;
  }
  for (const char* name :
       {"Label1", "Label2", "Label3", "Label4", "Label5", "Label8", "Label9", "Label10"}) {
    QLabel* line = child<QLabel>(screen, name);
    ASSERT_NE(line, nullptr);
    EXPECT_FALSE(line->isVisibleTo(&screen)) << name;
    EXPECT_EQ(line->palette().color(QPalette::WindowText), QColor(Qt::white)) << name;
  }
  EXPECT_EQ(screen.displayLine(5)->objectName(), "Label8");
  EXPECT_EQ(child<QLabel>(screen, "Label6")->text(), "OK");
  EXPECT_EQ(child<QLabel>(screen, "Label6")->palette().color(QPalette::WindowText),
            QColor(Qt::yellow));
  EXPECT_TRUE(child<QLabel>(screen, "Label6")->font().bold());
  EXPECT_EQ(child<QCheckBox>(screen, "CheckBox1")->text(), "Do not display introscreen at startup");
  EXPECT_FALSE(child<QCheckBox>(screen, "CheckBox1")->isVisibleTo(&screen));
  EXPECT_FALSE(child<QLabel>(screen, "Image2")->isVisibleTo(&screen));
  EXPECT_FALSE(child<QLabel>(screen, "Image3")->isVisibleTo(&screen));
  EXPECT_FALSE(child<QLabel>(screen, "Image1")->pixmap().isNull());
  EXPECT_NE(child<QWidget>(screen, "UpDown1"), nullptr);
  QLabel* caption = child<QLabel>(screen, "Label7");
  EXPECT_EQ(caption->geometry().bottom(), 399) << "moved down to the bottom edge";
}

TEST_F(IntroScreenTest, TheBoxReflectsSplashAndClosingWritesIt) {
  {
    IntroScreen screen(settings());
    EXPECT_FALSE(child<QCheckBox>(screen, "CheckBox1")->isChecked()) << "absent counts as 0";
    screen.show();
    screen.close();
    EXPECT_EQ(splash(), "0");
  }
  core::WriteKey(settings(), "splash", "1");
  {
    IntroScreen screen(settings());
    auto* box = child<QCheckBox>(screen, "CheckBox1");
    EXPECT_TRUE(box->isChecked());
    screen.show();
    box->setChecked(false);  // the operator wants it back at the next start
    screen.close();
    EXPECT_EQ(splash(), "0");
    screen.show();
    box->setChecked(true);
    screen.close();
    EXPECT_EQ(splash(), "1");
  }
}

TEST_F(IntroScreenTest, TheBoxAppearsOnlyWhenBoxtimerFires) {
  IntroScreen screen(settings());
  QTimer* boxtimer = child(screen, "boxtimer");
  EXPECT_TRUE(boxtimer->isActive()) << "runs from creation";
  screen.boxtimerTimer();
  EXPECT_TRUE(child<QCheckBox>(screen, "CheckBox1")->isVisibleTo(&screen));
  EXPECT_FALSE(boxtimer->isActive());
}

// By keyboard alone: Tab to the box, Space to tick it, Return to close.
TEST_F(IntroScreenTest, TabReachesTheBoxAndReturnCloses) {
  IntroScreen screen(settings());
  screen.show();
  screen.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&screen));
  screen.boxtimerTimer();
  auto* box = child<QCheckBox>(screen, "CheckBox1");
  for (int i = 0; i < 4 && QApplication::focusWidget() != box; ++i) {
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &screen,
                    Qt::Key_Tab);
  }
  ASSERT_EQ(QApplication::focusWidget(), box);
  QTest::keyClick(box, Qt::Key_Space);
  EXPECT_TRUE(box->isChecked());
  QTest::keyClick(box, Qt::Key_Return);
  EXPECT_FALSE(screen.isVisible());
  EXPECT_EQ(splash(), "1");
}

TEST_F(IntroScreenTest, TheLinesFadeInWithTheirStylesAndTheScreensText) {
  IntroScreen screen(settings());
  screen.prepare(kVersion, "Captain Hook");
  screen.show();
  EXPECT_TRUE(child(screen, "fader")->isActive());
  screen.faderTimer();
  screen.faderTimer();
  EXPECT_TRUE(screen.displayLine(0)->isVisible());
  EXPECT_EQ(screen.displayLine(0)->palette().color(QPalette::WindowText),
            colourFromBgr(levelColour(1)));
  EXPECT_FALSE(screen.displayLine(1)->isVisible());
  fadeIn(screen);
  for (int i = 0; i < kIntroShownLines; ++i) {
    EXPECT_TRUE(screen.displayLine(i)->isVisible()) << i;
    EXPECT_EQ(screen.displayLine(i)->palette().color(QPalette::WindowText), QColor(Qt::white));
  }
  EXPECT_EQ(screen.displayLine(0)->text(), "Zelvaro V1.5c (5th July 1999)");
  EXPECT_TRUE(screen.displayLine(0)->font().bold());
  EXPECT_FALSE(screen.displayLine(1)->font().bold());

  const auto& lines = screen.text().lines();
  int sub = 0;
  while (!lines[sub].starts_with("\xC2\xA4")) ++sub;
  screen.scrollTo(sub);
  EXPECT_TRUE(screen.displayLine(0)->font().bold());
  EXPECT_TRUE(screen.displayLine(0)->font().underline());
  EXPECT_EQ(screen.displayLine(0)->text().toStdString(), lines[sub].substr(2));
  bool named = false;
  for (const auto& line : lines) named = named || line.find("\"Captain Hook\"") != line.npos;
  EXPECT_TRUE(named) << "the hosts' instructions name the default alias";
}

TEST_F(IntroScreenTest, TheArrowsScrollToTheLastPageAndNoFurther) {
  IntroScreen screen(settings());
  screen.show();
  auto* arrows = child<UpDown>(screen, "UpDown1");
  const int last = screen.text().lineCount() - kIntroShownLines;
  EXPECT_EQ(arrows->maximum(), last);
  QTest::mouseClick(arrows->upButton(), Qt::LeftButton);
  EXPECT_EQ(screen.position(), 0) << "nothing above the first line";
  QTest::mouseClick(arrows->downButton(), Qt::LeftButton);
  EXPECT_EQ(screen.position(), 1);
  EXPECT_EQ(screen.displayLine(0)->text().toStdString(), screen.text().lines()[1]);
  screen.scrollTo(last);
  child(screen, "sleeper")->stop();
  QTest::mouseClick(arrows->downButton(), Qt::LeftButton);
  EXPECT_EQ(screen.position(), last);
  const auto& lines = screen.text().lines();
  EXPECT_EQ(shownTexts(screen),
            std::vector<std::string>(lines.end() - kIntroShownLines, lines.end()));
  EXPECT_TRUE(child(screen, "sleeper")->isActive()) << "a click restarts sleeper";
}

TEST_F(IntroScreenTest, KeysAndTheWheelScrollLikeTheArrows) {
  IntroScreen screen(settings());
  screen.show();
  QTest::keyClick(&screen, Qt::Key_PageDown);
  EXPECT_EQ(screen.position(), kIntroShownLines);
  QTest::keyClick(&screen, Qt::Key_Up);
  EXPECT_EQ(screen.position(), kIntroShownLines - 1);
  auto wheel = [&](int delta) {
    QWheelEvent event(QPointF(200, 200), screen.mapToGlobal(QPointF(200, 200)), QPoint(),
                      QPoint(0, delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(&screen, &event);
  };
  wheel(-120);
  EXPECT_EQ(screen.position(), kIntroShownLines);
  wheel(120);
  wheel(120);
  EXPECT_EQ(screen.position(), kIntroShownLines - 2);
  EXPECT_EQ(screen.displayLine(0)->text().toStdString(),
            styleLine(screen.text().lines()[kIntroShownLines - 2]).text);
  QTest::keyClick(&screen, Qt::Key_Escape);
  EXPECT_FALSE(screen.isVisible()) << "Escape closes";
  EXPECT_EQ(splash(), "0") << "and writes splash like any closing";
}

TEST_F(IntroScreenTest, LeftAloneTheTextFadesOutAndAMouseMoveBringsItBackFromTheTop) {
  IntroScreen screen(settings());
  screen.show();
  fadeIn(screen);
  screen.sleeperTimer();
  EXPECT_EQ(screen.fading().mode(), FadeMode::FadingOut);
  fadeIn(screen);  // as many ticks as fading in takes
  EXPECT_EQ(screen.fading().mode(), FadeMode::FadedOut);
  for (int i = 0; i < kIntroShownLines; ++i) EXPECT_FALSE(screen.displayLine(i)->isVisible());

  QWidget* picture = child<QWidget>(screen, "Image1");
  QTest::mouseMove(picture, QPoint(200, 300));
  EXPECT_EQ(screen.fading().mode(), FadeMode::FadingIn);
  EXPECT_TRUE(child(screen, "sleeper")->isActive());
  screen.faderTimer();
  screen.faderTimer();
  EXPECT_TRUE(screen.displayLine(0)->isVisible());
  EXPECT_FALSE(screen.displayLine(1)->isVisible());
}

TEST_F(IntroScreenTest, AClickOnThePictureOrTheArrowsAlsoWakesTheText) {
  IntroScreen screen(settings());
  screen.show();
  auto fadeOut = [&] {
    screen.sleeperTimer();
    fadeIn(screen);
    ASSERT_EQ(screen.fading().mode(), FadeMode::FadedOut);
  };
  fadeOut();
  QTest::mouseClick(child<QWidget>(screen, "Image1"), Qt::LeftButton, {}, QPoint(50, 300));
  EXPECT_EQ(screen.fading().mode(), FadeMode::FadingIn);
  fadeIn(screen);
  fadeOut();
  QTest::mousePress(child<UpDown>(screen, "UpDown1")->downButton(), Qt::LeftButton);
  EXPECT_EQ(screen.fading().mode(), FadeMode::FadingIn);
  QTest::mouseRelease(child<UpDown>(screen, "UpDown1")->downButton(), Qt::LeftButton);
}

TEST_F(IntroScreenTest, TheShipFiresItsEngineInTwoStagesAndBack) {
  IntroScreen screen(settings());
  screen.show();
  auto* small = child<QLabel>(screen, "Image3");
  auto* large = child<QLabel>(screen, "Image2");
  QTimer* timer2 = child(screen, "Timer2");
  screen.Timer1Timer();
  EXPECT_TRUE(timer2->isActive());
  screen.Timer2Timer();
  EXPECT_TRUE(small->isVisible());
  EXPECT_FALSE(large->isVisible());
  screen.Timer2Timer();
  EXPECT_TRUE(large->isVisible());
  EXPECT_FALSE(small->isVisible());
  EXPECT_FALSE(timer2->isActive());
  screen.Timer1Timer();
  screen.Timer2Timer();
  EXPECT_TRUE(small->isVisible());
  EXPECT_FALSE(large->isVisible());
  screen.Timer2Timer();
  EXPECT_FALSE(small->isVisible() || large->isVisible());
  EXPECT_FALSE(timer2->isActive());
}

TEST_F(IntroScreenTest, ActivationStartsTheIdleClockAndTheRemarksRiseAfterIt) {
  IntroScreen screen(settings());
  screen.show();
  screen.FormActivate();
  EXPECT_TRUE(child(screen, "Timer1")->isActive());
  EXPECT_TRUE(child(screen, "last")->isActive());
  screen.lastTimer();
  EXPECT_TRUE(child(screen, "liner")->isActive());
  QLabel* caption = child<QLabel>(screen, "Label7");
  const QString designed = caption->text();
  for (int i = 0; i < 7; ++i) screen.linerTimer();
  EXPECT_GE(caption->y(), 400) << "sunk below the window";
  EXPECT_NE(caption->text(), designed) << "and came back with a remark";
  for (int i = 0; i < 6; ++i) screen.linerTimer();
  EXPECT_EQ(caption->geometry().bottom(), 399);
}

TEST_F(IntroScreenTest, OkSinksWhilePressedAndClosesOnClick) {
  IntroScreen screen(settings());
  screen.show();
  screen.FormActivate();
  fadeIn(screen);
  auto* ok = child<QLabel>(screen, "Label6");
  const QPoint home = ok->pos();
  QTest::mousePress(ok, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(ok->pos(), home + QPoint(1, 1));
  EXPECT_TRUE(screen.isVisible());
  QTest::mouseRelease(ok, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(ok->pos(), home);
  EXPECT_FALSE(screen.isVisible());
  EXPECT_EQ(splash(), "0");
  for (const char* name : {"Timer1", "Timer2", "sleeper", "fader", "last", "liner"}) {
    EXPECT_FALSE(child(screen, name)->isActive()) << name;
  }
  EXPECT_TRUE(child(screen, "boxtimer")->isActive()) << "boxtimer keeps its 12 seconds";
  for (int i = 0; i < kIntroShownLines; ++i) {
    EXPECT_FALSE(screen.displayLine(i)->isVisibleTo(&screen));
    EXPECT_EQ(screen.displayLine(i)->palette().color(QPalette::WindowText), QColor(Qt::black));
  }
}

TEST_F(IntroScreenTest, ShowAgainStartsFromTheFirstPageFadingIn) {
  IntroScreen screen(settings());
  screen.show();
  screen.scrollTo(10);
  fadeIn(screen);
  screen.close();
  bool checked = false;
  QTimer::singleShot(0, &screen, [&] {
    EXPECT_TRUE(screen.isModal() || screen.windowModality() != Qt::NonModal);
    EXPECT_EQ(screen.position(), 0);
    EXPECT_EQ(child<UpDown>(screen, "UpDown1")->position(), 0);
    EXPECT_EQ(screen.fading().mode(), FadeMode::FadingIn);
    EXPECT_TRUE(child(screen, "fader")->isActive());
    checked = true;
    screen.close();
  });
  screen.showAgain();
  EXPECT_TRUE(checked);
}

TEST_F(IntroScreenTest, HiddenItCostsNothing) {
  IntroScreen screen(settings());
  for (const char* name : {"Timer1", "sleeper", "fader", "last", "liner"}) {
    EXPECT_FALSE(child(screen, name)->isActive()) << name;
  }
  screen.show();
  for (const char* name : {"Timer1", "sleeper", "fader"}) {
    EXPECT_TRUE(child(screen, name)->isActive()) << name;
  }
}

}  // namespace
}  // namespace zelvaro::ui
