// The main window's game: showing it, the save-changes question, the File menu and the
// recent games.

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QTimer>
#include <utility>

#include "core/game_file.h"
#include "core/game_folders.h"
#include "core/version.h"
#include "platform/messages.h"
#include "ui/grid.h"
#include "ui/main_window.h"

namespace zelvaro::ui {

namespace {

const char* const kGameFilter = "Zelvaro files (*.zv)";

std::string joinLines(const std::vector<std::string>& lines) {
  std::string text;
  for (size_t i = 0; i < lines.size(); ++i) text += (i == 0 ? "" : "\n") + lines[i];
  return text;
}

}  // namespace

void MainWindow::showGame() {
  // The controls' edits land in the game; these values come from it.
  filling_ = true;
  gamename->setEditText(QString::fromStdString(game_.name));
  xyfilename->setText(QString::fromStdString(game_.universePath));
  subject->setText(QString::fromStdString(game_.subject));
  // A long text shows from its start, as one reads it.
  xyfilename->setCursorPosition(0);
  subject->setCursorPosition(0);
  Memo1->setPlainText(QString::fromStdString(joinLines(game_.body)));
  mfile->setChecked(game_.attachResults);
  xyfile->setChecked(game_.attachUniverse);
  filling_ = false;
  gameyear->setText(QString::fromStdString("Current year: " + std::to_string(game_.year)));
  showLastGenerated(game_.lastGenerated);
  readJournal();
  refreshRoster();
  noteFilesRead();
  refreshTitle();
}

void MainWindow::setChanged() {
  game_.changed = true;
  refreshTitle();
}

void MainWindow::setUnchanged() {
  game_.changed = false;
  refreshTitle();
}

void MainWindow::refreshTitle() {
  // Qt puts its unsaved mark where "[*]" stands; a literal "[*]" in a name would hide it.
  QString name =
      QString::fromStdString(game_.name).replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
  const QString caption = QString::fromUtf8("Zelvaro V") + QString::fromUtf8(core::ProgramVersion);
  setWindowTitle(name.isEmpty() ? caption + "[*]" : name + "[*] - " + caption);
  setWindowModified(game_.changed);
}

void MainWindow::refreshRoster() {
  commands_->refreshRoster();
}

void MainWindow::clearGame() {
  game_.clear();
  gamename->clear();
  showGame();
}

void MainWindow::readYear() {
  guarded([this] { core::computeBasePathAndYear(game_, header_); });
  gameyear->setText(QString::fromStdString("Current year: " + std::to_string(game_.year)));
}

void MainWindow::readGame() {
  std::string damage;
  try {
    if (!core::readGameFile(game_, header_)) return;
  } catch (const core::EGameFileDamaged& error) {
    // The whole file was read all the same: the game is open, with the damage said.
    damage = error.what();
  } catch (const std::exception& error) {
    // What was read before the fault stays in the window.
    showGame();
    platform::showMessage(error.what());
    return;
  }
  showGame();
  enableGameFileItems(true);
  setUnchanged();
  if (!damage.empty()) platform::showMessage(damage);
}

void MainWindow::offerUniverseInGameFolder() {
  const std::optional<std::string> found = core::universeInGameFolder(game_);
  if (!found) return;
  platform::Question question;
  question.text = "The universe file " + game_.universePath +
                  " is missing, but the game file's folder holds " + *found +
                  " (a copied game?).\n\nUse that one? Save the game afterwards to keep it.";
  question.buttons = {platform::Button::Yes, platform::Button::No};
  question.defaultButton = platform::Button::Yes;
  question.kind = platform::MessageKind::Question;
  if (platform::messages().ask(question) != platform::Button::Yes) return;
  // As an edit of the field: the game is changed and the year read from the new place.
  xyfilename->setText(QString::fromStdString(*found));
  readYear();
}

void MainWindow::openGameFile(const std::string& path) {
  game_.filePath = path;
  clearGame();
  readGame();
}

void MainWindow::enableGameFileItems(bool enabled) {
  for (QAction* item : {Save1, Close1, Gamespecificoptions1}) item->setEnabled(enabled);
}

void MainWindow::refillGameNames() {
  gamename->clear();
  for (const std::string& name : settings_.recentGames.names()) {
    gamename->addItem(QString::fromStdString(name));
  }
  gamename->setCurrentIndex(-1);
  gamename->setEditText(QString());
}

void MainWindow::pushRecentGame(const std::string& name, const std::string& path) {
  settings_.recentGames.push(name, path);
  refillGameNames();
  gamename->setEditText(QString::fromStdString(name));
}

bool MainWindow::askSaveChanges() {
  if (!game_.changed) return true;
  platform::Question question;
  question.text = "Save the changes, or what?";
  question.buttons = {platform::Button::Yes, platform::Button::No, platform::Button::Cancel};
  question.defaultButton = platform::Button::Yes;
  question.kind = platform::MessageKind::Warning;
  switch (platform::messages().ask(question)) {
    case platform::Button::Yes:
      return saveGameAs();
    case platform::Button::No:
      return true;
    default:
      return false;
  }
}

bool MainWindow::saveGameAs() {
  platform::FileDialog dialog;
  dialog.filter = kGameFilter;
  dialog.fileName = game_.filePath;
  std::optional<std::string> chosen = platform::messages().saveFile(dialog);
  if (!chosen) return false;
  game_.filePath = core::withGameExtension(*chosen);
  enableGameFileItems(true);
  if (!guarded([this] { core::writeGameFile(game_); })) return false;
  pushRecentGame(gamename->currentText().toStdString(), game_.filePath);
  return true;
}

void MainWindow::reloadRecentGames() {
  settings_.recentGames.load(settingsPath_);
  recentGamesRead_ = true;
  refillGameNames();
}

void MainWindow::New1Click() {
  if (!askSaveChanges()) return;
  if (recentGamesRead_) guarded([this] { settings_.recentGames.store(settingsPath_); });
  clearGame();
  game_.filePath.clear();
  enableGameFileItems(false);
  reloadRecentGames();
  setUnchanged();
}

void MainWindow::Playerwiz1Click() {
  if (askSaveChanges() && playerWizard) playerWizard();
  readYear();
}

void MainWindow::Open1Click() {
  if (!askSaveChanges()) return;
  platform::FileDialog dialog;
  dialog.filter = kGameFilter;
  std::optional<std::string> path = platform::messages().openFile(dialog);
  if (!path) return;
  openGameFile(*path);
  pushRecentGame(gamename->currentText().toStdString(), game_.filePath);
  offerUniverseInGameFolder();
}

void MainWindow::Save1Click() {
  if (guarded([this] { core::writeGameFile(game_); })) setUnchanged();
}

bool MainWindow::Saveas1Click() {
  if (!saveGameAs()) return false;
  setUnchanged();
  return true;
}

void MainWindow::Close1Click() {
  if (!askSaveChanges()) return;
  clearGame();
  game_.filePath.clear();
  enableGameFileItems(false);
  refreshRoster();
  refillGameNames();
  setUnchanged();
}

void MainWindow::Exit1Click() {
  if (!askSaveChanges()) return;
  // Answered once: the closing does not ask again.
  closeAsked_ = true;
  close();
}

void MainWindow::gamenameChange(const QString& text) {
  // Typing renames the game; it is no change to save by itself.
  previousName_ = std::exchange(game_.name, text.toStdString());
  refreshTitle();
}

void MainWindow::gamenameClick(int index) {
  const std::string picked = gamename->itemText(index).toStdString();
  // The pick has already put its name into the box; the game on show keeps its own name for
  // the question, so that Yes saves it under that name.
  const std::string current = previousName_;
  gamename->setEditText(QString::fromStdString(current));
  if (!askSaveChanges()) return;
  pickedName_ = picked;
  game_.filePath = settings_.recentGames.pathOf(picked).value_or(std::string());
  clearGame();
  readGame();
  enableGameFileItems(true);
  pushRecentGame(gamename->currentText().toStdString(), game_.filePath);
  panic_->start();
  offerUniverseInGameFolder();
}

void MainWindow::panicTimer() {
  panic_->stop();
  gamename->setEditText(QString::fromStdString(pickedName_));
}

}  // namespace zelvaro::ui
