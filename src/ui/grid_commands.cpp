#include "ui/grid_commands.h"

#include <QMenu>
#include <algorithm>
#include <exception>

#include "core/player_database.h"
#include "platform/collation.h"
#include "platform/messages.h"
#include "ui/grid.h"

namespace zelvaro::ui {

namespace {

// The selected row survives a refill of the grid's rows, clamped to the rows left.
template <typename Refill>
void keepingSelection(Grid& grid, Refill refill) {
  const int row = selectedRow(grid);
  refill();
  selectRow(grid, row);
}

}  // namespace

bool GridCommands::reporting(const std::function<bool()>& step) {
  try {
    return step();
  } catch (const std::exception& error) {
    platform::showMessage(error.what());
    return true;
  }
}

void GridCommands::addItem(QMenu* menu, const char* objectName, const char* caption,
                           void (GridCommands::*handler)()) {
  QAction* action = menu->addAction(QString::fromUtf8(caption));
  action->setObjectName(QString::fromUtf8(objectName));
  connect(action, &QAction::triggered, this, [this, handler] {
    reporting([this, handler] {
      (this->*handler)();
      return true;
    });
  });
}

int selectedRow(const Grid& grid) {
  return std::clamp(grid.currentRow(), 0, grid.rowCount() - 1);
}

void selectRow(Grid& grid, int row) {
  grid.selectRow(std::clamp(row, 0, grid.rowCount() - 1));
}

GridCommands::GridCommands(GridHost& host, Grid& players, Grid& contestors,
                           PlayerDetailsDialog& details, ExtraFilesDialog& extraFiles,
                           QWidget* window)
    : host_(host),
      players_(players),
      contestors_(contestors),
      details_(details),
      extraFiles_(extraFiles),
      window_(window),
      mover_(new RosterMover(*this, window)) {
  buildMenus(window);
  for (Grid* grid : {&players_, &contestors_}) {
    grid->installEventFilter(this);
    grid->viewport()->installEventFilter(this);
    grid->setAcceptDrops(true);
    grid->viewport()->setAcceptDrops(true);
    grid->setContextMenuPolicy(Qt::CustomContextMenu);
  }
  connect(&players_, &Grid::customContextMenuRequested, this,
          [this](QPoint pos) { playermenu_->popup(players_.viewport()->mapToGlobal(pos)); });
  connect(&contestors_, &Grid::customContextMenuRequested, this,
          [this](QPoint pos) { contestormenu_->popup(contestors_.viewport()->mapToGlobal(pos)); });
}

GridCommands::~GridCommands() {
  delete mover_;  // it acts on this object; the window may outlive it
}

void GridCommands::buildMenus(QWidget* window) {
  playermenu_ = new QMenu(window);
  playermenu_->setObjectName(QStringLiteral("playermenu"));
  addItem(playermenu_, "Addplayer1", "Add player...", &GridCommands::Addplayer1Click);
  addItem(playermenu_, "Editplayer1", "Edit player...", &GridCommands::Editplayer1Click);
  addItem(playermenu_, "Deleteplayer1", "Delete player", &GridCommands::Deleteplayer1Click);
  addItem(playermenu_, "Copyplayertogame1", "Assign player to game",
          &GridCommands::Copyplayertogame1Click);

  contestormenu_ = new QMenu(window);
  contestormenu_->setObjectName(QStringLiteral("contestormenu"));
  addItem(contestormenu_, "Kickplayer1", "Remove player", &GridCommands::Kickplayer1Click);
  addItem(contestormenu_, "SendtoAll1", "Send to All", &GridCommands::SendtoAll1Click);
  addItem(contestormenu_, "SendtoNone1", "Send to None", &GridCommands::SendtoNone1Click);
  addItem(contestormenu_, "Insertblank1", "Insert blank", &GridCommands::Insertblank1Click);
  addItem(contestormenu_, "Blankplayer1", "Add blank", &GridCommands::Blankplayer1Click);
  addItem(contestormenu_, "Moveplayer1", "Move player...", &GridCommands::Moveplayer1Click);
  addItem(contestormenu_, "Extrafileattachments1", "Extra file attachments...",
          &GridCommands::Extrafileattachments1Click);
}

void GridCommands::refreshRoster() {
  keepingSelection(contestors_, [this] {
    showRoster(contestors_, roster());
    std::vector<core::MailedMark> marks;
    std::vector<core::OrdersMark> orders;
    for (size_t index = 0; index < roster().size(); ++index) {
      marks.push_back(host_.mailedMark(static_cast<int>(index) + 1));
      orders.push_back(host_.ordersMark(static_cast<int>(index) + 1));
    }
    showMailed(contestors_, marks, orders);
  });
}

void GridCommands::loadPlayers() {
  keepingSelection(players_, [this] {
    showPlayers(players_, core::PlayerDatabase(host_.databasePath()).loadRows());
  });
}

void GridCommands::sortPlayers() {
  std::vector<core::PlayerRow> rows = playerRows(players_);
  core::PlayerDatabase::sortRows(rows, platform::compareText);
  keepingSelection(players_, [&] { showPlayers(players_, rows); });
}

int GridCommands::selectedEntry() const {
  const int row = contestors_.currentRow();
  return row < int(host_.game().roster.size()) ? row : -1;
}

int GridCommands::entryCount() const {
  return int(host_.game().roster.size());
}

void GridCommands::swapEntries(int first, int second) {
  std::swap(roster().at(size_t(first)), roster().at(size_t(second)));
}

void GridCommands::selectEntry(int index) {
  selectRow(contestors_, index);
}

}  // namespace zelvaro::ui
