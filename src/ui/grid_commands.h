#pragma once

// The commands of the main window's two grids: the player database (`players`: add, edit,
// delete, assign, incremental search) and the current game's roster (`contestors`: remove,
// send flags, blanks, moving, extra attachments), reached through their popup menus, keys,
// double-click, mouse presses and drag and drop between the grids. Each input ends in a plain
// public method, so tests drive the commands without synthesising Qt's drag and drop.

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <functional>
#include <optional>
#include <string>

#include "core/game.h"
#include "core/mailed_mark.h"
#include "core/orders_status.h"
#include "ui/roster_mover.h"

class QKeyEvent;
class QMenu;
class QMouseEvent;

namespace zelvaro::ui {

class ExtraFilesDialog;
class Grid;
class PlayerDetailsDialog;

// What the commands need of the main window.
class GridHost {
 public:
  virtual ~GridHost() = default;
  virtual core::Game& game() = 0;  // the roster is game().roster
  virtual std::string databasePath() const = 0;
  virtual void setChanged() = 0;          // sets the game's changed flag
  virtual int splitPosition() const = 0;  // for placing the mover
  // The journal's last word on player `number` for the game's year, for the Mailed column.
  virtual core::MailedMark mailedMark(int /*number*/) const { return {}; }
  // What the journal says of his orders for the game's year, for the Orders column.
  virtual core::OrdersMark ordersMark(int /*number*/) const { return {}; }
};

class GridCommands : public QObject, public RosterMoverTarget {
  Q_OBJECT

 public:
  // Where a drag started.
  enum class DragSource { None, Players, Contestors };

  // `window` is the main window: the popup menus' parent and the frame the mover is placed by.
  GridCommands(GridHost& host, Grid& players, Grid& contestors, PlayerDetailsDialog& details,
               ExtraFilesDialog& extraFiles, QWidget* window);
  ~GridCommands() override;

  // The roster grid shown again from the game's roster; the selected row stays where it was.
  void refreshRoster() override;
  // The database grid reloaded from the database file (unsorted).
  void loadPlayers();
  // The database grid's rows ordered by name, then e-mail list, then note.
  void sortPlayers();

  // playermenu
  void Addplayer1Click();
  void Editplayer1Click();
  void Deleteplayer1Click();
  void Copyplayertogame1Click();
  // contestormenu
  void Kickplayer1Click();
  void SendtoAll1Click();
  void SendtoNone1Click();
  void Insertblank1Click();
  void Blankplayer1Click();
  void Moveplayer1Click();
  void Extrafileattachments1Click();

  // Delete, Insert and the incremental search; true when the key was taken.
  bool playersKeyPress(int key, const QString& text);
  void playersDblClick();
  // A press at a point of the grid's viewport.
  void playersMouseDown(Qt::MouseButton button, QPoint pos);
  void contestorsMouseDown(Qt::MouseButton button, QPoint pos);
  // A drop on the grid, acting on the drag recorded by the last left press.
  void playersDragDrop();
  void contestorsDragDrop();

  // The data type of drags between the grids; a drop acts on the recorded drag state, not on
  // the data.
  static QString dragFormat();

  DragSource dragSource() const { return dragSource_; }
  int dragIndex() const { return dragIndex_; }
  QMenu* playerMenu() const { return playermenu_; }
  QMenu* contestorMenu() const { return contestormenu_; }
  RosterMover* mover() const { return mover_; }

  // RosterMoverTarget
  int selectedEntry() const override;
  int entryCount() const override;
  void swapEntries(int first, int second) override;
  void selectEntry(int index) override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  core::Roster& roster() { return host_.game().roster; }
  // Refuses (with the message) when the roster already holds the most players a game can.
  bool rosterFull(const char* message);
  // The selected entry's index; with an empty roster, says the message and gives nothing.
  std::optional<int> selectedOrRefuse(const char* message);
  // Assigns one row of the database grid to the game.
  void assignPlayer(int row);
  void setSending(bool sending);
  // Moves the selection up from the selected row to the nearest row of that name, stopping at
  // the first row.
  void selectUpwardTo(const std::string& name);

  // Runs a command reached from Qt: a file error becomes a message box instead of unwinding
  // through Qt's frames.
  static bool reporting(const std::function<bool()>& step);
  bool dispatch(QObject* watched, QEvent* event);
  // The Qt side of presses, moves and drops on one grid's viewport.
  bool viewportEvent(Grid& grid, QEvent* event);
  void startDragWhenFarEnough(Grid& grid, QMouseEvent& event);
  void buildMenus(QWidget* window);
  void addItem(QMenu* menu, const char* objectName, const char* caption,
               void (GridCommands::*handler)());

  GridHost& host_;
  Grid& players_;
  Grid& contestors_;
  PlayerDetailsDialog& details_;
  ExtraFilesDialog& extraFiles_;
  QWidget* window_;
  QMenu* playermenu_ = nullptr;
  QMenu* contestormenu_ = nullptr;
  QPointer<RosterMover> mover_;

  DragSource dragSource_ = DragSource::None;
  int dragIndex_ = -1;
  std::optional<QPoint> pressPos_;  // of a left press that may still become a drag
};

// Selection helpers shared by the commands: the selected data row (0 when the grid has none
// selected) and selecting a row clamped to the grid's rows.
int selectedRow(const Grid& grid);
void selectRow(Grid& grid, int row);

// The incremental search: the first row after `selected` whose name starts with the key, or
// nothing. Only a to z, 0 to 9, æ, ø and å act; only A to Z are folded to lower case.
std::optional<int> rowWithInitial(const std::vector<std::string>& names, int selected,
                                  const QString& key);

}  // namespace zelvaro::ui
