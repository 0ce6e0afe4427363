// The main window as the send session sees it: the game, the monitor and log windows, the
// Send button, the two progress bars and the last-generated label. And the two controls that
// start or feed a send: Send and the universe browser.

#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

#include "core/turn_check.h"
#include "core/turn_status.h"
#include "platform/messages.h"
#include "send/send_session.h"
#include "send/session_summary.h"
#include "ui/main_window.h"
#include "ui/pre_send_dialog.h"
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
  const bool allMailed = session_->run(options);
  readJournal();
  refreshRoster();
  return allMailed;
}

void MainWindow::readJournal() {
  // A journal that cannot be read leaves the column empty; the session says what is wrong.
  journal_ = core::SendJournal();
  journal_.load();
}

core::MailedMark MainWindow::mailedMark(int number) const {
  return core::mailedMark(journal_.lastWord(core::journalGameFile(game_), game_.year, number));
}

std::vector<std::string> MainWindow::sendFailures() const {
  return session_ ? session_->failures() : std::vector<std::string>{};
}

// Players with a problem, and players whose turn went out already, each a line.
std::optional<send::SendOptions> MainWindow::askBeforeSending() {
  readYear();
  auto named = [this](int player, const std::string& what) {
    const std::vector<std::string> fields = game_.roster[static_cast<size_t>(player) - 1].fields();
    return "#" + std::to_string(player) + " " + (fields.empty() ? "" : fields[0]) + ": " + what;
  };
  std::vector<std::string> problems;
  for (const core::TurnFinding& finding : core::problemsOf(core::checkTurnFiles(game_))) {
    problems.push_back(named(finding.player, finding.text()));
  }
  std::vector<std::string> mailed;
  core::SendJournal journal;
  journal.load();  // a damaged journal is told by the session itself
  for (const core::PlayerTurnStatus& status : core::turnStatus(game_, journal)) {
    if (status.mailed) {
      mailed.push_back(named(status.number,
                             "mailed on " + status.lastWord.value_or(core::JournalEntry{}).when()));
    }
  }
  if (problems.empty() && mailed.empty()) return send::SendOptions{};
  PreSendDialog dialog(this);
  return dialog.ask(problems, mailed);
}

void MainWindow::Button1Click() {
  std::optional<send::SendOptions> options;
  guarded([this, &options] { options = askBeforeSending(); });
  if (!options) return;
  sendAndSumUp(*options);
}

void MainWindow::Mailagain1Click() {
  const int index = commands_->selectedEntry();
  if (index < 0 || static_cast<size_t>(index) >= game_.roster.size()) return;
  send::SendOptions options;
  options.only = {index + 1};
  options.againPlayers = {index + 1};
  sendAndSumUp(options);
}

void MainWindow::sendAndSumUp(const send::SendOptions& options) {
  sendGame(options);
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
