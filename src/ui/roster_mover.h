#pragma once

// The up/down mover: a small floating window whose buttons move the roster entry of the row
// selected in the main window's roster grid up or down by one place. It stays open while the
// operator selects other rows, so it asks for the selection at every click. Moving does not
// mark the game as changed.

#include "ui/dialog_frames.h"

namespace zelvaro::ui {

// What the mover needs of the roster's owner. Indices are 0-based roster indices (index i is
// player number i + 1).
class RosterMoverTarget {
 public:
  virtual ~RosterMoverTarget() = default;
  // The index of the entry in the selected row; -1 when no row is selected.
  virtual int selectedEntry() const = 0;
  virtual int entryCount() const = 0;
  virtual void swapEntries(int first, int second) = 0;
  // Shows the roster again (the grid's rows follow the entries).
  virtual void refreshRoster() = 0;
  virtual void selectEntry(int index) = 0;
};

class RosterMover : public FloatingTool {
  Q_OBJECT

 public:
  // The width its opener gives it, at the left edge of the roster grid.
  static constexpr int kWidth = 73;

  explicit RosterMover(RosterMoverTarget& target, QWidget* parent = nullptr);

  // Up: the selected entry changes places with the one above it; nothing at the top.
  void Button1Click();
  // Down: the selected entry changes places with the one below it; nothing at the bottom.
  void Button2Click();
  // Done.
  void Button3Click();

 private:
  // Swaps the selected entry with its neighbour `step` places away when that one exists, and
  // keeps the selection on the moved entry.
  void moveSelected(int step);

  RosterMoverTarget& target_;
};

}  // namespace zelvaro::ui
