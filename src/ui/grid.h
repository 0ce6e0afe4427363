#pragma once

// The string grid of the main window's database and roster: a header row (the table's
// horizontal header) over data rows of a fixed height, no grid lines, whole rows selected,
// columns the operator can resize, and single cells that can be drawn in bold. Data row r of
// the program's numbering (the header being row 0) is table row r - 1.

#include <QTableWidget>
#include <string>
#include <vector>

#include "core/contestor_entry.h"
#include "core/mailed_mark.h"
#include "core/orders_status.h"
#include "core/player_database.h"

namespace zelvaro::ui {

class Grid : public QTableWidget {
  Q_OBJECT

 public:
  // The right-click row selection computes rows from this height, so it never changes.
  static constexpr int kRowHeight = 16;

  Grid(const char* objectName, const std::vector<const char*>& headers, QWidget* parent);

  std::string cell(int row, int column) const;
  void setCell(int row, int column, const std::string& text, bool bold = false);
  bool bold(int row, int column) const;
  // Resizes to `rows` data rows (at least one) and empties every cell.
  void resetRows(int rows);
  // The data row under a point of the viewport, or -1 below the last row.
  int rowAtY(int y) const;
};

// A2: one row per roster entry (Send "Yes"/"No", player number, name in bold when the entry
// has extra attachments), a single blank row for an empty roster.
void showRoster(Grid& grid, const core::Roster& roster);

// The roster's Mailed and Orders columns, and the tooltips of the rows the journal has a word on.
void showMailed(Grid& grid, const std::vector<core::MailedMark>& marks,
                const std::vector<core::OrdersMark>& orders);

// The database grid's rows as they stand, and filled from rows (one blank row when empty).
std::vector<core::PlayerRow> playerRows(const Grid& grid);
void showPlayers(Grid& grid, const std::vector<core::PlayerRow>& rows);

}  // namespace zelvaro::ui
