#pragma once

// A plain window of read-only text lines: the SMTP monitor and the session log results.
// Lines are appended in batches: appendLine only queues, and the queue goes into the text in
// one insertion a few times a second. A send session hands over one line per turn of the event
// loop, tens of thousands of them for a big attachment; inserting and painting each on its own
// would cost more than sending it. A big backlog goes in a slice per loop turn, so the window
// keeps answering however fast lines come.

#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <optional>
#include <string>
#include <string_view>

#include "core/settings.h"

class QPlainTextEdit;

namespace zelvaro::ui {

class TextWindow : public QWidget {
  Q_OBJECT

 public:
  // How long a queued line may wait before it is shown.
  static constexpr int kFlushIntervalMs = 40;
  // About 10 ms of work: the most one loop turn spends on queued lines.
  static constexpr int kLinesPerTurn = 3000;

  TextWindow(const QString& formName, const QString& caption, const QString& memoName,
             QWidget* parent = nullptr);

  // One line of UTF-8 text, shown unchanged (an empty text is an empty line).
  void appendLine(std::string_view line);
  // Empties the text, lines still queued included.
  void clear();
  // Shows the window without making it modal and brings it to the front, at the newest line.
  void showWindow();
  // Shows it, at the newest line, leaving the focus where it is (the end of a session).
  void showQuietly();

  // Where it opens: at its saved place and size, else the first time beside `owner` (not over
  // it), `downPercent` of the owner's height below its top.
  void openBeside(const QWidget* owner, int downPercent);
  void setSavedGeometry(const std::optional<core::WindowGeometry>& geometry);
  // Its place and size for the next run; nothing while it was never placed.
  std::optional<core::WindowGeometry> keptGeometry() const;

  // A separator line between what is shown and the lines to come; nothing when it is empty.
  void separate(std::string_view separator);

  // At most this many lines are kept, shown and queued together; the oldest go first. 0: all.
  // A bounded window lays out no line while hidden.
  void setLineLimit(int lines);

  // Puts the queued lines into the text now.
  void flush();
  // The flush timer's handler: one slice of the queue into the text, the rest at the next turn.
  void flushTick();
  qsizetype queuedLines() const { return pending_.size(); }
  // The whole text, one "\n" between lines (flushes first).
  std::string text();
  int lineCount();
  // Whether the view shows the end of the text.
  bool atNewestLine() const;
  QPlainTextEdit* memo() const { return memo_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void scrollToNewest();
  void insertPending(qsizetype count);
  void placeFirstTime();

  QPlainTextEdit* memo_;
  QStringList pending_;
  QTimer flushTimer_;
  int lineLimit_ = 0;
  bool skipped_ = false;  // the queue dropped lines the text has not shown
  bool empty_ = true;     // an empty document still holds one block; the first line goes into it
  const QWidget* owner_ = nullptr;
  int downPercent_ = 0;
  bool placed_ = false;  // at a saved place, or shown once
};

// The SMTP client's conversation with the server: its newest lines, since a big attachment
// alone makes hundreds of thousands, of this session and the ones before.
class MonitorWindow : public TextWindow {
  Q_OBJECT

 public:
  static constexpr int kLineLimit = 10000;

  explicit MonitorWindow(QWidget* parent = nullptr);
};

// What the last send session did, line by line.
class LogWindow : public TextWindow {
  Q_OBJECT

 public:
  explicit LogWindow(QWidget* parent = nullptr);
};

}  // namespace zelvaro::ui
