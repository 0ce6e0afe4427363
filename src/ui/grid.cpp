#include "ui/grid.h"

#include <QHeaderView>

namespace zelvaro::ui {

Grid::Grid(const char* objectName, const std::vector<const char*>& headers, QWidget* parent)
    : QTableWidget(parent) {
  setObjectName(QString::fromUtf8(objectName));
  setColumnCount(int(headers.size()));
  QStringList labels;
  for (const char* header : headers) labels << QString::fromUtf8(header);
  setHorizontalHeaderLabels(labels);
  horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  horizontalHeader()->setHighlightSections(false);
  verticalHeader()->setVisible(false);
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setMinimumSectionSize(kRowHeight);
  verticalHeader()->setDefaultSectionSize(kRowHeight);
  setShowGrid(false);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setWordWrap(false);
  // Rows are picked whole: Tab leaves the grid rather than walking its cells.
  setTabKeyNavigation(false);
  resetRows(1);
}

std::string Grid::cell(int row, int column) const {
  const QTableWidgetItem* it = item(row, column);
  return it != nullptr ? it->text().toStdString() : std::string();
}

void Grid::setCell(int row, int column, const std::string& text, bool isBold) {
  auto* it = new QTableWidgetItem(QString::fromStdString(text));
  if (isBold) {
    QFont font = this->font();
    font.setBold(true);
    it->setFont(font);
  }
  setItem(row, column, it);
}

bool Grid::bold(int row, int column) const {
  const QTableWidgetItem* it = item(row, column);
  return it != nullptr && it->font().bold();
}

void Grid::resetRows(int rows) {
  clearContents();
  setRowCount(rows < 1 ? 1 : rows);
  for (int row = 0; row < rowCount(); ++row) {
    for (int column = 0; column < columnCount(); ++column) setCell(row, column, "");
  }
}

int Grid::rowAtY(int y) const {
  int row = y / kRowHeight + rowAt(0);
  return row >= 0 && row < rowCount() ? row : -1;
}

void showRoster(Grid& grid, const core::Roster& roster) {
  const std::vector<core::RosterRow> rows = core::rosterRows(roster);
  grid.resetRows(int(rows.size()));
  for (int row = 0; row < int(rows.size()); ++row) {
    grid.setCell(row, 0, rows[row].send);
    grid.setCell(row, 1, rows[row].number);
    grid.setCell(row, 2, rows[row].name, rows[row].bold);
  }
}

void showMailed(Grid& grid, const std::vector<core::MailedMark>& marks,
                const std::vector<core::OrdersMark>& orders) {
  for (int row = 0; row < grid.rowCount() && row < int(marks.size()); ++row) {
    grid.setCell(row, 3, marks[row].column);
    // An earlier year's mark is history, not this turn's news.
    if (marks[row].earlier) {
      grid.item(row, 3)->setForeground(grid.palette().brush(QPalette::Disabled, QPalette::Text));
    }
    const core::OrdersMark ordersMark = row < int(orders.size()) ? orders[row] : core::OrdersMark{};
    grid.setCell(row, 4, ordersMark.column);
    std::string hint = marks[row].hint;
    if (!ordersMark.hint.empty()) hint += (hint.empty() ? "" : "\n") + ordersMark.hint;
    // Rows the journal says nothing of keep the grid's own tooltip.
    if (hint.empty()) continue;
    for (int column = 0; column < grid.columnCount(); ++column) {
      grid.item(row, column)->setToolTip(QString::fromStdString(hint));
    }
  }
}

std::vector<core::PlayerRow> playerRows(const Grid& grid) {
  std::vector<core::PlayerRow> rows;
  for (int row = 0; row < grid.rowCount(); ++row) {
    rows.push_back({grid.cell(row, 0), grid.cell(row, 1), grid.cell(row, 2)});
  }
  return rows;
}

void showPlayers(Grid& grid, const std::vector<core::PlayerRow>& rows) {
  grid.resetRows(int(rows.size()));
  for (int row = 0; row < int(rows.size()); ++row) {
    grid.setCell(row, 0, rows[row].name);
    grid.setCell(row, 1, rows[row].email);
    grid.setCell(row, 2, rows[row].note);
  }
}

}  // namespace zelvaro::ui
