// The commands of the roster grid: remove, send flags, blank entries, moving and extra files.

#include <algorithm>

#include "platform/messages.h"
#include "ui/extra_files_dialog.h"
#include "ui/grid.h"
#include "ui/grid_commands.h"

namespace zelvaro::ui {

std::optional<int> GridCommands::selectedOrRefuse(const char* message) {
  if (roster().empty()) {
    platform::showMessage(message);
    return std::nullopt;
  }
  const int index = selectedEntry();
  return index >= 0 ? std::optional<int>(index) : std::nullopt;
}

void GridCommands::Kickplayer1Click() {
  const std::optional<int> index = selectedOrRefuse("Quit it, smartass!");
  if (!index) return;
  roster().erase(roster().begin() + *index);
  host_.setChanged();
  refreshRoster();
}

void GridCommands::SendtoAll1Click() {
  setSending(true);
}

void GridCommands::SendtoNone1Click() {
  setSending(false);
}

void GridCommands::setSending(bool sending) {
  for (core::ContestorEntry& entry : roster()) entry = entry.withSending(sending);
  refreshRoster();
  host_.setChanged();
}

void GridCommands::Insertblank1Click() {
  if (rosterFull("What are you on? This orgie is for 16, tops!")) return;
  const int at = std::clamp(selectedRow(contestors_), 0, int(roster().size()));
  roster().insert(roster().begin() + at, core::ContestorEntry::blank());
  refreshRoster();
  host_.setChanged();
}

void GridCommands::Blankplayer1Click() {
  if (rosterFull("Yeah right, moron.. 16 does it!")) return;
  roster().push_back(core::ContestorEntry::blank());
  refreshRoster();
  host_.setChanged();
}

void GridCommands::Moveplayer1Click() {
  if (roster().size() < 2) return;
  // At the left edge of the roster grid, which the split position places.
  const QRect frame = window_->frameGeometry();
  mover_->showAt(frame.left() + frame.width() / 10 * host_.splitPosition() - 55, frame.top() + 135);
}

void GridCommands::Extrafileattachments1Click() {
  const std::optional<int> selected = selectedOrRefuse("Who's the sucker again?");
  if (!selected) return;
  const size_t index = size_t(*selected);
  const std::string caption = "Extra files sent to " + contestors_.cell(*selected, 2) + ":";
  const std::vector<std::string> paths = extraFiles_.edit(caption, roster()[index].extraFiles());
  roster()[index] = roster()[index].withExtraFiles(paths);
  host_.setChanged();
  refreshRoster();
}

}  // namespace zelvaro::ui
