// How fast the SMTP monitor takes lines: 100 000 base64 lines (a 4.5 MB attachment) appended
// to a shown monitor window, as a send session delivers them (a few lines per loop turn), one
// line per loop turn (the worst case for batching), and all in one go. Reports the total time
// and the longest single loop turn, which is how long the window would not answer.
//
//   build/bench/bench_text_window [lines]           (offscreen unless a display is given)
//   xvfb-run -a build/bench/bench_text_window       (painting to a real X server)

#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "ui/text_window.h"

namespace {

std::string base64Line(int n) {
  static const char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string line(76, 'A');
  for (int i = 0; i < 76; ++i) line[i] = kAlphabet[(n * 31 + i * 7) % 64];
  return line;
}

struct Result {
  double totalMs;
  double worstTurnMs;
};

// Appends `lines` lines, `perTurn` of them between two turns of the event loop.
Result run(int lines, int perTurn, const std::function<void(const std::string&)>& append,
           const std::function<bool()>& queued) {
  QElapsedTimer total, turn;
  total.start();
  double worst = 0;
  for (int i = 0; i < lines;) {
    turn.start();
    for (int k = 0; k < perTurn && i < lines; ++k, ++i) append(base64Line(i));
    QCoreApplication::processEvents();
    worst = std::max(worst, turn.nsecsElapsed() / 1e6);
  }
  // Until the last line is on the screen.
  while (queued()) {
    turn.start();
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    worst = std::max(worst, turn.nsecsElapsed() / 1e6);
  }
  return {total.nsecsElapsed() / 1e6, worst};
}

void report(const char* what, int lines, const Result& r) {
  std::printf("%-44s %8.0f ms  %9.0f lines/s  longest loop turn %7.1f ms\n", what, r.totalMs,
              lines / (r.totalMs / 1000.0), r.worstTurnMs);
}

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv("DISPLAY") && !std::getenv("QT_QPA_PLATFORM")) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
  }
  QApplication app(argc, argv);
  const int lines = argc > 1 ? std::atoi(argv[1]) : 100000;
  std::printf("%d lines of 76 characters, platform %s\n", lines,
              qPrintable(QGuiApplication::platformName()));

  for (int perTurn : {20, 1, lines}) {
    zelvaro::ui::MonitorWindow monitor;
    monitor.showWindow();
    QCoreApplication::processEvents();
    Result r = run(
        lines, perTurn, [&](const std::string& s) { monitor.appendLine(s); },
        [&] { return monitor.queuedLines() > 0; });
    if (monitor.lineCount() != std::min(lines, zelvaro::ui::MonitorWindow::kLineLimit) ||
        !monitor.atNewestLine()) {
      std::printf("wrong result: %d lines\n", monitor.lineCount());
      return 1;
    }
    std::string what = "monitor, " + std::to_string(perTurn) + " lines per loop turn";
    report(what.c_str(), lines, r);
  }

  // For comparison: a plain text control that takes each line on its own.
  QPlainTextEdit plain;
  plain.setReadOnly(true);
  plain.resize(560, 380);
  plain.show();
  QCoreApplication::processEvents();
  Result r = run(
      lines, 20, [&](const std::string& s) { plain.appendPlainText(QString::fromStdString(s)); },
      [] { return false; });
  report("QPlainTextEdit::appendPlainText per line, 20", lines, r);
  return 0;
}
