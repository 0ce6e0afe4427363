// Send from the main window: a real session against the tests' SMTP server, with the window
// as its host, and the universe browser that feeds it.

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include "core/player_database.h"
#include "main_window_test.h"
#include "send/send_session.h"
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

  size_t count(const std::string& clientLine) const {
    return size_t(
        std::count(server.transcript().begin(), server.transcript().end(), "C: " + clientLine));
  }

  ScriptedSmtpServer server;
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
  // Answers the dialog before Send with `button` once it shows; what it listed goes to `listed`.
  std::string listed;
  auto answer = [&](const char* button, bool again = false) {
    QTimer::singleShot(0, window.get(), [&listed, button, again] {
      auto* dialog = qobject_cast<ui::PreSendDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr) << "no dialog before Send";
      listed = control<QLabel>(*dialog, "Problems")->text().toStdString();
      if (again) control<QCheckBox>(*dialog, "SendAgain")->setChecked(true);
      control<QPushButton>(*dialog, button)->click();
    });
  };

  writeFile(dir.file("abc.m1"), starsTurn(2400, 2));
  answer("Cancel");
  window->Button1Click();
  EXPECT_NE(listed.find("#1 Ann: abc.m1 is player 2's turn"), std::string::npos) << listed;
  answer("SendOk");
  window->Button1Click();
  EXPECT_TRUE(server.transcript().empty()) << "nothing sent before the choice, nor after these";
  EXPECT_EQ(
      shown(),
      (std::vector<std::string>{"0 of 1 mailed; #1 Ann: not mailed: abc.m1 is player 2's turn"}));
  EXPECT_EQ(text(*window, "gen"), generated) << "nothing was generated for anybody";

  writeFile(dir.file("abc.m1"), starsTurn(2400, 1));
  server.acceptMessage();
  recorded().clear();
  window->Button1Click();  // all is well: no question
  EXPECT_TRUE(waitUntil([&] { return server.finished(); }));
  EXPECT_TRUE(shown().empty()) << testing::PrintToString(shown());

  recorded().clear();
  answer("SendOk");
  window->Button1Click();
  EXPECT_NE(listed.find("#1 Ann: mailed on "), std::string::npos) << listed;
  ASSERT_EQ(shown().size(), 1u);
  EXPECT_EQ(shown()[0].rfind("1 of 1 mailed; #1 Ann: already mailed on ", 0), 0u) << shown()[0];
  EXPECT_EQ(recorded().entries.back().kind, platform::MessageKind::Information);

  server.acceptMessage();
  recorded().clear();
  answer("SendAll", true);
  window->Button1Click();
  EXPECT_EQ(count("RCPT TO:<ann@example.org>"), 2u) << "sent again";
  EXPECT_TRUE(shown().empty()) << testing::PrintToString(shown());

  server.acceptMessage();
  find<QAction>("Mailagain1")->trigger();  // the roster's popup: no question asked
  EXPECT_EQ(count("RCPT TO:<ann@example.org>"), 3u);
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

  // Shown whatever the journal says, and the next preview clears the last one's folder.
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
  EXPECT_NE(failed.find(": 550 550 no such user\n"), std::string::npos) << failed;

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

}  // namespace
}  // namespace zelvaro::test
