// The small dialogs: player details, the up/down mover, the split trackbar, the alias and the
// extra-files list.

#include <QApplication>
#include <QDir>
#include <QListWidget>
#include <QMessageBox>

#include <filesystem>

#include "core/text_file.h"
#include "send/session_summary.h"
#include "shots.h"
#include "ui/alias_dialog.h"
#include "ui/extra_files_dialog.h"
#include "ui/player_details_dialog.h"
#include "ui/pre_send_dialog.h"
#include "ui/preview_dialog.h"
#include "ui/roster_mover.h"
#include "ui/split_trackbar.h"

namespace zelvaro::shots {

namespace {

// The main window as the two floating tools see it; the pictures need no real one.
struct StillWindow : ui::RosterMoverTarget, ui::SplitTarget {
  int selectedEntry() const override { return 1; }
  int entryCount() const override { return 4; }
  void swapEntries(int, int) override {}
  void refreshRoster() override {}
  void selectEntry(int) override {}
  int splitPosition() const override { return 5; }
  void setSplitPosition(int) override {}
};

StillWindow& stillWindow() {
  static StillWindow window;
  return window;
}

// A preview's folder with the message of player 1 as the composer writes it.
std::string previewFolder() {
  const std::string folder = QDir::tempPath().toStdString() + "/zelvaro-preview-Xq3b9T";
  std::filesystem::create_directories(folder);
  const std::string turn(18342, 'x');
  QByteArray encoded = QByteArray::fromStdString(turn).toBase64();
  std::vector<std::string> lines = {
      "From: \"Nebula Host\" <host@nebula.example>",
      "Comments: This email was sent with Zelvaro.",
      "To: vega@example.org",
      "Subject: Turn 2426 of Nebula Cup for player 1",
      "Mime-Version: 1.0",
      "Content-Type: multipart/mixed; boundary=\"= Multipart Boundary 1\"",
      "Date: Tue, 08 Dec 2026 08:18:04 +0100",
      "Message-ID: <5f1c9a0e7b2d4e61@nebula.example>",
      "",
      "This is a multipart MIME message.",
      "",
      "--= Multipart Boundary 1",
      "Content-Type: text/plain; charset=\"us-ascii\"",
      "Content-Transfer-Encoding: 7bit",
      "",
      "Greetings, commander!",
      "",
      "Your turn for 2426 of Nebula Cup is attached (you are player 1).",
      "Send your orders back before Friday 20:00.",
      "",
      "-- your friendly host",
      "",
      "--= Multipart Boundary 1",
      "Content-Type: application/octet-stream; name=\"nebula.m1\"",
      "Content-Transfer-Encoding: base64",
      "Content-Disposition: attachment; filename=\"nebula.m1\"",
      ""};
  for (qsizetype at = 0; at < encoded.size(); at += 76) {
    lines.push_back(encoded.mid(at, 76).toStdString());
  }
  lines.push_back("--= Multipart Boundary 1--");
  core::writeAllLines(folder + "/01-player1.eml", lines);
  return folder;
}

}  // namespace

void addDialogShots(std::vector<Shot>& shots) {
  shots.push_back({"player-details", [](Stage& stage) -> QWidget* {
                     auto* dialog = stage.keep<ui::PlayerDetailsDialog>();
                     dialog->setDetails({"Alice Quasar", "alice@example.org;aq@work.example.com",
                                         "Hosts on Sundays"});
                     return dialog;
                   }});
  shots.push_back({"mover", [](Stage& stage) -> QWidget* {
                     auto* mover = stage.keep<ui::RosterMover>(stillWindow());
                     mover->showAt(200, 150);
                     return mover;
                   }});
  shots.push_back({"split-trackbar", [](Stage& stage) -> QWidget* {
                     auto* trackbar = stage.keep<ui::SplitTrackbar>(stillWindow());
                     trackbar->showAt(200, 150);
                     return trackbar;
                   }});
  shots.push_back({"pre-send", [](Stage& stage) -> QWidget* {
                     auto* dialog = stage.keep<ui::PreSendDialog>();
                     ui::PreSendLists lists;
                     lists.problems = {
                         "#2 Captain Orrin: nebula.m2 is for 2425, the host file "
                         "is at 2426",
                         "#4 Tobbe: nebula.m4 is missing"};
                     lists.mailed = {"#1 Admiral Vega: mailed on 2026-12-08 08:18"};
                     lists.outside = {"#3 Lady Corona: /home/host/old-games/nebula/treaty.txt"};
                     lists.ready = 2;
                     dialog->setLists(lists);
                     return dialog;
                   }});
  shots.push_back({"preview", [](Stage& stage) -> QWidget* {
                     const std::string folder = previewFolder();
                     using Kind = send::PlayerOutcome::Kind;
                     auto* dialog = stage.keep<ui::PreviewDialog>();
                     dialog->setPreview(
                         {{1, "Admiral Vega", Kind::MailedNow, "", folder + "/01-player1.eml"},
                          {2, "Captain Orrin", Kind::NotMailed,
                           "nebula.m2 is for 2425, the host file is at 2426", ""},
                          {3, "Lady Corona", Kind::HadIt, "mailed on 2026-12-08 08:18", ""},
                          {4, "Tobbe", Kind::MailedNow, "", folder + "/02-player4.eml"}},
                         folder);
                     return dialog;
                   }});
  // The end of a window session that missed somebody, as the operator reads it.
  shots.push_back(
      {"session-summary", [](Stage& stage) -> QWidget* {
         using Kind = send::PlayerOutcome::Kind;
         const std::string text = send::sessionSummary(
             {{1, "Admiral Vega", Kind::MailedNow, "", ""},
              {2, "Captain Orrin", Kind::NotMailed,
               "nebula.m2 is for 2425, the host file is at 2426", ""},
              {3, "Bob Nebula", Kind::NotMailed, "Send failed: 550 mailbox unavailable", ""},
              {4, "Tobbe", Kind::HadIt, "mailed on 2026-12-08 08:18", ""},
              {5, "Lady Corona", Kind::MailedNow, "", ""}});
         return stage.keep<QMessageBox>(QMessageBox::Warning, QApplication::applicationName(),
                                        QString::fromStdString(text), QMessageBox::Ok);
       }});
  shots.push_back({"alias", [](Stage& stage) -> QWidget* {
                     auto* dialog = stage.keep<ui::AliasDialog>();
                     dialog->setAlias("The Galactic Host");
                     core::GameRules rules;
                     rules.deadline = *core::parseDeadline("daily 20:00");
                     rules.generateCommand = "wine ~/stars/stars.exe -g %H";
                     rules.graceMinutes = 30;
                     rules.statusPage = "/var/www/html/nebula.html";
                     dialog->setRules(rules);
                     return dialog;
                   }});
  shots.push_back({"extra-files", [](Stage& stage) -> QWidget* {
                     auto* dialog = stage.keep<ui::ExtraFilesDialog>();
                     dialog->setCaption("Extra files sent to Alice Quasar:");
                     dialog->setFiles({"/home/host/games/abc/news-2405.txt",
                                       "/home/host/games/abc/alliance-map.png",
                                       "/home/host/games/abc/news-2405.txt"});
                     dialog->show();
                     auto* list = dialog->findChild<QListWidget*>("list");
                     list->setCurrentRow(1);
                     return dialog;
                   }});
}

}  // namespace zelvaro::shots
