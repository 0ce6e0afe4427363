#include <gtest/gtest.h>

#include <QApplication>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>

#include "ui/text_window.h"

namespace zelvaro::ui {
namespace {

void appendNumbered(TextWindow& window, int from, int to) {
  for (int i = from; i < to; ++i) window.appendLine("line " + std::to_string(i));
}

TEST(TextWindow, MonitorAndLogCarryTheirNamesAndBehaveAsPlainWindows) {
  MonitorWindow monitor;
  LogWindow log;
  EXPECT_EQ(monitor.objectName(), "Form13");
  EXPECT_EQ(monitor.windowTitle(), "SMTP monitor");
  EXPECT_EQ(monitor.memo()->objectName(), "Memo");
  EXPECT_EQ(log.objectName(), "Form10");
  EXPECT_EQ(log.windowTitle(), "This session's logging results..");
  EXPECT_EQ(log.memo()->objectName(), "Memo1");
  for (TextWindow* window : {static_cast<TextWindow*>(&monitor), static_cast<TextWindow*>(&log)}) {
    EXPECT_TRUE(window->isWindow());
    EXPECT_EQ(window->windowModality(), Qt::NonModal);
    EXPECT_TRUE(window->memo()->isReadOnly());
    EXPECT_EQ(window->memo()->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_LT(window->minimumWidth(), window->maximumWidth()) << "must be resizable";
  }
}

TEST(TextWindow, LinesAppearUnchangedAndInOrderOnceTheLoopTurns) {
  LogWindow log;
  log.appendLine("Zelvaro logfile. Version:1.5c (5th July 1999)");
  log.appendLine("");
  log.appendLine("  indented, with trailing blanks  ");
  log.appendLine("\xC3\xA6\xC3\xB8\xC3\xA5 stays UTF-8");
  EXPECT_EQ(log.memo()->toPlainText(), "") << "queued, not laid out line by line";
  ASSERT_TRUE(QTest::qWaitFor([&] { return log.queuedLines() == 0; }, 5000));
  EXPECT_EQ(log.memo()->toPlainText().toStdString(),
            "Zelvaro logfile. Version:1.5c (5th July 1999)\n\n"
            "  indented, with trailing blanks  \n\xC3\xA6\xC3\xB8\xC3\xA5 stays UTF-8");
  EXPECT_EQ(log.lineCount(), 4);

  // A first line that is empty still counts as a line.
  LogWindow blankFirst;
  blankFirst.appendLine("");
  blankFirst.appendLine("x");
  EXPECT_EQ(blankFirst.text(), "\nx");
  EXPECT_EQ(blankFirst.lineCount(), 2);
}

TEST(TextWindow, ClearDropsTheShownAndTheQueuedLinesSoASecondSessionStandsAlone) {
  MonitorWindow monitor;
  appendNumbered(monitor, 0, 5);
  EXPECT_EQ(monitor.lineCount(), 5);
  monitor.appendLine("queued, not yet shown");
  monitor.clear();
  EXPECT_EQ(monitor.lineCount(), 0);
  EXPECT_EQ(monitor.text(), "");
  monitor.appendLine("220 second session");
  EXPECT_EQ(monitor.text(), "220 second session");
}

TEST(TextWindow, ABigBacklogGoesInASliceATimeSoTheWindowKeepsAnswering) {
  MonitorWindow monitor;
  appendNumbered(monitor, 0, 2 * TextWindow::kLinesPerTurn + 5);
  monitor.flushTick();
  EXPECT_EQ(monitor.memo()->document()->blockCount(), TextWindow::kLinesPerTurn);
  EXPECT_EQ(monitor.queuedLines(), TextWindow::kLinesPerTurn + 5);
  monitor.flushTick();
  monitor.flushTick();
  EXPECT_EQ(monitor.queuedLines(), 0);
  EXPECT_EQ(monitor.memo()->document()->lastBlock().text(),
            QString("line %1").arg(2 * TextWindow::kLinesPerTurn + 4));
  // The slices join without a lost or doubled line.
  EXPECT_EQ(monitor.memo()->document()->findBlockByNumber(TextWindow::kLinesPerTurn).text(),
            QString("line %1").arg(TextWindow::kLinesPerTurn));
  EXPECT_EQ(monitor.lineCount(), 2 * TextWindow::kLinesPerTurn + 5);
}

TEST(TextWindow, TheMonitorKeepsItsNewestLinesOnlyQueuedOrShown) {
  MonitorWindow monitor;
  const int limit = MonitorWindow::kLineLimit;
  appendNumbered(monitor, 0, limit + 50);
  EXPECT_EQ(monitor.queuedLines(), limit);
  EXPECT_EQ(monitor.lineCount(), limit);
  appendNumbered(monitor, limit + 50, limit + 60);
  EXPECT_EQ(monitor.lineCount(), limit);
  const QTextDocument& text = *monitor.memo()->document();
  EXPECT_EQ(text.firstBlock().text(), "line 60");
  EXPECT_EQ(text.lastBlock().text(), QString("line %1").arg(limit + 59));

  // Lines dropped unseen leave no gap: a slice shown after them starts the text afresh.
  appendNumbered(monitor, limit + 60, 2 * limit + 65);
  monitor.flushTick();
  EXPECT_EQ(text.blockCount(), TextWindow::kLinesPerTurn);
  EXPECT_EQ(text.firstBlock().text(), QString("line %1").arg(limit + 65));
}

TEST(TextWindow, ClosingOnlyHidesAndTheTextStays) {
  LogWindow log;
  log.showWindow();
  appendNumbered(log, 0, 3);
  EXPECT_TRUE(log.isVisible());
  EXPECT_TRUE(log.close());
  EXPECT_FALSE(log.isVisible());
  EXPECT_FALSE(log.testAttribute(Qt::WA_DeleteOnClose));
  appendNumbered(log, 3, 4);
  log.showWindow();
  EXPECT_EQ(log.text(), "line 0\nline 1\nline 2\nline 3");
}

TEST(TextWindow, OpenedDuringASessionItShowsTheNewestLineAndFollowsTheGrowth) {
  MonitorWindow monitor;
  monitor.resize(400, 200);
  appendNumbered(monitor, 0, 500);  // received while hidden
  monitor.showWindow();
  QScrollBar* bar = monitor.memo()->verticalScrollBar();
  ASSERT_GT(bar->maximum(), 0) << "500 lines must not fit in 200 pixels";
  EXPECT_TRUE(monitor.atNewestLine());

  appendNumbered(monitor, 500, 700);
  monitor.flush();
  EXPECT_TRUE(monitor.atNewestLine()) << "value " << bar->value() << " of " << bar->maximum();
  EXPECT_EQ(monitor.lineCount(), 700);
}

TEST(TextWindow, AReaderWhoScrolledBackKeepsHisPlace) {
  MonitorWindow monitor;
  monitor.resize(400, 200);
  monitor.showWindow();
  appendNumbered(monitor, 0, 500);
  monitor.flush();
  QScrollBar* bar = monitor.memo()->verticalScrollBar();
  bar->setValue(10);
  appendNumbered(monitor, 500, 600);
  monitor.flush();
  EXPECT_EQ(bar->value(), 10);
  bar->setValue(bar->maximum());
  appendNumbered(monitor, 600, 700);
  monitor.flush();
  EXPECT_TRUE(monitor.atNewestLine());
}

}  // namespace
}  // namespace zelvaro::ui
