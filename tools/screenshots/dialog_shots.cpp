// The small dialogs: player details, the up/down mover, the split trackbar, the alias and the
// extra-files list.

#include <QListWidget>

#include "shots.h"
#include "ui/alias_dialog.h"
#include "ui/extra_files_dialog.h"
#include "ui/player_details_dialog.h"
#include "ui/pre_send_dialog.h"
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
                     dialog->setLists({"#2 Captain Orrin: nebula.m2 is for 2425, the host file "
                                       "is at 2426",
                                       "#4 Tobbe: nebula.m4 is missing"},
                                      {"#1 Admiral Vega: mailed on 2026-12-08 08:18"});
                     return dialog;
                   }});
  shots.push_back({"alias", [](Stage& stage) -> QWidget* {
                     auto* dialog = stage.keep<ui::AliasDialog>();
                     dialog->setAlias("The Galactic Host");
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
