#include "ui/settings_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "core/player_database.h"
#include "core/text_store.h"
#include "platform/messages.h"
#include "support/scripted_smtp_server.h"
#include "support/temp_dir.h"
#include "ui/global_options.h"

namespace zelvaro::ui {
namespace {

using Strings = std::vector<std::string>;

class SettingsDialogTest : public testing::Test {
 protected:
  void SetUp() override {
    core::resetStoreState();
    recorded().clear();
    recorded().fileAnswers.clear();
    recorded().dialogs.clear();
    test::writeFile(path, "server,old.server\r\ndatabase," + oldDatabase + "\r\n");
    current.server = "old.server";
    current.email = "host@example.org";
    current.defalias = "The Host";
    current.database = oldDatabase;
    current.logging = false;
    current.logfile = "";
    current.overwrite = true;
  }

  static platform::RecordingMessages& recorded() {
    return dynamic_cast<platform::RecordingMessages&>(platform::messages());
  }

  template <typename Widget = QWidget>
  Widget* control(const char* name) {
    auto* widget = dialog.findChild<Widget*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << "no " << name;
    return widget;
  }
  QLineEdit* edit(int n) { return control<QLineEdit>(("Edit" + std::to_string(n)).c_str()); }
  // At the left edge: a check box reacts on its box and caption only, not across its cell.
  void click(const char* name) {
    QWidget* widget = control(name);
    QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(6, widget->height() / 2));
  }
  void type(int n, const QString& text) {
    edit(n)->clear();
    QTest::keyClicks(edit(n), text);
  }
  std::string key(const std::string& name) { return core::ReadKey(path, name); }
  void open() {
    dialog.fill(current);
    dialog.show();
  }

  test::TempDir dir;
  std::string path = dir.file("zelvaro.cfg");
  std::string oldDatabase = dir.file("players.txt");
  core::Settings current;
  Strings switched;  // every database the dialog switched to
  std::vector<core::PlayerRow> grid;
  int monitorShown = 0;
  // The main window's part: switch, then reload the players grid from the new file.
  SettingsDialog dialog{path,
                        {[this](const std::string& database) {
                           switched.push_back(database);
                           grid = core::PlayerDatabase(database).loadRows();
                         },
                         [this] { ++monitorShown; },
                         {},
                         [this](const std::string& key, const std::string& secret) {
                           kept[key] = secret;
                           return std::string();
                         }}};
  std::map<std::string, std::string> kept;  // the keyring's part
};

TEST_F(SettingsDialogTest, EveryControlHasItsNameAndCaption) {
  EXPECT_EQ(dialog.objectName(), "Form3");
  EXPECT_EQ(dialog.windowTitle(), "Settings");
  EXPECT_EQ(control<QGroupBox>("GroupBox1")->title(), "SMTP");
  const std::vector<std::pair<const char*, const char*>> labels{{"Label1", "&Server"},
                                                                {"Label2", "&Return emailadress"},
                                                                {"Label3", "Default &alias"},
                                                                {"Label4", "&Database file"},
                                                                {"Label5", "Log to &file:"}};
  for (auto [name, caption] : labels) EXPECT_EQ(control<QLabel>(name)->text(), caption) << name;
  const std::vector<std::pair<const char*, const char*>> buttons{{"Button1", "Clos&e"},
                                                                 {"Button2", "..."},
                                                                 {"Button3", "..."},
                                                                 {"CheckBox1", "&Logging"},
                                                                 {"CheckBox2", "&Overwrite"}};
  for (auto [name, caption] : buttons) {
    EXPECT_EQ(control<QAbstractButton>(name)->text(), caption) << name;
  }
  for (int n = 1; n <= 5; ++n) edit(n);
  control("Panel1");
  for (int n = 1; n <= 4; ++n) {
    EXPECT_TRUE(control(("m" + std::to_string(n)).c_str())->isHidden()) << "m" << n;
  }
  for (int n = 1; n <= 8; ++n) {
    EXPECT_TRUE(control(("Image" + std::to_string(n)).c_str())->isHidden()) << "Image" << n;
  }
  EXPECT_TRUE(edit(1)->toolTip().contains("host:port")) << edit(1)->toolTip().toStdString();
  for (const char* name : {"Edit5", "Button2", "CheckBox2"}) {
    EXPECT_FALSE(control(name)->isEnabled()) << name << " is disabled at start";
  }
  EXPECT_FALSE(dialog.windowFlags() & Qt::WindowCloseButtonHint);
}

TEST_F(SettingsDialogTest, TheOpenerFillsTheDialogAndTakesTheSevenValuesBack) {
  current.logging = true;
  current.logfile = "/var/log/old.log";
  QTimer::singleShot(0, &dialog, [this] {
    EXPECT_EQ(edit(1)->text(), "old.server");
    EXPECT_EQ(edit(2)->text(), "host@example.org");
    EXPECT_EQ(edit(3)->text(), "The Host");
    EXPECT_EQ(edit(4)->text().toStdString(), oldDatabase);
    EXPECT_EQ(edit(5)->text(), "/var/log/old.log");
    EXPECT_TRUE(control<QCheckBox>("CheckBox1")->isChecked());
    EXPECT_TRUE(control<QCheckBox>("CheckBox2")->isChecked());
    type(1, "smtp.example.org:587");
    type(2, "me@example.org");
    type(3, "Me");
    type(4, QString::fromStdString(dir.file("other.txt")));
    type(5, "/tmp/new.log");
    click("CheckBox2");
    click("Button1");
  });
  dialog.edit(current);

  EXPECT_EQ(current.server, "smtp.example.org:587");
  EXPECT_EQ(current.email, "me@example.org");
  EXPECT_EQ(current.defalias, "Me");
  EXPECT_EQ(current.database, dir.file("other.txt"));
  EXPECT_TRUE(current.logging);
  EXPECT_EQ(current.logfile, "/tmp/new.log");
  EXPECT_FALSE(current.overwrite);
  EXPECT_EQ(switched, Strings{dir.file("other.txt")})
      << "a path typed without Enter is switched to at Close, so the grid shows it";
  EXPECT_EQ(key("database"), oldDatabase);
}

TEST_F(SettingsDialogTest, LoggingSwitchEnablesAndColoursTheLogFileControls) {
  const QColor window = QApplication::palette(edit(5)).color(QPalette::Active, QPalette::Base);
  const QColor silver(0xc0, 0xc0, 0xc0);
  ASSERT_NE(window, silver);
  auto base = [this] { return edit(5)->palette().color(QPalette::Active, QPalette::Base); };
  auto enabled = [this] {
    return Strings{std::to_string(edit(5)->isEnabled()),
                   std::to_string(control("Button2")->isEnabled()),
                   std::to_string(control("CheckBox2")->isEnabled())};
  };

  current.logging = true;
  open();
  EXPECT_EQ(base(), window) << "the opener colours the log file too";
  EXPECT_EQ(enabled(), (Strings{"1", "1", "1"}));
  click("CheckBox1");
  EXPECT_EQ(base(), silver);
  EXPECT_EQ(enabled(), (Strings{"0", "0", "0"}));
  click("CheckBox1");
  EXPECT_EQ(base(), window);
  EXPECT_EQ(enabled(), (Strings{"1", "1", "1"}));

  current.logging = false;
  dialog.fill(current);
  EXPECT_EQ(base(), silver);
  EXPECT_EQ(enabled(), (Strings{"0", "0", "0"}));
}

TEST_F(SettingsDialogTest, CloseWritesTheMailKeysInOrderAndLeavesTheDatabaseKey) {
  open();
  type(1, "mail.example.org");
  type(3, "Big Host");
  click("Button1");
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_TRUE(recorded().texts().empty()) << recorded().texts().front();
  EXPECT_EQ(test::readFile(path), "server,mail.example.org\r\ndatabase," + oldDatabase +
                                      "\r\nemail,host@example.org\r\ndefalias,Big Host\r\n"
                                      "logging,0\r\nlogfile,\r\noverwrite,1\r\nsecurity,none\r\n"
                                      "user,\r\nauth,auto\r\npasswordcommand,\r\ncafile,\r\n"
                                      "imapserver,\r\nimapsecurity,tls\r\nimapuser,\r\n"
                                      "imappasswordcommand,\r\nimapauth,auto\r\n"
                                      "imapfolder,INBOX\r\nimapdone,Zelvaro\r\n");
}

TEST_F(SettingsDialogTest, CloseKeepsATypedPasswordInTheKeyringOnly) {
  open();
  control<QLineEdit>("UserEdit")->setText(QStringLiteral("host"));
  QTest::keyClicks(control<QLineEdit>("PasswordEdit"), QStringLiteral("s3cret"));
  click("Button1");
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(kept, (std::map<std::string, std::string>{{"host@old.server", "s3cret"}}));
  EXPECT_EQ(key("user"), "host");
  EXPECT_EQ(test::readFile(path).find("s3cret"), std::string::npos);
}

TEST_F(SettingsDialogTest, LoggingWithoutAFileNameRefusesToClose) {
  open();
  click("CheckBox1");
  for (QString name : {"", "   "}) {
    recorded().clear();
    type(5, name);
    click("Button1");
    EXPECT_EQ(recorded().texts(), Strings{std::string(kNoLogfileMessage)});
    EXPECT_TRUE(dialog.isVisible()) << "the dialog stays open";
    EXPECT_EQ(key("logging"), "1") << "the keys are written before the check";
    EXPECT_EQ(key("logfile"), name.toStdString());
  }

  // Closing from the window frame is refused the same way.
  recorded().clear();
  dialog.close();
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(recorded().texts(), Strings{std::string(kNoLogfileMessage)});

  // Escape is Close, with the same refusal.
  recorded().clear();
  QTest::keyClick(&dialog, Qt::Key_Escape);
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(recorded().texts(), Strings{std::string(kNoLogfileMessage)});

  recorded().clear();
  type(5, dir.file("session.log").c_str());
  click("Button1");
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_TRUE(recorded().texts().empty());
  EXPECT_EQ(key("logfile"), dir.file("session.log"));
}

TEST_F(SettingsDialogTest, EnterSwitchesTheDatabaseAtOnceButNotTheSettingsFile) {
  open();
  const std::string missing = dir.file("fresh.txt");
  ASSERT_FALSE(std::filesystem::exists(missing));
  type(4, QString::fromStdString(missing));
  EXPECT_TRUE(switched.empty()) << "typing alone switches nothing";
  QTest::keyClick(edit(4), Qt::Key_Return);
  EXPECT_EQ(switched, Strings{missing});
  EXPECT_EQ(test::readFile(missing), "") << "the reload creates the missing file empty";
  EXPECT_EQ(grid, std::vector<core::PlayerRow>{core::PlayerRow{}}) << "one blank row";
  EXPECT_TRUE(dialog.isVisible()) << "Enter must not click a button";
  EXPECT_TRUE(recorded().texts().empty()) << recorded().texts().front();

  // A blank path is nothing to switch to.
  type(4, "  ");
  QTest::keyClick(edit(4), Qt::Key_Return);
  EXPECT_EQ(switched, Strings{missing});

  click("Button1");
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(switched, Strings{missing}) << "a blank path is not switched to at Close either";
  EXPECT_EQ(key("database"), oldDatabase) << "written when the program closes, not here";
  dialog.takeInto(current);
  EXPECT_EQ(current.database, missing);
}

TEST_F(SettingsDialogTest, BrowseButtonsPutThePickedFilesInPlace) {
  current.logging = true;
  current.logfile = "/var/log/zelvaro.log";
  open();
  recorded().answerNextFile(std::nullopt);
  click("Button3");
  EXPECT_TRUE(switched.empty()) << "a cancelled pick changes nothing";
  EXPECT_EQ(edit(4)->text().toStdString(), oldDatabase);

  const std::string picked = dir.file("league.txt");
  recorded().answerNextFile(picked);
  click("Button3");
  EXPECT_EQ(edit(4)->text().toStdString(), picked);
  EXPECT_EQ(switched, Strings{picked});

  recorded().answerNextFile("/srv/logs/game.log");
  click("Button2");
  EXPECT_EQ(edit(5)->text(), "/srv/logs/game.log");

  ASSERT_EQ(recorded().dialogs.size(), 3u);
  EXPECT_EQ(recorded().dialogs[0].fileName, oldDatabase);
  EXPECT_EQ(recorded().dialogs[2].fileName, "/var/log/zelvaro.log");
  EXPECT_FALSE(recorded().dialogs[2].confirmOverwrite) << "a log is appended to";
}

TEST_F(SettingsDialogTest, DoubleClickOnServerAsksForTheMonitor) {
  open();
  QTest::mouseClick(control("Label1"), Qt::LeftButton);
  EXPECT_EQ(monitorShown, 0);
  QTest::mouseDClick(control("Label1"), Qt::LeftButton);
  EXPECT_EQ(monitorShown, 1);
  EXPECT_TRUE(dialog.isVisible());
}

TEST_F(SettingsDialogTest, DecorationWaitsSeventySecondsAndStopsOnClose) {
  auto linesShown = [this] {
    int shown = 0;
    for (int n = 1; n <= 4; ++n) shown += control(("m" + std::to_string(n)).c_str())->isVisible();
    return shown;
  };
  auto picturesShown = [this] {
    int shown = 0;
    for (int n = 1; n <= 8; ++n) {
      shown += control(("Image" + std::to_string(n)).c_str())->isVisible();
    }
    return shown;
  };

  // Closed within the 70 s: nothing ever shows.
  open();
  EXPECT_TRUE(dialog.timer1().isActive());
  EXPECT_EQ(dialog.timer1().interval(), 70000);
  EXPECT_FALSE(dialog.timer2().isActive());
  QApplication::processEvents();
  EXPECT_EQ(linesShown(), 0);
  click("Button1");
  EXPECT_FALSE(dialog.timer1().isActive());
  dialog.Timer1Timer();  // a tick that was already queued
  EXPECT_FALSE(dialog.timer2().isActive());
  EXPECT_EQ(linesShown(), 0);

  // Left open: the show starts and scrolls.
  open();
  dialog.Timer1Timer();
  EXPECT_FALSE(dialog.timer1().isActive());
  EXPECT_TRUE(dialog.timer2().isActive());
  EXPECT_EQ(dialog.timer2().interval(), 100);
  EXPECT_EQ(linesShown(), 4);
  QString previous;
  for (int tick = 0; tick < 20; ++tick) {
    dialog.Timer2Timer();
    EXPECT_EQ(control<QLabel>("m2")->text(), previous);
    previous = control<QLabel>("m1")->text();
    EXPECT_FALSE(previous.isEmpty());
    ASSERT_EQ(picturesShown(), 1) << "one picture at a time";
    auto placement = *dialog.decoration().picture();
    QWidget* picture = control(("Image" + std::to_string(placement.index + 1)).c_str());
    EXPECT_TRUE(control("Panel1")->rect().contains(picture->geometry()))
        << "in the lower panel, scale " << placement.scale;
  }

  click("Button1");
  EXPECT_FALSE(dialog.timer1().isActive());
  EXPECT_FALSE(dialog.timer2().isActive());
  EXPECT_EQ(picturesShown(), 0);
  dialog.show();
  EXPECT_EQ(linesShown(), 0) << "a new opening starts without the show";
  EXPECT_EQ(picturesShown(), 0);
}

}  // namespace
}  // namespace zelvaro::ui

namespace zelvaro::ui {
namespace {

class SettingsDialogKeyboardTest : public SettingsDialogTest {
 protected:
  void openActive() {
    current.logging = true;
    open();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
  }
  std::string focused() const {
    QWidget* widget = QApplication::focusWidget();
    return widget != nullptr ? widget->objectName().toStdString() : "<none>";
  }
};

// Typed blind, a password must land in Password: Tab goes down the screen.
TEST_F(SettingsDialogKeyboardTest, TabGoesDownTheScreenAndAltLettersReachTheirFields) {
  openActive();
  edit(1)->setFocus();
  Strings order{focused()};
  for (int i = 0; i < 60; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    if (focused() == order.front()) break;
    // The orders mailbox's own group comes between, in its own order.
    if (focused().rfind("Imap", 0) != 0) order.push_back(focused());
  }
  EXPECT_EQ(order, (Strings{"Edit1",
                            "Edit2",
                            "Edit3",
                            "Edit4",
                            "Button3",
                            "SecurityChoice",
                            "UserEdit",
                            "PasswordEdit",
                            "PasswordCommandEdit",
                            "AuthChoice",
                            "CaFileEdit",
                            "CaFileButton",
                            "CheckButton",
                            "TestMessageButton",
                            "CheckReport",
                            "CheckBox1",
                            "Edit5",
                            "Button2",
                            "CheckBox2",
                            "Button1"}));

  const std::vector<std::pair<Qt::Key, const char*>> letters{{Qt::Key_S, "Edit1"},
                                                             {Qt::Key_R, "Edit2"},
                                                             {Qt::Key_A, "Edit3"},
                                                             {Qt::Key_D, "Edit4"},
                                                             {Qt::Key_Y, "SecurityChoice"},
                                                             {Qt::Key_U, "UserEdit"},
                                                             {Qt::Key_P, "PasswordEdit"},
                                                             {Qt::Key_M, "PasswordCommandEdit"},
                                                             {Qt::Key_H, "AuthChoice"},
                                                             {Qt::Key_C, "CaFileEdit"},
                                                             {Qt::Key_F, "Edit5"},
                                                             {Qt::Key_V, "ImapServerEdit"},
                                                             {Qt::Key_I, "ImapSecurityChoice"},
                                                             {Qt::Key_W, "ImapPasswordEdit"},
                                                             {Qt::Key_G, "ImapDoneEdit"}};
  for (auto [key, name] : letters) {
    QTest::keyClick(QApplication::focusWidget(), key, Qt::AltModifier);
    EXPECT_EQ(focused(), name);
  }
}

TEST_F(SettingsDialogKeyboardTest, EscapeCancelsARunningCheckThenCloses) {
  test::ScriptedSmtpServer server;
  server.line("220 slow.example").expectLine().pause(60000);
  current.server = "127.0.0.1:" + std::to_string(server.port());
  current.logfile = dir.file("session.log");
  openActive();
  auto* cancel = control<QPushButton>("CancelCheckButton");
  EXPECT_FALSE(cancel->isEnabled());
  bool cancelEnabled = false;
  QTimer::singleShot(300, &dialog, [&] {
    cancelEnabled = cancel->isEnabled();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
  });
  const auto start = std::chrono::steady_clock::now();
  QTest::mouseClick(control("CheckButton"), Qt::LeftButton);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
  EXPECT_TRUE(cancelEnabled);
  EXPECT_FALSE(cancel->isEnabled());
  EXPECT_TRUE(dialog.isVisible()) << "Escape ended the check, not the dialog";
  auto* verdict = control<QLabel>("CheckVerdict");
  EXPECT_EQ(verdict->text(), "Connection check cancelled.");
  EXPECT_LT(verdict->mapTo(&dialog, QPoint()).y(),
            control("CheckReport")->mapTo(&dialog, QPoint()).y())
      << "the verdict comes first";

  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(key("server"), current.server) << "Escape is Close: what was entered is written";
}

}  // namespace
}  // namespace zelvaro::ui
