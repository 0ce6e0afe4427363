// Keys, mouse presses and drag and drop on the two grids: the Qt events reach the plain
// handlers of GridCommands here, and nothing else happens here.

#include <QApplication>
#include <QDrag>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>

#include "ui/grid.h"
#include "ui/grid_commands.h"

namespace zelvaro::ui {

namespace {

// Only A to Z are folded; other capitals keep their case.
QChar folded(QChar c) {
  return c >= u'A' && c <= u'Z' ? QChar(c.unicode() + (u'a' - u'A')) : c;
}

bool searchable(QChar c) {
  return (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'\u00e6' || c == u'\u00f8' ||
         c == u'\u00e5';
}

}  // namespace

QString GridCommands::dragFormat() {
  return QStringLiteral("application/x-zelvaro-grid-row");
}

std::optional<int> rowWithInitial(const std::vector<std::string>& names, int selected,
                                  const QString& key) {
  if (key.size() != 1) return std::nullopt;
  const QChar wanted = folded(key.front());
  if (!searchable(wanted)) return std::nullopt;
  for (int row = selected + 1; row < int(names.size()); ++row) {
    const QString name = QString::fromStdString(names[size_t(row)]);
    if (!name.isEmpty() && folded(name.front()) == wanted) return row;
  }
  return std::nullopt;
}

bool GridCommands::playersKeyPress(int key, const QString& text) {
  if (key == Qt::Key_Delete) {
    Deleteplayer1Click();
    return true;
  }
  if (key == Qt::Key_Insert) {
    Addplayer1Click();
    return true;
  }
  if (text.isEmpty() || !text.front().isPrint()) return false;
  std::vector<std::string> names;
  for (int row = 0; row < players_.rowCount(); ++row) names.push_back(players_.cell(row, 0));
  if (auto row = rowWithInitial(names, selectedRow(players_), text)) selectRow(players_, *row);
  return true;  // every character is the search's, none the grid's own
}

void GridCommands::playersMouseDown(Qt::MouseButton button, QPoint pos) {
  const int row = players_.rowAtY(pos.y());
  if (row >= 0) selectRow(players_, row);
  if (button != Qt::LeftButton) return;
  dragSource_ = DragSource::Players;
  dragIndex_ = selectedRow(players_);
  pressPos_ = pos;
}

void GridCommands::contestorsMouseDown(Qt::MouseButton button, QPoint pos) {
  const int row = contestors_.rowAtY(pos.y());
  if (row >= 0) selectRow(contestors_, row);
  if (button != Qt::LeftButton) return;
  // A press below the last row toggles nothing: it did not touch a Send cell.
  const int sendLeft = contestors_.columnViewportPosition(0);
  const bool inSend = pos.x() >= sendLeft && pos.x() < sendLeft + contestors_.columnWidth(0);
  const int index = selectedEntry();
  if (row >= 0 && inSend && index >= 0) {
    roster()[size_t(index)] = roster()[size_t(index)].toggled();
    refreshRoster();
  }
  dragSource_ = DragSource::Contestors;
  dragIndex_ = selectedEntry();
  pressPos_ = pos;
}

void GridCommands::playersDragDrop() {
  if (dragSource_ == DragSource::Contestors && !roster().empty() && dragIndex_ >= 0 &&
      dragIndex_ < int(roster().size())) {
    roster().erase(roster().begin() + dragIndex_);
    refreshRoster();
  }
  dragSource_ = DragSource::None;
}

void GridCommands::contestorsDragDrop() {
  if (dragSource_ == DragSource::Players) assignPlayer(dragIndex_);
}

bool GridCommands::eventFilter(QObject* watched, QEvent* event) {
  return reporting([&] { return dispatch(watched, event); });
}

bool GridCommands::dispatch(QObject* watched, QEvent* event) {
  if ((watched == &players_ || watched == &contestors_) && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    // Shift+F10 opens the popup as the Menu key does, at the current row.
    if (key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier) {
      Grid& grid = watched == &players_ ? players_ : contestors_;
      const QRect row = grid.visualRect(grid.currentIndex());
      Q_EMIT grid.customContextMenuRequested(row.isValid() ? row.center() : QPoint());
      return true;
    }
  }
  if (watched == &players_ && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) return false;
    return playersKeyPress(key->key(), key->text());
  }
  if (watched == players_.viewport()) return viewportEvent(players_, event);
  if (watched == contestors_.viewport()) return viewportEvent(contestors_, event);
  return false;
}

bool GridCommands::viewportEvent(Grid& grid, QEvent* event) {
  const bool isPlayers = &grid == &players_;
  switch (event->type()) {
    case QEvent::MouseButtonPress: {
      auto* mouse = static_cast<QMouseEvent*>(event);
      const QPoint pos = mouse->position().toPoint();
      if (isPlayers) {
        playersMouseDown(mouse->button(), pos);
      } else {
        contestorsMouseDown(mouse->button(), pos);
      }
      return mouse->button() == Qt::LeftButton;  // the right button still opens the menu
    }
    case QEvent::MouseButtonDblClick: {
      // The second press of a double-click is a press too (two clicks on Send toggle twice).
      auto* mouse = static_cast<QMouseEvent*>(event);
      if (isPlayers) {
        playersMouseDown(mouse->button(), mouse->position().toPoint());
        if (mouse->button() == Qt::LeftButton) playersDblClick();
      } else {
        contestorsMouseDown(mouse->button(), mouse->position().toPoint());
      }
      return true;
    }
    case QEvent::MouseMove: {
      auto* mouse = static_cast<QMouseEvent*>(event);
      if (!(mouse->buttons() & Qt::LeftButton)) return false;
      startDragWhenFarEnough(grid, *mouse);
      return true;
    }
    case QEvent::MouseButtonRelease:
      pressPos_.reset();
      return false;
    case QEvent::DragEnter:
    case QEvent::DragMove: {
      auto* drag = static_cast<QDropEvent*>(event);
      if (!drag->mimeData()->hasFormat(dragFormat())) return false;
      drag->acceptProposedAction();
      return true;
    }
    case QEvent::Drop: {
      auto* drop = static_cast<QDropEvent*>(event);
      if (!drop->mimeData()->hasFormat(dragFormat())) return false;
      drop->acceptProposedAction();
      // A drop onto the grid the drag started from does nothing.
      if (drop->source() != &grid) {
        if (isPlayers) {
          playersDragDrop();
        } else {
          contestorsDragDrop();
        }
      }
      return true;
    }
    default:
      return false;
  }
}

void GridCommands::startDragWhenFarEnough(Grid& grid, QMouseEvent& event) {
  if (!pressPos_) return;
  if ((event.position().toPoint() - *pressPos_).manhattanLength() <
      QApplication::startDragDistance()) {
    return;
  }
  pressPos_.reset();
  auto* data = new QMimeData;
  data->setData(dragFormat(), QByteArray::number(dragIndex_));
  auto* drag = new QDrag(&grid);
  drag->setMimeData(data);
  drag->exec(Qt::MoveAction);
}

}  // namespace zelvaro::ui
