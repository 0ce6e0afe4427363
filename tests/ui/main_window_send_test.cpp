// Send from the main window: a real session against the tests' SMTP server, with the window
// as its host, and the universe browser that feeds it.

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include "core/orders_status.h"
#include "core/player_database.h"
#include "core/send_journal.h"
#include "core/turn_status.h"
#include "main_window_test.h"
#include "platform/file_lock.h"
#include "send/send_session.h"
#include "support/lock_holder.h"
#include "support/scripted_smtp_server.h"
#include "support/stars_turn.h"
#include "support/wait.h"
#include "ui/pre_send_dialog.h"
#include "ui/preview_dialog.h"
#include "ui/text_window.h"

namespace zelvaro::test {
namespace {

class MainWindowSendTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    core::WriteKey(settingsPath, "server", "127.0.0.1:" + std::to_string(server.port()));
    core::WriteKey(settingsPath, "email", "host@example.org");
    writeFile(dir.file("database.txt"), "");
    core::PlayerDatabase(dir.file("database.txt")).append({"Ann", "ann@example.org", ""});
    start().show();
    window->setSessionTiming({20, 30000, 2000});
  }

  // A game in the folder with Ann as player 1 and her result file.
  void openGame() {
    const std::string path = writeGame("abc");
    writeFile(dir.file("abc.m1"), starsTurn(2400, 1, "result of player one"));
    openThroughMenu(path);
    recorded().clear();
  }

  // Game "nebula" at 2426 with Ann, Bob and Cid, each with his result file of that year, in
  // `folder` (the test's own by default).
  std::string writeNebula(const std::string& folder = {}) {
    const std::string place = folder.empty() ? dir.path() : folder;
    std::filesystem::create_directories(place);
    core::Game game;
    game.name = "nebula";
    game.subject = "Turn %Y";
    game.universePath = place + "/nebula.xy";
    game.roster = {core::ContestorEntry::assigned("Ann", "ann@example.org"),
                   core::ContestorEntry::assigned("Bob", "bob@example.org"),
                   core::ContestorEntry::assigned("Cid", "cid@example.org")};
    game.filePath = place + "/nebula.zv";
    core::writeGameFile(game);
    writeFile(place + "/nebula.hst", starsHost(2426));
    writeFile(place + "/nebula.xy", starsUniverse());
    for (int player = 1; player <= 3; ++player) {
      writeFile(place + "/nebula.m" + std::to_string(player), starsTurn(2426, player));
    }
    return game.filePath;
  }
  void openNebula() {
    openThroughMenu(writeNebula());
    recorded().clear();
  }

  // Answers the dialog before Send with `key` (or a click on `button`) once it shows.
  void answerBeforeSending(Qt::Key key, const char* button = nullptr) {
    QTimer::singleShot(0, window.get(), [this, key, button] {
      auto* dialog = qobject_cast<ui::PreSendDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr) << "no dialog before Send";
      beforeSending = text(*dialog, "Problems");
      if (button != nullptr) return click(*dialog, button);
      // Even with the focus moved to "Send all", Enter does the safe thing.
      auto* sendAll = control<QPushButton>(*dialog, "SendAll");
      sendAll->setFocus();
      QTest::keyClick(sendAll, key);
    });
  }

  // The recipients the server heard of since `from` lines of its transcript.
  std::vector<std::string> recipients(size_t from = 0) const {
    std::vector<std::string> found;
    const auto& lines = server.transcript();
    for (size_t i = from; i < lines.size(); ++i) {
      if (lines[i].rfind("C: RCPT TO:<", 0) == 0) {
        found.push_back(lines[i].substr(12, lines[i].size() - 13));
      }
    }
    return found;
  }

  size_t count(const std::string& clientLine) const {
    return size_t(
        std::count(server.transcript().begin(), server.transcript().end(), "C: " + clientLine));
  }

  ScriptedSmtpServer server;
  std::string beforeSending;  // what the dialog before Send listed
};

TEST_F(MainWindowSendTest, SendMailsTheGameAsTheWindowShowsIt) {
  openGame();
  find<QLineEdit>("subject")->setText("Turn %Y of %G for %P");
  server.acceptMessage();
  auto* send = find<QPushButton>("Button1");
  bool disabledWhileSending = false;
  // The window answers while the session waits for the server.
  QTimer::singleShot(0, window.get(), [&] { disabledWhileSending = !send->isEnabled(); });

  EXPECT_TRUE(window->sendGame());
  EXPECT_TRUE(window->sendFailures().empty());

  EXPECT_TRUE(disabledWhileSending);
  EXPECT_TRUE(send->isEnabled());
  EXPECT_TRUE(server.finished());
  EXPECT_EQ(count("RCPT TO:<ann@example.org>"), 1u);
  EXPECT_EQ(count("MAIL FROM:<host@example.org>"), 1u);
  const auto& lines = server.transcript();
  EXPECT_NE(std::find_if(lines.begin(), lines.end(),
                         [](const std::string& line) {
                           return line.rfind("C: Subject: Turn", 0) == 0 &&
                                  line.find(" of abc for 1") != std::string::npos;
                         }),
            lines.end());
  EXPECT_TRUE(shown().empty()) << testing::PrintToString(shown());
  EXPECT_EQ(text(*window, "gen"), "Last generated: " + window->game().lastGenerated);
  EXPECT_NE(window->game().lastGenerated, "never");
  EXPECT_TRUE(window->logWindow().isVisible());
  EXPECT_NE(window->logWindow().text().find("Send complete."), std::string::npos);
  EXPECT_GT(window->monitorWindow().lineCount(), 5);
  EXPECT_EQ(find<QProgressBar>("prog2")->value(), 100);
  EXPECT_TRUE(waitUntil([&] { return find<QProgressBar>("prog2")->value() == 0; }));
}

TEST_F(MainWindowSendTest, SendAsksFirstWhenAFileIsWrongOrTheTurnWentOutAndSumsUp) {
  openGame();
  const std::string generated = text(*window, "gen");
  // Answers the dialog before Send with `button` once it shows; what it listed is kept.
  auto answer = [this](const char* button, bool again = false) {
    QTimer::singleShot(0, window.get(), [this, button, again] {
      auto* dialog = qobject_cast<ui::PreSendDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr) << "no dialog before Send";
      beforeSending = text(*dialog, "Problems");
      if (again) control<QCheckBox>(*dialog, "SendAgain")->setChecked(true);
      click(*dialog, button);
    });
  };

  writeFile(dir.file("abc.m1"), starsTurn(2400, 2));
  answer("Cancel");
  window->Button1Click();
  EXPECT_NE(beforeSending.find("#1 Ann: abc.m1 is player 2's turn"), std::string::npos)
      << beforeSending;
  // Nobody's files are right: Enter cancels.
  answerBeforeSending(Qt::Key_Return);
  window->Button1Click();
  EXPECT_TRUE(server.transcript().empty()) << "nothing sent before the choice, nor after these";
  EXPECT_TRUE(shown().empty()) << testing::PrintToString(shown());
  EXPECT_EQ(text(*window, "gen"), generated) << "nothing was generated for anybody";

  writeFile(dir.file("abc.m1"), starsTurn(2400, 1));
  server.acceptMessage();
  recorded().clear();
  window->Button1Click();  // all is well: no question
  EXPECT_TRUE(waitUntil([&] { return server.finished(); }));
  EXPECT_EQ(shown(), std::vector<std::string>{"1 player to mail: 1 mailed now, 0 had it already, "
                                              "0 not mailed.\n\nMailed now:\n  #1 Ann"});
  EXPECT_EQ(recorded().entries.back().kind, platform::MessageKind::Information);

  recorded().clear();
  answer("SendOk");
  window->Button1Click();
  EXPECT_NE(beforeSending.find("#1 Ann: mailed on "), std::string::npos) << beforeSending;
  ASSERT_EQ(shown().size(), 1u);
  EXPECT_EQ(shown()[0].rfind("1 player to mail: 0 mailed now, 1 had it already, 0 not mailed."
                             "\n\nHad it already:\n  #1 Ann (mailed on ",
                             0),
            0u)
      << shown()[0];

  server.acceptMessage();
  recorded().clear();
  answer("SendAll", true);
  window->Button1Click();
  EXPECT_EQ(count("RCPT TO:<ann@example.org>"), 2u) << "sent again";

  server.acceptMessage();
  find<QAction>("Mailagain1")->trigger();  // the roster's popup: no question asked
  EXPECT_EQ(count("RCPT TO:<ann@example.org>"), 3u);
}

TEST_F(MainWindowSendTest, SendWaitsWhileAnotherZelvaroMailsTheGameAndMayBeCancelled) {
  openGame();
  const std::string lock = platform::lockPathFor(core::journalGameFile(window->game()));
  OtherLockHolder other(lock);
  ASSERT_TRUE(other.holding());
  std::string said;
  bool windowAlive = false;
  QTimer::singleShot(300, window.get(), [&] {
    windowAlive = true;
    auto* dialog = window->findChild<QDialog*>(QStringLiteral("GameWait"));
    ASSERT_NE(dialog, nullptr) << "no word of the wait";
    said = control<QLabel>(*dialog, "Sentence")->text().toStdString();
    click(*dialog, "Cancel");
  });
  window->Button1Click();
  EXPECT_TRUE(windowAlive);
  EXPECT_EQ(
      said.rfind(window->game().filePath + ": another Zelvaro is mailing this game; waiting\n", 0),
      0u)
      << said;
  EXPECT_TRUE(server.transcript().empty());

  // Once the other is done, the waiting Send goes on by itself.
  server.acceptMessage();
  QTimer::singleShot(300, window.get(), [&] { other.release(); });
  window->Button1Click();
  EXPECT_TRUE(server.finished());
  EXPECT_EQ(count("RCPT TO:<ann@example.org>"), 1u);
}

TEST_F(MainWindowSendTest, TheUniverseIsTakenAsPickedAndItsHeaderChecked) {
  openGame();
  const std::string universe = dir.file("Abc.XY");
  writeFile(universe, "no stars here");
  recorded().answerNextFile(universe);
  window->game().changed = false;

  window->Button2Click();

  EXPECT_EQ(recorded().dialogs.back().filter, "Universes (*.xy)");
  EXPECT_EQ(find<QLineEdit>("xyfilename")->text().toStdString(), universe);
  EXPECT_EQ(window->game().universePath, universe);
  EXPECT_TRUE(window->game().changed);
  EXPECT_EQ(shown(), std::vector<std::string>{"Universe file is corrupt!"});

  // With a base path known, the browser proposes the game's universe file.
  find<QLineEdit>("xyfilename")->setText(QString::fromStdString(dir.file("abc.xy")));
  window->readYear();
  recorded().answerNextFile(std::nullopt);
  window->Button2Click();
  EXPECT_EQ(recorded().dialogs.back().fileName, dir.file("abc.xy"));
}

TEST_F(MainWindowSendTest, PreviewShowsTheFirstMessageAndItsFolderAndSendsNothing) {
  openGame();
  // Typed as the operator would: the focus stays in the subject.
  find<QLineEdit>("subject")->setFocus();
  find<QLineEdit>("subject")->setText("Turn %Y of %G for %P");
  const std::string generated = text(*window, "gen");
  std::string folder, message, attachments, opened;
  QTimer::singleShot(0, window.get(), [&] {
    auto* dialog = qobject_cast<ui::PreviewDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr) << "no preview";
    folder = text(*dialog, "PreviewFolder");
    message = control<QPlainTextEdit>(*dialog, "PreviewMessage")->toPlainText().toStdString();
    attachments = text(*dialog, "PreviewAttachments");
    dialog->openFolder = [&opened](const std::string& path) {
      opened = path;
      return true;
    };
    click(*dialog, "OpenFolder");
    click(*dialog, "Close");
  });
  trigger("Previewmessages1");

  EXPECT_TRUE(server.transcript().empty()) << "nothing sent";
  EXPECT_TRUE(shown().empty()) << testing::PrintToString(shown());
  EXPECT_EQ(text(*window, "gen"), generated) << "nothing was generated for anybody";
  EXPECT_NE(message.find("Subject: Turn 2400 of abc for 1\n"), std::string::npos) << message;
  EXPECT_NE(message.find("To: ann@example.org\n"), std::string::npos) << message;
  EXPECT_EQ(attachments, "Attachments:\n  abc.m1  (" +
                             std::to_string(std::filesystem::file_size(dir.file("abc.m1"))) +
                             " bytes)");
  ASSERT_FALSE(opened.empty());
  EXPECT_NE(folder.find(opened), std::string::npos) << folder;
  EXPECT_TRUE(std::filesystem::exists(opened + "/01-player1.eml"));

  // A player mailed already is still listed (to be skipped), and the next preview clears the
  // last one's folder.
  server.acceptMessage();
  window->sendGame();
  QTimer::singleShot(0, window.get(), [] {
    auto* dialog = qobject_cast<ui::PreviewDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr) << "no preview after the turn was mailed";
    click(*dialog, "Close");
  });
  trigger("Previewmessages1");
  EXPECT_FALSE(std::filesystem::exists(opened));
}

TEST_F(MainWindowSendTest, TheRosterSaysWhenEachPlayerWasMailedOrWhyNot) {
  openGame();
  auto& roster = window->contestors();
  EXPECT_EQ(roster.cell(0, 3), "");
  server.greet().reply("250 sender ok").reply("550 no such user").reply("221 bye").close();
  window->sendGame();
  EXPECT_EQ(roster.cell(0, 3), "failed");
  const std::string failed = roster.item(0, 2)->toolTip().toStdString();
  EXPECT_EQ(failed.rfind("Not mailed on ", 0), 0u) << failed;
  EXPECT_NE(failed.find(": 550 no such user\n"), std::string::npos) << failed;

  server.acceptMessage();
  window->sendGame();
  EXPECT_TRUE(server.finished());
  const std::string when = roster.cell(0, 3);
  ASSERT_EQ(when.size(), 5u) << when;
  EXPECT_EQ(when[2], ':');
  const std::string sent = roster.item(0, 0)->toolTip().toStdString();
  EXPECT_NE(sent.find(" " + when + " to ann@example.org\nFiles: abc.m1\n"), std::string::npos)
      << sent;

  // A game opened afresh reads the journal again.
  window->clearGame();
  EXPECT_EQ(roster.cell(0, 3), "");
  openThroughMenu(dir.file("abc.zv"));
  EXPECT_EQ(roster.cell(0, 3), when);
}

TEST_F(MainWindowSendTest, EnterBeforeSendingNeverMailsAStaleFileAndTheSummaryGroupsEveryone) {
  openNebula();
  writeFile(dir.file("nebula.m2"), starsTurn(2425, 2));  // last year's turn
  server.acceptMessage().acceptMessage();
  answerBeforeSending(Qt::Key_Return);
  window->Button1Click();

  EXPECT_NE(beforeSending.find("#2 Bob: nebula.m2 is for 2425, the host file is at 2426"),
            std::string::npos)
      << beforeSending;
  EXPECT_EQ(recipients(), (std::vector<std::string>{"ann@example.org", "cid@example.org"}));
  EXPECT_EQ(shown(), std::vector<std::string>{
                         "3 players to mail: 2 mailed now, 0 had it already, 1 not mailed.\n\n"
                         "Mailed now:\n  #1 Ann\n  #3 Cid\n\n"
                         "Not mailed:\n  #2 Bob: nebula.m2 is for 2425, the host file is at 2426"});
  EXPECT_EQ(recorded().entries.back().kind, platform::MessageKind::Warning);
  EXPECT_NE(window->logWindow().text().find(
                "Player #2 Bob: not mailed: nebula.m2 is for 2425, the host file is at 2426"),
            std::string::npos)
      << window->logWindow().text();

  // Only Bob is left, and his file is wrong: Enter mails nobody.
  const size_t before = server.transcript().size();
  recorded().clear();
  answerBeforeSending(Qt::Key_Enter);
  window->Button1Click();
  EXPECT_EQ(server.transcript().size(), before);
  ASSERT_EQ(shown().size(), 1u);
  EXPECT_EQ(shown()[0].rfind("3 players to mail: 0 mailed now, 2 had it already, 1 not mailed.\n\n"
                             "Had it already:\n  #1 Ann (mailed on ",
                             0),
            0u)
      << shown()[0];

  // A click on "Send all" mails it, and the journal says so.
  server.acceptMessage();
  answerBeforeSending(Qt::Key_unknown, "SendAll");
  window->Button1Click();
  EXPECT_EQ(recipients(before), std::vector<std::string>{"bob@example.org"});
  const std::string anyway = "sent anyway: nebula.m2 is for 2425, the host file is at 2426";
  EXPECT_NE(window->logWindow().text().find("Player #2 Bob: " + anyway), std::string::npos);
  core::SendJournal journal;
  journal.load();
  const auto bob = journal.lastWord(dir.file("nebula.zv"), 2426, 2);
  ASSERT_TRUE(bob.has_value());
  EXPECT_EQ(bob->outcome, anyway);
  EXPECT_EQ(
      window->contestors().item(1, 0)->toolTip().toStdString().find(anyway) != std::string::npos,
      true);
}

TEST_F(MainWindowSendTest, PreviewSaysPerPlayerWhatSendThenDoes) {
  openNebula();
  server.acceptMessage();
  window->sendGame(send::SendOptions{.only = {1}});  // Ann has her turn already
  writeFile(dir.file("nebula.m2"), starsTurn(2425, 2));
  const size_t before = server.transcript().size();

  std::vector<std::string> verdicts;
  std::string cidMessage, bobMessage, path;
  bool pathSelected = false;
  QTimer::singleShot(0, window.get(), [&] {
    auto* dialog = qobject_cast<ui::PreviewDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr) << "no preview";
    auto* players = control<QListWidget>(*dialog, "PreviewPlayers");
    for (int row = 0; row < players->count(); ++row) {
      verdicts.push_back(players->item(row)->text().toStdString());
    }
    auto* message = control<QPlainTextEdit>(*dialog, "PreviewMessage");
    cidMessage = message->toPlainText().toStdString();  // the first message shows first
    players->setCurrentRow(1);
    bobMessage = message->toPlainText().toStdString();
    // No file manager here: the path is shown to copy.
    dialog->openFolder = [](const std::string&) { return false; };
    click(*dialog, "OpenFolder");
    auto* edit = control<QLineEdit>(*dialog, "PreviewPath");
    path = edit->isVisible() ? edit->text().toStdString() : "";
    pathSelected = edit->selectedText() == edit->text() && dialog->focusWidget() == edit;
    click(*dialog, "Close");
  });
  trigger("Previewmessages1");

  ASSERT_EQ(verdicts.size(), 3u);
  EXPECT_EQ(verdicts[0].rfind("#1 Ann: skip: already mailed on ", 0), 0u) << verdicts[0];
  EXPECT_EQ(verdicts[1], "#2 Bob: not mailed: nebula.m2 is for 2425, the host file is at 2426");
  EXPECT_EQ(verdicts[2], "#3 Cid: mail");
  EXPECT_NE(cidMessage.find("To: cid@example.org\n"), std::string::npos) << cidMessage;
  EXPECT_NE(bobMessage.find("Send would mail nothing"), std::string::npos) << bobMessage;
  EXPECT_TRUE(std::filesystem::exists(path + "/01-player3.eml")) << path;
  EXPECT_TRUE(pathSelected);
  EXPECT_EQ(server.transcript().size(), before) << "a preview sends nothing";
  EXPECT_TRUE(shown().empty()) << testing::PrintToString(shown());

  server.acceptMessage();
  answerBeforeSending(Qt::Key_Return);
  window->Button1Click();
  EXPECT_EQ(recipients(before), std::vector<std::string>{"cid@example.org"});
  ASSERT_EQ(shown().size(), 1u);
  EXPECT_EQ(shown()[0].rfind("3 players to mail: 1 mailed now, 1 had it already, 1 not mailed.", 0),
            0u)
      << shown()[0];
}

TEST_F(MainWindowSendTest, TheYearAndTheMailedColumnFollowTheHostFileOnDisk) {
  openNebula();
  EXPECT_EQ(text(*window, "gameyear"), "Current year: 2426");
  server.acceptMessage();
  window->sendGame(send::SendOptions{.only = {1}});
  const std::string mailedAt = window->contestors().cell(0, 3);
  ASSERT_EQ(mailedAt.size(), 5u) << mailedAt;

  // The host generates the next turn while the window stands open.
  writeFile(dir.file("nebula.hst"), starsHost(2427));
  EXPECT_TRUE(waitUntil([&] { return text(*window, "gameyear") == "Current year: 2427"; }))
      << text(*window, "gameyear");
  EXPECT_EQ(window->game().year, 2427);
  EXPECT_EQ(window->contestors().cell(0, 3), "2426: " + mailedAt);
  EXPECT_NE(window->contestors().item(0, 3)->foreground().color(),
            window->contestors().palette().color(QPalette::Active, QPalette::Text))
      << "an earlier year's mark is greyed";
  EXPECT_EQ(window->contestors().item(0, 0)->toolTip().toStdString().rfind(
                "Not mailed this year yet. The turn of 2426 was mailed on ", 0),
            0u);
  EXPECT_EQ(window->contestors().cell(1, 3), "");
}

TEST_F(MainWindowSendTest, ACopiedGameOffersItsOwnUniverseAndNamesFilesFromElsewhere) {
  // The game was made in old/ and copied to new/; old/ is gone, a treaty file stays outside.
  const std::string copy = dir.file("new");
  writeNebula(copy);
  core::Game game = readSaved(copy + "/nebula.zv");
  game.universePath = dir.file("old/nebula.xy");
  writeFile(dir.file("treaty.txt"), "peace");
  game.roster[2] = game.roster[2].withExtraFiles({dir.file("treaty.txt")});
  core::writeGameFile(game);

  recorded().answerNext(platform::Button::Yes);
  openThroughMenu(copy + "/nebula.zv");
  ASSERT_EQ(questions(), 1);
  EXPECT_NE(
      shown().back().find("The universe file " + dir.file("old/nebula.xy") +
                          " is missing, but the game file's folder holds " + copy + "/nebula.xy"),
      std::string::npos)
      << shown().back();
  EXPECT_EQ(window->game().universePath, copy + "/nebula.xy");
  EXPECT_EQ(text(*window, "gameyear"), "Current year: 2426");
  EXPECT_TRUE(window->game().changed) << "saved on the host's word";

  answerBeforeSending(Qt::Key_Escape);
  window->Button1Click();
  EXPECT_NE(beforeSending.find("outside the game's folders"), std::string::npos) << beforeSending;
  EXPECT_NE(beforeSending.find("#3 Cid: " + dir.file("treaty.txt")), std::string::npos)
      << beforeSending;
  EXPECT_TRUE(server.transcript().empty());
}

TEST_F(MainWindowSendTest, TheRosterSaysWhoseOrdersAreIn) {
  openGame();
  auto& roster = window->contestors();
  EXPECT_EQ(roster.cell(0, 4), "");
  const core::Game& game = window->game();
  core::SendJournal journal;
  journal.append(core::OrdersEntry{"2026-12-08T14:02:11+01:00",
                                   core::journalGameFile(game),
                                   game.name,
                                   game.year,
                                   1,
                                   "ann@example.org",
                                   {"abc.x1", std::string(64, 'a')},
                                   "<o1@example.org>",
                                   "accepted",
                                   "orders of player 1 for 2400"});
  openThroughMenu(dir.file("abc.zv"));
  EXPECT_EQ(roster.cell(0, 4), "in 14:02");
  EXPECT_EQ(roster.item(0, 1)->toolTip().toStdString(),
            "Orders accepted on 2026-12-08 14:02 from ann@example.org (abc.x1): orders of "
            "player 1 for 2400");
}

}  // namespace
}  // namespace zelvaro::test
