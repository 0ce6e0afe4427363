// The main window as the send session sees it: the game, the monitor and log windows, the
// Send button, the two progress bars and the last-generated label. And the two controls that
// start or feed a send: Send and the universe browser.

#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

#include "platform/messages.h"
#include "send/send_session.h"
#include "send/session_summary.h"
#include "ui/main_window.h"
#include "ui/text_window.h"

namespace zelvaro::ui {

void MainWindow::setSessionTiming(const send::SessionTiming& timing) {
  *timing_ = timing;
  session_.reset();
}

bool MainWindow::sendGame() {
  return sendGame(send::SendOptions{});
}

bool MainWindow::sendGame(const send::SendOptions& options) {
  readYear();
  // The session outlives its run: its timer empties "Progress of all emails" afterwards.
  if (!session_) session_ = std::make_unique<send::SendSession>(*this, *timing_);
  return session_->run(options);
}

std::vector<std::string> MainWindow::sendFailures() const {
  return session_ ? session_->failures() : std::vector<std::string>{};
}

void MainWindow::Button1Click() {
  sendGame();
  // The log window says everything; this says at once who did not get his turn.
  if (!session_) return;
  const std::string summary = send::sessionSummary(session_->selectedCount(),
                                                   session_->mailedCount(), session_->notMailed());
  if (summary.empty()) return;
  bool failed = false;
  for (const send::NotMailed& entry : session_->notMailed()) failed = failed || !entry.skipped;
  platform::messages().show(
      summary, failed ? platform::MessageKind::Warning : platform::MessageKind::Information);
}

void MainWindow::Button2Click() {
  platform::FileDialog dialog;
  dialog.filter = "Universes (*.xy)";
  if (!game_.basePath.empty()) dialog.fileName = game_.basePath + "xy";
  std::optional<std::string> path = platform::messages().openFile(dialog);
  if (!path) return;
  // As picked: file names differ by case here.
  xyfilename->setText(QString::fromStdString(*path));
  guarded([this, &path] {
    if (!header_.check(*path)) platform::showMessage("Universe file is corrupt!");
  });
  readYear();
}

void MainWindow::clearLogWindow() {
  log_->clear();
}

void MainWindow::appendLogWindowLine(const std::string& line) {
  log_->appendLine(line);
}

void MainWindow::clearMonitor() {
  monitor_->clear();
}

void MainWindow::appendMonitorLine(const std::string& line) {
  monitor_->appendLine(line);
}

void MainWindow::showLogWindow() {
  log_->showWindow();
}

void MainWindow::setSendEnabled(bool enabled) {
  Button1->setEnabled(enabled);
}

int MainWindow::fileProgressMaximum() {
  return Prog->maximum();
}

void MainWindow::setFileProgress(int position, int maximum) {
  if (Prog->maximum() != maximum) Prog->setRange(0, maximum);
  Prog->setValue(position);
}

void MainWindow::setOverallProgress(int position) {
  prog2->setValue(position);
}

void MainWindow::showLastGenerated(const std::string& text) {
  gen->setText(QString::fromStdString("Last generated: " + text));
}

}  // namespace zelvaro::ui
