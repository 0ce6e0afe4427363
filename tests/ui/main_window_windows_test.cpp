// The main window's other windows as the host meets them: the log and the monitor beside the
// window and where he left them, the manual on F1, and a default size that shows the roster.

#include <QApplication>
#include <QFontMetrics>
#include <QHeaderView>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>

#include "core/player_database.h"
#include "main_window_test.h"
#include "send/send_session.h"
#include "support/scripted_smtp_server.h"
#include "support/stars_turn.h"
#include "ui/help_window.h"
#include "ui/settings_dialog.h"
#include "ui/text_window.h"

namespace zelvaro::test {
namespace {

class MainWindowWindowsTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    core::WriteKey(settingsPath, "server", "127.0.0.1:" + std::to_string(server.port()));
    core::WriteKey(settingsPath, "email", "host@example.org");
    writeFile(dir.file("database.txt"), "");
    core::PlayerDatabase(dir.file("database.txt")).append({"Ann", "ann@example.org", ""});
  }

  void showActive() {
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  }

  ScriptedSmtpServer server;
};

TEST_F(MainWindowWindowsTest, TheLogOpensBesideTheWindowWithoutTheFocusAndTheMonitorKeepsItsPast) {
  start();
  window->setGeometry(0, 0, 480, 400);
  showActive();
  window->setSessionTiming({20, 30000, 2000});
  const std::string path = writeGame("abc");
  writeFile(dir.file("abc.m1"), starsTurn(2400, 1, "result of player one"));
  openThroughMenu(path);
  server.acceptMessage().acceptMessage();

  ASSERT_TRUE(window->sendGame());
  ui::LogWindow& log = window->logWindow();
  EXPECT_TRUE(log.isVisible());
  EXPECT_EQ(QApplication::activeWindow(), window.get()) << "the host goes on in the main window";
  EXPECT_FALSE(log.frameGeometry().intersects(window->frameGeometry()));
  const int firstSession = window->monitorWindow().lineCount();

  send::SendOptions again;
  again.againPlayers = {1};
  ASSERT_TRUE(window->sendGame(again));
  const QStringList monitor =
      QString::fromStdString(window->monitorWindow().text()).split(QLatin1Char('\n'));
  ASSERT_GT(monitor.size(), firstSession + 5);
  EXPECT_TRUE(monitor[firstSession].startsWith(QStringLiteral("----- ")));
  EXPECT_TRUE(monitor[firstSession].endsWith(QStringLiteral(": next session -----")))
      << monitor[firstSession].toStdString();
  EXPECT_EQ(monitor.filter(QStringLiteral("next session")).size(), 1);
}

TEST_F(MainWindowWindowsTest, TheMonitorAndTheLogOpenWhereTheyWereLeft) {
  start();
  showActive();
  window->Monitor1Click();
  window->monitorWindow().setGeometry(120, 140, 500, 300);
  window->close();
  EXPECT_EQ(core::ReadKey(settingsPath, "monitorwindow"), "120,140,500,300");
  EXPECT_EQ(core::ReadKey(settingsPath, "logwindow"), std::string(core::NotFound))
      << "never shown, nowhere to keep";

  start();
  EXPECT_EQ(window->monitorWindow().geometry(), QRect(120, 140, 500, 300));
}

TEST_F(MainWindowWindowsTest, TheDefaultSizeShowsTheRostersNamesWhole) {
  core::DeleteKey(settingsPath, "width");
  core::DeleteKey(settingsPath, "grid2.3");
  start();
  showActive();
  ui::Grid& roster = window->contestors();
  const int name = roster.fontMetrics().horizontalAdvance(QStringLiteral("Dr. Kessa Moor"));
  EXPECT_GE(roster.columnWidth(2), name + 12);
  int columns = 0;
  for (int column = 0; column < roster.columnCount(); ++column) {
    columns += roster.columnWidth(column);
  }
  EXPECT_LE(columns, roster.viewport()->width()) << "no column cut at the right";
}

TEST_F(MainWindowWindowsTest, F1ShowsTheManualAndShiftF10TheRosterMenu) {
  start();
  showActive();
  QTest::keyClick(window.get(), Qt::Key_F1);
  ui::HelpWindow* help = window->helpWindow();
  ASSERT_NE(help, nullptr);
  EXPECT_TRUE(help->isVisible());
  QListWidget* sections = help->sectionList();
  ASSERT_GT(sections->count(), 5);
  EXPECT_EQ(sections->item(0)->text(), "Zelvaro");
  const QList<QListWidgetItem*> commandLine =
      sections->findItems(QStringLiteral("Command line"), Qt::MatchExactly);
  ASSERT_EQ(commandLine.size(), 1);
  sections->setCurrentItem(commandLine.front());
  EXPECT_TRUE(help->sectionText().contains(QStringLiteral("/send"))) << "the section's own text";
  EXPECT_FALSE(help->sectionText().contains(QStringLiteral("Quick start")));
  QTest::keyClick(help, Qt::Key_Escape);
  EXPECT_FALSE(help->isVisible());

  window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  window->contestors().setFocus();
  QTest::keyClick(&window->contestors(), Qt::Key_F10, Qt::ShiftModifier);
  QMenu* menu = window->gridCommands().contestorMenu();
  EXPECT_TRUE(menu->isVisible());
  menu->close();

  // The menu shows the key that sends.
  auto* send = window->findChild<QAction*>(QStringLiteral("Send1"));
  ASSERT_NE(send, nullptr);
  EXPECT_EQ(send->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Return));
}

// Leaving the name box for a dialog is no pick of a game.
TEST_F(MainWindowWindowsTest, OpeningADialogFromTheNameBoxAsksNothing) {
  start();
  showActive();
  openThroughMenu(writeGame("orion"));
  openThroughMenu(writeGame("nebula"));
  find<QLineEdit>("subject")->setText("changed");
  gamename()->setFocus();
  recorded().clear();
  QTimer::singleShot(0, window.get(), [this] { window->settingsDialog().Button1Click(); });
  trigger("Preferences1");
  EXPECT_EQ(questions(), 0) << testing::PrintToString(shown());
  EXPECT_EQ(gamename()->currentText(), "nebula");
  EXPECT_TRUE(window->game().changed);
}

}  // namespace
}  // namespace zelvaro::test
