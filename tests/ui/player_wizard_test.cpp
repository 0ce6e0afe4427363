#include "ui/player_wizard.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

#include "core/text_file.h"
#include "dialog_test.h"
#include "support/stars_turn.h"
#include "support/temp_dir.h"
#include "ui/extra_files_dialog.h"
#include "wizard_host_fake.h"

namespace zelvaro::ui {
namespace {

using test::click;
using test::recorded;
using test::text;
using Lines = std::vector<std::string>;

class PlayerWizardTest : public test::DialogTest {
 protected:
  void SetUp() override {
    DialogTest::SetUp();
    host.database = dir.file("players.txt");
    test::writeFile(host.database,
                    "\"Bob\",\"bob-has-no-at\",\"\"\r\n\"Ann\",\"ann@example.org\",\"\"\r\n");
    test::writeFile(dir.file("GAME.XY"), "");
    open();
  }

  void open() {
    wizard.start();
    wizard.show();
  }

  QLineEdit* edit(const char* name) {
    if (std::string(name) == "edit3") return test::control<QComboBox>(wizard, name)->lineEdit();
    return test::control<QLineEdit>(wizard, name);
  }
  void type(const char* name, const std::string& typed) {
    QTest::keyClicks(edit(name), QString::fromStdString(typed));
  }
  void retype(const char* name, const std::string& typed) {
    edit(name)->selectAll();
    QTest::keyClick(edit(name), Qt::Key_Backspace);
    type(name, typed);
  }
  void enter(const char* name) { QTest::keyClick(edit(name), Qt::Key_Return); }
  std::string hostText() { return edit("edit3")->text().toStdString(); }
  bool enabled(const char* name) { return test::control<QWidget>(wizard, name)->isEnabled(); }
  Lines bubble() { return {text(wizard, "wiz"), text(wizard, "wiz2")}; }

  // Steps 1 and 2 with the universe GAME.XY and player 3, whose result file is there.
  void answerUniverseAndNumber() {
    test::writeFile(dir.file("GAME.m3"), "turn");
    edit("Edit1")->setText(QString::fromStdString(dir.file("GAME.XY")));
    retype("Edit2", "3");
    enter("Edit2");
  }
  // Then the host's address and the game name: step 5.
  void answerAll(const std::string& hostAddress = "host@example.org") {
    answerUniverseAndNumber();
    type("edit3", hostAddress);
    enter("edit3");
    type("Edit4", "abc");
    enter("Edit4");
  }

  test::TempDir dir;
  test::FakeWizardHost host;
  ExtraFilesDialog extraFiles;
  PlayerWizard wizard{host, extraFiles};
};

TEST_F(PlayerWizardTest, OpensAtStepOneWithItsNamesAndCaptions) {
  test::expectTexts(wizard, "Form11", "Make it easy for me oh big and wise Wizard!",
                    {{"Label1", "Universe"},
                     {"Button1", "..."},
                     {"Label4", "Your playernumber"},
                     {"Edit2", "1"},
                     {"Label3", "Host's email"},
                     {"Label5", "The name of the game"},
                     {"Button2", "More files.."},
                     {"ok", "Ok"},
                     {"notok", "Not ok"},
                     {"Button5", "Forget it all"},
                     {"Label2", "The Wizard"}});
  EXPECT_EQ(test::hint(wizard, "Button2"), "You can attach extra files!");
  EXPECT_FALSE(test::control<QWidget>(wizard, "Button5")->focusPolicy() & Qt::TabFocus);
  for (const char* shape : {"Shape1", "Shape2", "Shape3", "Shape4", "Image1"}) {
    EXPECT_NE(test::control<QWidget>(wizard, shape), nullptr);
  }
  for (const char* open : {"Edit1", "Button1", "Button5"}) EXPECT_TRUE(enabled(open)) << open;
  for (const char* shut : {"Edit2", "edit3", "Edit4", "Button2", "ok", "notok"}) {
    EXPECT_FALSE(enabled(shut)) << shut;
  }
  EXPECT_EQ(wizard.focusWidget(), edit("Edit1"));
  test::expectFixedDialog(wizard);
}

TEST_F(PlayerWizardTest, HintsAfterTwoSecondsOnTheFirstOpeningOnlyAndNothingButButtonsCloseIt) {
  EXPECT_EQ(bubble(), (Lines{"I put a spell on you!", ""}));
  EXPECT_TRUE(wizard.timer1().isActive());
  EXPECT_EQ(wizard.timer1().interval(), 2000);
  wizard.Timer1Timer();
  EXPECT_FALSE(wizard.timer1().isActive());
  const Lines hint{"1st, Choose a universe..", "(Use the '...' button!)"};
  EXPECT_EQ(bubble(), hint);

  QTest::keyClick(&wizard, Qt::Key_Escape);
  wizard.close();
  EXPECT_TRUE(wizard.isVisible());

  click(wizard, "Button5");
  EXPECT_FALSE(wizard.isVisible());
  open();
  EXPECT_FALSE(wizard.timer1().isActive());
  EXPECT_EQ(bubble(), hint);
  EXPECT_TRUE(host.calls.empty()) << "Forget it all leaves the window alone";
}

TEST_F(PlayerWizardTest, UpperCaseUniverseWithPlayerThreeGivesTheOrdersFileX3) {
  answerUniverseAndNumber();
  EXPECT_EQ(wizard.steps().ordersFile(), dir.file("GAME.x3"));
  EXPECT_EQ(bubble(),
            (Lines{"Now I need to know your host's", "email address. <Enter> when done."}));
  EXPECT_FALSE(enabled("Edit2"));
  EXPECT_TRUE(enabled("edit3"));
  EXPECT_EQ(wizard.focusWidget(), test::control<QComboBox>(wizard, "edit3"));
}

TEST_F(PlayerWizardTest, ATypedPathMovesOnAtTheFirstExistingUniverse) {
  test::writeFile(dir.file("u.x"), "");
  test::writeFile(dir.file("u.xy"), "");
  type("Edit1", dir.file("u.x"));
  EXPECT_EQ(bubble()[0], "That ain't no universefile man!");
  EXPECT_TRUE(enabled("Edit1"));
  type("Edit1", "y.more");
  EXPECT_EQ(text(wizard, "Edit1"), dir.file("u.xy")) << "the rest went nowhere";
  EXPECT_FALSE(enabled("Edit1"));
  EXPECT_FALSE(enabled("Button1"));
  EXPECT_TRUE(enabled("Edit2"));
  EXPECT_EQ(wizard.focusWidget(), edit("Edit2"));
  EXPECT_EQ(bubble(), (Lines{"Now tell me your player number", "and hit return real hard."}));
}

TEST_F(PlayerWizardTest, BrowsesForTheUniverse) {
  recorded().answerNextFile(dir.file("GAME.XY"));
  click(wizard, "Button1");
  ASSERT_EQ(recorded().dialogs.size(), 1u);
  EXPECT_EQ(recorded().dialogs[0].filter, "Universes (*.xy)");
  EXPECT_TRUE(enabled("Edit2"));
}

TEST_F(PlayerWizardTest, RefusesPlayerNumbersOutsideOneToSixteenAndKeepsABlankAsTyped) {
  edit("Edit1")->setText(QString::fromStdString(dir.file("GAME.XY")));
  for (const char* refused : {"0", "17", "", "3,5"}) {
    retype("Edit2", refused);
    enter("Edit2");
    EXPECT_EQ(bubble()[0], "Enter a value between 1 and 16") << refused;
    EXPECT_TRUE(enabled("Edit2"));
  }
  test::writeFile(dir.file("GAME.x 3"), "orders");
  retype("Edit2", " 3");
  enter("Edit2");
  EXPECT_TRUE(enabled("edit3"));
  EXPECT_EQ(wizard.steps().ordersFile(), dir.file("GAME.x 3"));
}

TEST_F(PlayerWizardTest, WarnsOnceWithoutTurnFilesAndAgainAfterReopening) {
  const Lines warning{"I see no turn files here yet.", "If you are sure, hit enter again."};
  for (int opening = 0; opening < 2; ++opening) {
    edit("Edit1")->setText(QString::fromStdString(dir.file("GAME.XY")));
    enter("Edit2");
    EXPECT_EQ(bubble(), warning);
    EXPECT_TRUE(enabled("Edit2"));
    enter("Edit2");
    EXPECT_EQ(bubble(),
              (Lines{"Now I need to know your host's", "email adress. Hit enter when done."}));
    EXPECT_TRUE(enabled("edit3"));
    click(wizard, "Button5");
    open();
    EXPECT_EQ(text(wizard, "Edit1"), "");
    EXPECT_EQ(text(wizard, "Edit2"), "1");
  }
}

TEST_F(PlayerWizardTest, AMissingDatabaseGivesNoChoicesAndStaysMissing) {
  click(wizard, "Button5");
  host.database = dir.file("none.txt");
  open();
  EXPECT_EQ(test::control<QComboBox>(wizard, "edit3")->count(), 0);
  EXPECT_FALSE(core::fileExists(host.database)) << "the wizard writes no file";
}

TEST_F(PlayerWizardTest, ADatabaseNameBecomesThePlayersAddress) {
  auto* combo = test::control<QComboBox>(wizard, "edit3");
  ASSERT_EQ(combo->count(), 2);
  EXPECT_EQ(combo->itemText(0).toStdString(), "Bob") << "file order";
  EXPECT_EQ(combo->itemText(1).toStdString(), "Ann");
  answerUniverseAndNumber();
  combo->setCurrentIndex(1);
  EXPECT_EQ(hostText(), "ann@example.org");
  retype("edit3", "aNN");
  EXPECT_EQ(hostText(), "ann@example.org");
  type("edit3", "x");
  enter("edit3");
  EXPECT_EQ(bubble(), (Lines{"Now just tell me", "the gamename.."}));
  EXPECT_TRUE(enabled("Edit4"));
  EXPECT_EQ(wizard.focusWidget(), edit("Edit4"));
}

TEST_F(PlayerWizardTest, APlayerWithoutAtPassesStepThreeByNameButNotOk) {
  answerUniverseAndNumber();
  enter("edit3");
  EXPECT_TRUE(enabled("edit3")) << "Enter on nothing does nothing";
  type("edit3", "shoe");
  enter("edit3");
  EXPECT_EQ(bubble(), (Lines{"EMAIL adress..  not shoe number!", "At least something with a @."}));
  EXPECT_TRUE(enabled("edit3"));

  retype("edit3", "bob");
  EXPECT_EQ(hostText(), "bob-has-no-at");
  enter("edit3");
  EXPECT_TRUE(enabled("Edit4"));
  enter("Edit4");
  EXPECT_TRUE(enabled("Edit4")) << "Enter on nothing does nothing";
  type("Edit4", "abc");
  enter("Edit4");
  EXPECT_EQ(bubble(), (Lines{"Click OK to finish it,", "or 'forget it all' if you regret . . ."}));
  for (const char* open : {"Button2", "ok", "notok"}) EXPECT_TRUE(enabled(open)) << open;
  EXPECT_FALSE(enabled("Edit4"));

  // The wizard hands Ok the focus: Return presses it.
  ASSERT_EQ(wizard.focusWidget(), test::control<QPushButton>(wizard, "ok"));
  QTest::keyClick(wizard.focusWidget(), Qt::Key_Return);
  EXPECT_EQ(bubble(), (Lines{"You sure know how to fuck up!", "Enter a VALID email address!"}));
  EXPECT_TRUE(wizard.isVisible());
  EXPECT_TRUE(host.calls.empty());
}

TEST_F(PlayerWizardTest, OrdersMadeFromAnOlderTurnAreToldBeforeTheyGo) {
  answerAll();
  test::writeFile(dir.file("GAME.m3"), test::starsTurn(2426, 3));
  test::writeFile(dir.file("GAME.x3"), test::starsOrders(2425, 3));
  click(wizard, "ok");
  EXPECT_EQ(recorded().texts(),
            (Lines{"GAME.x3: these orders were made from last year's turn, and the game is at "
                   "2426: open the newest .m3 and save your orders again\n\nThe host will "
                   "refuse these orders."}));
  EXPECT_TRUE(wizard.isVisible()) << "Cancel is the default";
  EXPECT_TRUE(host.calls.empty());

  recorded().answerNext(platform::Button::Ignore);
  click(wizard, "ok");
  EXPECT_FALSE(wizard.isVisible()) << "Send anyway";
  EXPECT_FALSE(host.calls.empty());

  // Orders that answer the turn go without a word.
  open();
  recorded().clear();
  answerAll();
  test::writeFile(dir.file("GAME.m3"), test::starsTurn(2426, 3));
  test::writeFile(dir.file("GAME.x3"), test::starsOrders(2426, 3));
  click(wizard, "ok");
  EXPECT_TRUE(recorded().texts().empty());
  EXPECT_FALSE(wizard.isVisible());
}

TEST_F(PlayerWizardTest, NotOkOpensEveryAnswerAgain) {
  answerAll();
  click(wizard, "notok");
  for (const char* open :
       {"Edit1", "Edit2", "edit3", "Edit4", "Button1", "Button2", "ok", "notok"}) {
    EXPECT_TRUE(enabled(open)) << open;
  }
  // A corrected number counts only after Enter.
  test::writeFile(dir.file("GAME.m4"), "turn");
  retype("Edit2", "4");
  EXPECT_EQ(wizard.steps().ordersFile(), dir.file("GAME.x3"));
  enter("Edit2");
  EXPECT_EQ(wizard.steps().ordersFile(), dir.file("GAME.x4"));
}

TEST_F(PlayerWizardTest, ExtraFilesSurviveTheReturnAndFollowTheOrdersFile) {
  test::writeFile(dir.file("notes.txt"), "news");
  test::writeFile(dir.file("map.gif"), "GIF89a");
  answerAll();
  QTimer::singleShot(0, &extraFiles, [&] {
    EXPECT_EQ(extraFiles.windowTitle().toStdString(),
              "Click the \"See ya\" button, when you're done.");
    EXPECT_TRUE(extraFiles.files().empty());
    recorded().answerNextFile(dir.file("notes.txt"));
    click(extraFiles, "Button2");
    recorded().answerNextFile(dir.file("map.gif"));
    click(extraFiles, "Button2");
    click(extraFiles, "Button1");
  });
  click(wizard, "Button2");
  const Lines chosen{dir.file("notes.txt"), dir.file("map.gif")};
  QTimer::singleShot(0, &extraFiles, [&] {
    EXPECT_EQ(extraFiles.files(), chosen);
    click(extraFiles, "Button1");
  });
  click(wizard, "Button2");
  EXPECT_EQ(text(wizard, "Edit4"), "abc") << "the answers stay";

  click(wizard, "ok");
  ASSERT_EQ(host.gameValue.roster.size(), 1u);
  EXPECT_EQ(host.gameValue.roster[0].fields(),
            (Lines{"host@example.org", "1", "host@example.org", dir.file("GAME.x3"),
                   dir.file("notes.txt"), dir.file("map.gif")}));

  // The next opening starts without them.
  open();
  QTimer::singleShot(0, &extraFiles, [&] {
    EXPECT_TRUE(extraFiles.files().empty());
    click(extraFiles, "Button1");
  });
  answerAll();
  click(wizard, "Button2");
}

TEST_F(PlayerWizardTest, OkTurnsTheWindowIntoAOneEntryGameForTheHost) {
  core::Game& game = host.gameValue;
  game.filePath = dir.file("old.zv");
  game.name = "old";
  game.subject = "Turn %Y";
  game.body = {"Hello", "there"};
  game.attachUniverse = true;
  game.roster = {core::ContestorEntry::assigned("A", "a@x"), core::ContestorEntry::blank()};
  answerAll("host@example.org");
  click(wizard, "ok");

  EXPECT_EQ(host.calls, (Lines{"clearGame", "disableGameFileItems", "reloadRecentGames",
                               "showGameFields", "refreshRoster"}));
  EXPECT_FALSE(wizard.isVisible());
  EXPECT_EQ(game.filePath, "");
  EXPECT_EQ(game.universePath, dir.file("GAME.XY"));
  EXPECT_EQ(game.name, "abc");
  EXPECT_EQ(game.subject, "My .X file for abc, honoured host!");
  EXPECT_EQ(game.body, (Lines{"<Write your diary for the host here.>"}));
  EXPECT_FALSE(game.attachResults);
  EXPECT_FALSE(game.attachUniverse);
  EXPECT_TRUE(game.changed);
  ASSERT_EQ(game.roster.size(), 1u);
  EXPECT_EQ(game.roster[0].fields(),
            (Lines{"host@example.org", "1", "host@example.org", dir.file("GAME.x3")}));

  ASSERT_EQ(host.contestors.rowCount(), 1);
  EXPECT_EQ(host.contestors.cell(0, 0), "Yes");
  EXPECT_EQ(host.contestors.cell(0, 1), "1");
  EXPECT_EQ(host.contestors.cell(0, 2), "host@example.org");
  EXPECT_TRUE(host.contestors.bold(0, 2));

  EXPECT_EQ(bubble(), (Lines{"1st, Choose a universe..", "(Use the '...' button!)"}));
}

}  // namespace
}  // namespace zelvaro::ui
