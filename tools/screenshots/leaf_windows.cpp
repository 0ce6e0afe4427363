// The monitor and log windows, the intro screen, the about box and the manual.

#include <QTimer>
#include <string>

#include <QListWidget>
#include "core/version.h"
#include "shots.h"

#include "ui/about_box.h"
#include "ui/help_window.h"
#include "ui/intro_screen.h"
#include "ui/text_window.h"

namespace zelvaro::shots {

namespace {

void fillMonitor(ui::TextWindow& monitor) {
  const char* conversation[] = {"220 mail.example.org ESMTP ready",
                                "HELO zelvaro",
                                "250 mail.example.org",
                                "MAIL FROM:<host@example.org>",
                                "250 2.1.0 Ok",
                                "RCPT TO:<alice@example.org>",
                                "250 2.1.5 Ok",
                                "DATA",
                                "354 End data with <CR><LF>.<CR><LF>",
                                "Turn 2405 of abc for player 4: your move, commander.",
                                "",
                                "--= Multipart Boundary 0705991200",
                                "Content-Type: application/octet-stream; name=\"abc.m4\"",
                                "Content-Transfer-Encoding: base64",
                                "Content-Disposition: attachment; filename=\"abc.m4\"",
                                ""};
  for (const char* line : conversation) monitor.appendLine(line);
  const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  for (int n = 0; n < 400; ++n) {
    std::string line(60, 'A');
    for (int i = 0; i < 60; ++i) line[i] = alphabet[(n * 37 + i * 11) % 64];
    monitor.appendLine(line);
  }
  for (const char* line : {"--= Multipart Boundary 0705991200--", ".",
                           "250 2.0.0 Ok: queued as 4F2A1", "QUIT", "221 2.0.0 Bye"}) {
    monitor.appendLine(line);
  }
}

ui::IntroScreen* intro(Stage& stage) {
  static ui::IntroScreen* screen = nullptr;
  if (screen == nullptr) {
    screen = stage.keep<ui::IntroScreen>(stage.settingsPath);
    screen->prepare(core::ProgramVersion, "Captain Slowpoke");
  }
  return screen;
}

// The shots drive the timers' handlers themselves; the running timers would move the screen
// on while it is being photographed.
void freeze(ui::IntroScreen& screen) {
  for (QTimer* timer : screen.findChildren<QTimer*>()) timer->stop();
}

// Runs the fade timer's handler until the lines are all up.
void fadeIn(ui::IntroScreen& screen) {
  for (int i = 0; i < 40; ++i) screen.faderTimer();
}

}  // namespace

void addLeafWindowShots(std::vector<Shot>& shots) {
  shots.push_back({"monitor", [](Stage& stage) -> QWidget* {
                     auto* monitor = stage.keep<ui::MonitorWindow>();
                     fillMonitor(*monitor);
                     monitor->showWindow();
                     return monitor;
                   }});
  shots.push_back({"log", [](Stage& stage) -> QWidget* {
                     auto* log = stage.keep<ui::LogWindow>();
                     for (const char* line :
                          {"Zelvaro logfile. Version:1.5c (5th July 1999)", "", "Sending to:2/3",
                           "Player #1: Alice", "Recipient:alice@example.org",
                           "Attaching file:/home/host/games/abc.m1", "Send complete.", "",
                           "Player #2: Bob", "Recipient:bob@example.org",
                           "Attaching file:/home/host/games/abc.m2", "Send complete."}) {
                       log->appendLine(line);
                     }
                     log->showWindow();
                     return log;
                   }});
  shots.push_back({"intro-first-page", [](Stage& stage) -> QWidget* {
                     auto* screen = intro(stage);
                     screen->show();
                     freeze(*screen);
                     fadeIn(*screen);
                     return screen;
                   }});
  shots.push_back({"intro-fading-in", [](Stage& stage) -> QWidget* {
                     auto* screen = intro(stage);
                     screen->show();
                     freeze(*screen);
                     screen->Image1MouseMove();
                     screen->sleeperTimer();
                     for (int i = 0; i < 12; ++i) screen->faderTimer();  // all gone
                     screen->Image1MouseMove();                          // and back, halfway
                     for (int i = 0; i < 6; ++i) screen->faderTimer();
                     return screen;
                   }});
  shots.push_back({"intro-faded-out", [](Stage& stage) -> QWidget* {
                     auto* screen = intro(stage);
                     screen->show();
                     freeze(*screen);
                     fadeIn(*screen);
                     screen->sleeperTimer();
                     fadeIn(*screen);
                     screen->boxtimerTimer();
                     return screen;
                   }});
  shots.push_back({"intro-hosts-page", [](Stage& stage) -> QWidget* {
                     auto* screen = intro(stage);
                     screen->show();
                     freeze(*screen);
                     screen->Image1MouseMove();
                     const auto& lines = screen->text().lines();
                     int hosts = 0;
                     while (hosts < int(lines.size()) && lines[hosts] != "#Hosts instructions:") {
                       ++hosts;
                     }
                     screen->scrollTo(hosts);
                     fadeIn(*screen);
                     screen->Timer1Timer();
                     screen->Timer2Timer();
                     screen->Timer2Timer();  // the engine at full burn
                     return screen;
                   }});
  shots.push_back({"intro-idle-remark", [](Stage& stage) -> QWidget* {
                     auto* screen = intro(stage);
                     screen->show();
                     freeze(*screen);
                     screen->scrollTo(0);
                     screen->Image1MouseMove();
                     fadeIn(*screen);
                     screen->lastTimer();
                     for (int i = 0; i < 20; ++i) screen->linerTimer();
                     return screen;
                   }});
  shots.push_back({"help", [](Stage& stage) -> QWidget* {
                     auto* help = stage.keep<ui::HelpWindow>();
                     const auto found = help->sectionList()->findItems(
                         QStringLiteral("Mail through your provider"), Qt::MatchExactly);
                     if (!found.isEmpty()) help->sectionList()->setCurrentItem(found.front());
                     return help;
                   }});
  shots.push_back({"about", [](Stage& stage) -> QWidget* {
                     auto* about = stage.keep<ui::AboutBox>();
                     about->showAbout(core::ProgramVersion);
                     about->FormActivate();
                     for (int i = 0; i < 40; ++i)
                       about->Timer1Timer();  // the first caption at full colour
                     return about;
                   }});
}

}  // namespace zelvaro::shots
