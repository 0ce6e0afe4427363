// The settings dialog: logging on, logging off, a failed and a passed check, and its idle show.

#include "ui/settings_dialog.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

#include "shots.h"
#include "ui/security_group.h"

namespace zelvaro::shots {

namespace {

ui::SettingsDialog* settingsDialog(Stage& stage, bool logging,
                                   const std::string& server = "smtp.example.org:587") {
  static ui::SettingsDialog* dialog = nullptr;
  if (dialog == nullptr)
    dialog = stage.keep<ui::SettingsDialog>(stage.settingsPath, ui::SettingsDialog::Hooks{});
  core::Settings settings;
  settings.server = server;
  settings.email = "host@example.org";
  settings.defalias = "Captain Slowpoke";
  settings.database = "/home/host/.config/zelvaro/database.txt";
  settings.logging = logging;
  settings.logfile = "/home/host/stars/zelvaro.log";
  settings.overwrite = true;
  // The checks' shots talk to a loopback server without a login.
  const bool loopback = server.rfind("127.0.0.1", 0) == 0;
  settings.account.security = loopback ? "none" : "starttls";
  settings.account.user = loopback ? "" : "host@example.org";
  settings.account.passwordCommand = loopback ? "" : "pass show mail/smtp.example.org";
  dialog->fill(settings);
  dialog->show();
  return dialog;
}

}  // namespace

void addSettingsShots(std::vector<Shot>& shots) {
  shots.push_back({"settings-logging-on",
                   [](Stage& stage) -> QWidget* { return settingsDialog(stage, true); }});
  shots.push_back({"settings-logging-off",
                   [](Stage& stage) -> QWidget* { return settingsDialog(stage, false); }});
  shots.push_back({"settings-check-failed", [](Stage& stage) -> QWidget* {
                     // Nobody listens on port 1: the report ends with the refusal.
                     ui::SettingsDialog* dialog = settingsDialog(stage, false, "127.0.0.1:1");
                     dialog->findChild<ui::SecurityGroup*>()->checkClick();
                     return dialog;
                   }});
  shots.push_back({"settings-check-passed", [](Stage& stage) -> QWidget* {
                     // A throw-away server of Debian's aiosmtpd on a loopback port (Debian's
                     // Python: another on the PATH may lack it).
                     QProcess server;
                     server.start(QStringLiteral("/usr/bin/python3"),
                                  {"-m", "aiosmtpd", "-n", "-l", "127.0.0.1:18025"});
                     server.waitForStarted();
                     QElapsedTimer started;
                     started.start();
                     while (started.elapsed() < 1500) {
                       QCoreApplication::processEvents();
                       QThread::msleep(20);
                     }
                     ui::SettingsDialog* dialog = settingsDialog(stage, false, "127.0.0.1:18025");
                     auto* security = dialog->findChild<ui::SecurityGroup*>();
                     security->checkClick();
                     // The check runs on the loop: the server must outlive it.
                     started.restart();
                     while (security->checking() && started.elapsed() < 20000) {
                       QCoreApplication::processEvents();
                       QThread::msleep(20);
                     }
                     server.kill();
                     server.waitForFinished();
                     return dialog;
                   }});
  shots.push_back({"settings-idle", [](Stage& stage) -> QWidget* {
                     ui::SettingsDialog* dialog = settingsDialog(stage, false);
                     dialog->Timer1Timer();    // as if left open for 70 s
                     dialog->timer2().stop();  // the shot steps the show itself
                     for (int tick = 0; tick < 12; ++tick) dialog->Timer2Timer();
                     return dialog;
                   }});
}

}  // namespace zelvaro::shots
