// The main window's controls, menu, split layout, the settings it reads at creation and writes
// when it closes, and which edits mark the game as changed.

#include <QGroupBox>
#include <QMenu>
#include <QProgressBar>
#include <QTimer>

#include "core/version.h"
#include "main_window_test.h"
#include "ui/main_layout.h"
#include "ui/split_trackbar.h"
#include "ui/text_window.h"

namespace zelvaro::test {
namespace {

TEST(MainLayout, SplitsTheUpperPartByTenthsOfTheWidth) {
  const ui::MainLayout at2 = ui::layOutMain(538, 400, 2);
  EXPECT_EQ(at2.subject.width(), 106);  // 53 x 2
  EXPECT_EQ(at2.Memo1.width(), 106);
  for (const QRect& right : {at2.contestors, at2.gameyear, at2.gen}) {
    EXPECT_EQ(right.left(), 122);
    EXPECT_EQ(right.width(), 8 * 53 - 32);
  }
  EXPECT_EQ(at2.Label5.left(), 122);
  EXPECT_EQ(at2.Prog.right() + 1, 538 - 16);
  EXPECT_EQ(at2.prog2.right() + 1, 538 - 16);

  const ui::MainLayout at8 = ui::layOutMain(538, 400, 8);
  EXPECT_EQ(at8.subject.width(), 424);
  EXPECT_EQ(at8.contestors.left(), 440);
  EXPECT_EQ(at8.contestors.width(), 2 * 53 - 32);

  // At 0 the templates vanish and the roster takes nearly the whole width.
  const ui::MainLayout at0 = ui::layOutMain(538, 400, 0);
  EXPECT_EQ(at0.subject.width(), 0);
  EXPECT_EQ(at0.Memo1.width(), 0);
  EXPECT_EQ(at0.contestors.left(), 16);
  EXPECT_EQ(at0.contestors.width(), 530 - 32);
}

TEST(MainLayout, NoControlGetsANegativeSizeAtAnySplitOrSize) {
  for (int width : {0, 100, 538, 1280}) {
    for (int height : {0, 200, 445}) {
      for (int split = 0; split <= 10; ++split) {
        const ui::MainLayout l = ui::layOutMain(width, height, split);
        for (const QRect& r :
             {l.Label1, l.gamename,   l.Label2,   l.xyfilename, l.Button2,   l.Label3, l.subject,
              l.Label4, l.Memo1,      l.mfile,    l.xyfile,     l.Button1,   l.Prog,   l.prog2,
              l.Label5, l.contestors, l.gameyear, l.gen,        l.GroupBox1, l.players}) {
          EXPECT_GE(r.width(), 0) << width << "x" << height << " split " << split;
          EXPECT_GE(r.height(), 0) << width << "x" << height << " split " << split;
        }
      }
    }
  }
  EXPECT_EQ(ui::layOutMain(538, 400, 10).contestors.width(), 0);
}

TEST_F(MainWindowTest, ControlsAndMenuCarryTheirNamesAndTexts) {
  start();
  EXPECT_EQ(window->objectName().toStdString(), "Form1");
  for (const auto& [name, caption] :
       std::vector<std::pair<const char*, const char*>>{{"Label1", "Gamename"},
                                                        {"Label2", "Universe"},
                                                        {"Button2", "..."},
                                                        {"Label3", "Subject header"},
                                                        {"Label4", "Message body"},
                                                        {"mfile", "Attach .M files"},
                                                        {"xyfile", "Attach .XY file"},
                                                        {"Button1", "Send"},
                                                        {"Label5", "Players in this game"},
                                                        {"gameyear", "Current year: 1999"},
                                                        {"gen", "Last generated: never"}}) {
    EXPECT_EQ(text(*window, name), caption) << name;
  }
  EXPECT_EQ(hint(*window, "Button2"), "Click here to browse");
  EXPECT_EQ(hint(*window, "subject"), "%Y for year, %G for gamename and %P for player number");
  EXPECT_EQ(hint(*window, "Prog"), "Progress of current file");
  EXPECT_EQ(hint(*window, "prog2"), "Progress of all emails");
  EXPECT_EQ(hint(*window, "contestors"), "Names in bold indicate extra fileattachments.");
  EXPECT_EQ(find<QGroupBox>("GroupBox1")->title().toStdString(), "Database");
  EXPECT_EQ(find<QProgressBar>("Prog")->maximum(), 500);
  EXPECT_EQ(find<QProgressBar>("prog2")->maximum(), 100);
  EXPECT_TRUE(find<QCheckBox>("mfile")->isChecked());
  EXPECT_FALSE(find<QCheckBox>("xyfile")->isChecked());
  EXPECT_EQ(find<QTimer>("panic")->interval(), 1);
  EXPECT_FALSE(find<QTimer>("panic")->isActive());
  EXPECT_EQ(window->contestors().horizontalHeaderItem(1)->text().toStdString(), "Player#");
  EXPECT_EQ(window->players().horizontalHeaderItem(2)->text().toStdString(), "Note");
  EXPECT_TRUE(window->databaseEmpty());

  const std::vector<std::pair<const char*, std::vector<std::string>>> menus{
      {"File1",
       {"New", "Player wiz...", "Open...", "Save", "Save as...", "Close", "", "Send",
        "Preview messages...", "", "Exit"}},
      {"Settings1", {"Global options...", "Game-specific options...", "Split..."}},
      {"View1", {"SMTP monitor", "Session log"}},
      {"Info1", {"Manual", "About Zelvaro...", "Show introscreen again!"}}};
  for (const auto& [name, items] : menus) {
    std::vector<std::string> captions;
    for (QAction* action : find<QMenu>(name)->actions()) {
      captions.push_back(action->text().remove('&').toStdString());
    }
    EXPECT_EQ(captions, items) << name;
  }
  for (const char* off : {"Save1", "Close1", "Gamespecificoptions1"}) {
    EXPECT_FALSE(enabled(off)) << off;
  }
  for (const char* on : {"New1", "Playerwiz1", "Open1", "Saveas1", "Exit1", "Preferences1",
                         "Split1", "Showsplashscreenagain1"}) {
    EXPECT_TRUE(enabled(on)) << on;
  }
  EXPECT_TRUE(shown().empty());
}

TEST_F(MainWindowTest, TheSplitTrackbarLaysTheWindowOut) {
  start();
  window->resize(600, 445);
  window->setSplitPosition(2);
  EXPECT_EQ(find<QLineEdit>("subject")->width(), 120);
  EXPECT_EQ(window->contestors().x(), 136);
  EXPECT_EQ(window->contestors().width(), 8 * 60 - 32);

  // At 10 the roster gets no width rather than a negative one.
  window->splitTrackbar().splitChange(10);
  EXPECT_EQ(window->splitPosition(), 10);
  EXPECT_EQ(find<QLineEdit>("subject")->width(), 600);
  EXPECT_EQ(window->contestors().width(), 0);
  EXPECT_EQ(find<QLabel>("gen")->width(), 0);
}

TEST_F(MainWindowTest, ClosingWritesTheLayoutAndTheNextStartReadsIt) {
  start();
  window->show();
  window->move(120, 90);
  window->resize(700, 500);
  window->players().setColumnWidth(1, 200);
  window->contestors().setColumnWidth(2, 150);
  window->contestors().setColumnWidth(3, 64);
  window->setSplitPosition(3);
  openThroughMenu(writeGame("Orion"));
  const QPoint place = window->pos();
  EXPECT_TRUE(window->close());

  EXPECT_EQ(core::ReadKey(settingsPath, "newsmtp"), "1");
  EXPECT_EQ(core::ReadKey(settingsPath, "width"), "700");
  EXPECT_EQ(core::ReadKey(settingsPath, "grid1.2"), "200");
  EXPECT_EQ(core::ReadKey(settingsPath, "grid2.3"), "150");
  EXPECT_EQ(core::ReadKey(settingsPath, "grid2.4"), "64");
  EXPECT_EQ(core::ReadKey(settingsPath, "split"), "3");
  EXPECT_EQ(core::ReadKey(settingsPath, "progmax"), "500");
  EXPECT_EQ(core::ReadKey(settingsPath, "database"), dir.file("database.txt"));
  EXPECT_EQ(core::ReadKey(settingsPath, "history0"),
            core::CommaList::join({"Orion", dir.file("Orion.zv")}));

  start();
  EXPECT_EQ(window->pos(), place);
  EXPECT_EQ(window->size(), QSize(700, 500));
  EXPECT_EQ(window->players().columnWidth(1), 200);
  EXPECT_EQ(window->contestors().columnWidth(2), 150);
  EXPECT_EQ(window->splitPosition(), 3);
  EXPECT_EQ(find<QLineEdit>("subject")->width(), 210);
  EXPECT_EQ(listedGames(), std::vector<std::string>{"Orion"});
  EXPECT_TRUE(shown().empty());
}

TEST_F(MainWindowTest, ClosingAsksOnceAndClosesWhateverTheAnswer) {
  start();
  window->show();
  find<QLineEdit>("subject")->setText("edited");
  recorded().answerNext(platform::Button::Cancel);
  EXPECT_TRUE(window->close());
  EXPECT_EQ(shown(), std::vector<std::string>{"Save the changes, or what?"});
  EXPECT_EQ(core::ReadKey(settingsPath, "newsmtp"), "1");

  // Windows it opened go with it.
  start();
  window->show();
  window->logWindow().showWindow();
  window->Split1Click();
  EXPECT_TRUE(window->splitTrackbar().isVisible());
  window->close();
  EXPECT_FALSE(window->logWindow().isVisible());
  EXPECT_FALSE(window->splitTrackbar().isVisible());

  // Exit asks before closing; the closing does not ask again.
  start();
  window->show();
  find<QLineEdit>("subject")->setText("edited");
  recorded().clear();
  recorded().answerNext(platform::Button::No);
  trigger("Exit1");
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(questions(), 1);
}

TEST_F(MainWindowTest, AWindowDestroyedWithoutClosingWritesNothing) {
  const std::string before = readFile(settingsPath);
  start().resize(640, 480);
  window.reset();
  EXPECT_EQ(readFile(settingsPath), before);
}

TEST_F(MainWindowTest, CreationReadsTheSettingsAndStopsAtABadNumber) {
  core::WriteKey(settingsPath, "progmax", "1200");
  core::WriteKey(settingsPath, "split", "x7");
  start();
  EXPECT_EQ(find<QProgressBar>("Prog")->maximum(), 1200);
  EXPECT_EQ(window->splitPosition(), 7);
  EXPECT_FALSE(window->game().changed);

  // A width that is no number ends the creation work there: no recent games are read, but
  // the height read before it is applied.
  core::WriteKey(settingsPath, "height", "500");
  core::WriteKey(settingsPath, "width", "3,5");
  core::WriteKey(settingsPath, "history0", core::CommaList::join({"Orion", "/x/orion.zv"}));
  start();
  ASSERT_EQ(shown().size(), 1u);
  EXPECT_NE(shown()[0].find("3,5"), std::string::npos) << shown()[0];
  EXPECT_TRUE(listedGames().empty());
  EXPECT_EQ(window->height(), 500);

  // The recent games it never read are not lost when it closes.
  window->close();
  EXPECT_EQ(core::ReadKey(settingsPath, "history0"),
            core::CommaList::join({"Orion", "/x/orion.zv"}));
}

TEST_F(MainWindowTest, EditsOfTheGameControlsMarkItChanged) {
  start().show();
  openThroughMenu(writeGame("Orion"));
  auto expectChangedBy = [this](const char* what, const std::function<void()>& edit) {
    window->game().changed = false;
    edit();
    EXPECT_TRUE(window->game().changed) << what;
  };
  expectChangedBy("xyfilename", [this] { find<QLineEdit>("xyfilename")->setText("u.xy"); });
  expectChangedBy("subject", [this] { find<QLineEdit>("subject")->setText("s"); });
  expectChangedBy("Memo1", [this] { find<QPlainTextEdit>("Memo1")->setPlainText("b"); });
  expectChangedBy("mfile", [this] { click(*window, "mfile"); });
  expectChangedBy("xyfile", [this] { click(*window, "xyfile"); });
  // The game follows the controls.
  EXPECT_EQ(window->game().universePath, "u.xy");
  EXPECT_EQ(window->game().subject, "s");
  EXPECT_EQ(window->game().body, std::vector<std::string>{"b"});
  EXPECT_FALSE(window->game().attachResults);
  EXPECT_TRUE(window->game().attachUniverse);

  window->game().changed = false;
  gamename()->setEditText("Renamed");
  window->setSplitPosition(4);
  window->contestors().selectRow(0);
  window->rosterMover().Button2Click();  // Down
  EXPECT_EQ(window->game().roster[1].name(), "Ann");
  EXPECT_FALSE(window->game().changed);
}

}  // namespace
}  // namespace zelvaro::test
