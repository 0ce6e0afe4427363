#include "ui/text_window.h"

#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QVBoxLayout>
#include <algorithm>

#include "ui/window_placement.h"

namespace zelvaro::ui {

TextWindow::TextWindow(const QString& formName, const QString& caption, const QString& memoName,
                       QWidget* parent)
    : QWidget(parent, Qt::Window), memo_(new QPlainTextEdit(this)) {
  setObjectName(formName);
  setWindowTitle(caption);
  memo_->setObjectName(memoName);
  memo_->setReadOnly(true);
  memo_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memo_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  memo_->setUndoRedoEnabled(false);  // an undo stack would keep a copy of every line
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(memo_);
  resize(560, 380);

  flushTimer_.setSingleShot(true);
  connect(&flushTimer_, &QTimer::timeout, this, &TextWindow::flushTick);
}

void TextWindow::setLineLimit(int lines) {
  lineLimit_ = std::max(lines, 0);
  memo_->setMaximumBlockCount(lineLimit_);
}

void TextWindow::appendLine(std::string_view line) {
  if (lineLimit_ > 0 && pending_.size() >= lineLimit_) {
    pending_.removeFirst();
    skipped_ = true;
  }
  pending_.append(QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size())));
  // A bounded window nobody sees (a batch run's) holds its newest lines in the queue alone,
  // and lays them out only when shown.
  if (lineLimit_ > 0 && !isVisible()) return;
  if (!flushTimer_.isActive()) flushTimer_.start(kFlushIntervalMs);
}

void TextWindow::clear() {
  pending_.clear();
  skipped_ = false;
  flushTimer_.stop();
  memo_->clear();
  empty_ = true;
}

void TextWindow::flush() {
  flushTimer_.stop();
  insertPending(pending_.size());
}

void TextWindow::flushTick() {
  insertPending(std::min<qsizetype>(pending_.size(), kLinesPerTurn));
  // Lines faster than anyone reads: a bounded window shows a slice per interval and drops the
  // oldest of the rest, instead of laying out every line and slowing the send.
  if (!pending_.isEmpty()) flushTimer_.start(lineLimit_ > 0 ? kFlushIntervalMs : 0);
}

void TextWindow::insertPending(qsizetype count) {
  if (count == 0) return;
  // Follow the newest line only while the reader is there; someone who scrolled back to read
  // keeps his place.
  const bool follow = !isVisible() || atNewestLine();
  // Lines dropped from the queue stood between the text and the queue: the text is older than
  // the newest lines kept, and goes.
  if (skipped_) {
    memo_->clear();
    empty_ = true;
    skipped_ = false;
  }
  QTextCursor cursor(memo_->document());
  cursor.movePosition(QTextCursor::End);
  cursor.beginEditBlock();
  if (!empty_) cursor.insertBlock();
  cursor.insertText(count == pending_.size() ? pending_.join(QChar('\n'))
                                             : pending_.first(count).join(QChar('\n')));
  cursor.endEditBlock();
  empty_ = false;
  pending_.remove(0, count);
  if (follow) scrollToNewest();
}

std::string TextWindow::text() {
  flush();
  return memo_->toPlainText().toStdString();
}

int TextWindow::lineCount() {
  flush();
  return empty_ ? 0 : memo_->document()->blockCount();
}

bool TextWindow::atNewestLine() const {
  const QScrollBar* bar = memo_->verticalScrollBar();
  return bar->value() == bar->maximum();
}

void TextWindow::showWindow() {
  placeFirstTime();
  show();
  raise();
  activateWindow();
}

void TextWindow::showQuietly() {
  placeFirstTime();
  setAttribute(Qt::WA_ShowWithoutActivating, true);
  show();
  setAttribute(Qt::WA_ShowWithoutActivating, false);
}

void TextWindow::openBeside(const QWidget* owner, int downPercent) {
  owner_ = owner;
  downPercent_ = downPercent;
}

void TextWindow::setSavedGeometry(const std::optional<core::WindowGeometry>& geometry) {
  if (!geometry) return;
  setGeometry(geometry->left, geometry->top, geometry->width, geometry->height);
  placed_ = true;
}

std::optional<core::WindowGeometry> TextWindow::keptGeometry() const {
  if (!placed_) return std::nullopt;
  const QRect place = geometry();
  return core::WindowGeometry{place.left(), place.top(), place.width(), place.height()};
}

void TextWindow::placeFirstTime() {
  if (placed_ || isVisible()) return;
  placed_ = true;
  if (owner_ == nullptr || !owner_->isVisible() || owner_->screen() == nullptr) return;
  const QSize border = frameExtent(this);
  const QRect owner = owner_->frameGeometry();
  const QRect frame =
      besideFrame(QRect(QPoint(), size() + border), owner, owner_->screen()->availableGeometry(),
                  owner.height() * downPercent_ / 100);
  move(frame.topLeft());
  resize(frame.size() - border);
}

void TextWindow::separate(std::string_view separator) {
  if (empty_ && pending_.isEmpty()) return;
  appendLine(separator);
}

void TextWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  flush();
  scrollToNewest();
}

void TextWindow::scrollToNewest() {
  QScrollBar* bar = memo_->verticalScrollBar();
  bar->setValue(bar->maximum());
}

MonitorWindow::MonitorWindow(QWidget* parent)
    : TextWindow(QStringLiteral("Form13"), QStringLiteral("SMTP monitor"), QStringLiteral("Memo"),
                 parent) {
  setLineLimit(kLineLimit);
}

LogWindow::LogWindow(QWidget* parent)
    : TextWindow(QStringLiteral("Form10"), QStringLiteral("This session's logging results.."),
                 QStringLiteral("Memo1"), parent) {}

}  // namespace zelvaro::ui
