// The main window as the send session sees it: the game, the monitor and log windows, the
// Send button, the two progress bars and the last-generated label. And the two controls that
// start or feed a send: Send and the universe browser.

#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <ctime>

#include <algorithm>

#include "core/game_folders.h"
#include "core/turn_check.h"
#include "core/turn_status.h"
#include "platform/clock_text.h"
#include "platform/messages.h"
#include "send/send_session.h"
#include "send/session_summary.h"
#include "ui/game_wait_dialog.h"
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
  noteFilesRead();
  return allMailed;
}

void MainWindow::readJournal() {
  // A journal that cannot be read leaves the column empty; the session says what is wrong.
  journal_ = core::SendJournal();
  journal_.load();
}

core::MailedMark MainWindow::mailedMark(int number) const {
  const std::string gameFile = core::journalGameFile(game_);
  return core::mailedMark(journal_.lastWord(gameFile, game_.year, number),
                          journal_.lastSentBefore(gameFile, game_.year, number));
}

core::OrdersMark MainWindow::ordersMark(int number) const {
  return core::ordersMark(journal_, core::journalGameFile(game_), game_.year, number);
}

std::vector<std::string> MainWindow::sendFailures() const {
  return session_ ? session_->failures() : std::vector<std::string>{};
}

// Players with a problem, players whose turn went out already, and files from elsewhere,
// each a line.
std::optional<send::SendOptions> MainWindow::askBeforeSending() {
  readYear();
  auto named = [this](int player, const std::string& what) {
    const std::vector<std::string> fields = game_.roster[static_cast<size_t>(player) - 1].fields();
    return "#" + std::to_string(player) + " " + (fields.empty() ? "" : fields[0]) + ": " + what;
  };
  PreSendLists lists;
  const std::vector<core::TurnFinding> problems = core::problemsOf(core::checkTurnFiles(game_));
  for (const core::TurnFinding& finding : problems) {
    lists.problems.push_back(named(finding.player, finding.text()));
  }
  core::SendJournal journal;
  journal.load();  // a damaged journal is told by the session itself
  for (const core::PlayerTurnStatus& status : core::turnStatus(game_, journal)) {
    if (status.mailed) {
      lists.mailed.push_back(named(
          status.number, "mailed on " + status.lastWord.value_or(core::JournalEntry{}).when()));
    }
    const bool wrong = std::any_of(problems.begin(), problems.end(),
                                   [&status](const auto& p) { return p.player == status.number; });
    if (!wrong) ++lists.ready;
  }
  for (const core::StrayFile& stray : core::filesOutsideGameFolders(game_)) {
    lists.outside.push_back(named(stray.player, stray.path));
  }
  if (lists.problems.empty() && lists.mailed.empty() && lists.outside.empty()) {
    return send::SendOptions{};
  }
  PreSendDialog dialog(this);
  return dialog.ask(lists);
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
  // The log window says everything; this says at once who got his turn and who did not.
  if (!session_) return;
  const std::vector<send::PlayerOutcome> outcomes = session_->outcomes();
  const std::string summary = send::sessionSummary(outcomes);
  if (summary.empty()) return;
  using Kind = send::PlayerOutcome::Kind;
  const bool missed = std::any_of(outcomes.begin(), outcomes.end(), [](const auto& outcome) {
    return outcome.kind == Kind::NotMailed ||
           (outcome.kind == Kind::MailedNow && !outcome.reason.empty());
  });
  platform::messages().show(
      summary, missed ? platform::MessageKind::Warning : platform::MessageKind::Information);
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
  // The session before stays readable above a line of its own; the monitor keeps its newest
  // lines only, whichever session they belong to.
  monitor_->separate("----- " + platform::shortDateText(std::time(nullptr)) + " " +
                     platform::longTimeText(std::time(nullptr)) + ": next session -----");
}

void MainWindow::appendMonitorLine(const std::string& line) {
  monitor_->appendLine(line);
}

void MainWindow::showLogWindow() {
  // The operator goes on in the main window; the log is there to look at, not to type into.
  log_->showQuietly();
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

bool MainWindow::waitForGame(platform::FileLock& lock, const std::string& sentence) {
  // A batch or watch run has no window to wait in.
  if (unattended_ || !isVisible()) return send::SessionHost::waitForGame(lock, sentence);
  GameWaitDialog dialog(this);
  return dialog.waitFor(lock, sentence);
}

}  // namespace zelvaro::ui
