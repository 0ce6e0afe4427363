#pragma once

// Form1, the program's window: the current game above (name, universe, templates, attach
// switches, Send, progress, roster) and the player database below, with the File, Settings
// and Info menus. It owns the program's state for the run (settings, game, recent games) and
// every dialog and window it opens. The game lives in a core::Game that the controls keep in
// step with every edit, so a send session reads the game as the window shows it.
//
// The handlers keep the names of their controls and events; tests call them directly.

#include <QMainWindow>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/game.h"
#include "core/send_journal.h"
#include "core/settings.h"
#include "core/stars_files.h"
#include "send/session_host.h"
#include "ui/grid_commands.h"
#include "ui/player_wizard.h"
#include "ui/split_trackbar.h"

class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QTemporaryDir;
class QPushButton;
class QTimer;

namespace zelvaro::platform {
class FolderWatch;
}  // namespace zelvaro::platform

namespace zelvaro::send {
class SendSession;
struct SessionTiming;
struct SendOptions;
}  // namespace zelvaro::send

namespace zelvaro::ui {

class AboutBox;
class AliasDialog;
class ExtraFilesDialog;
class Grid;
class HelpWindow;
class IntroScreen;
class LogWindow;
class MonitorWindow;
class PlayerDetailsDialog;
class SettingsDialog;

class MainWindow : public QMainWindow,
                   public send::SessionHost,
                   public SplitTarget,
                   public WizardHost,
                   public GridHost {
  Q_OBJECT

 public:
  // Builds the controls and the windows it opens; reads nothing yet (FormCreate does).
  explicit MainWindow(std::string settingsPath, QWidget* parent = nullptr);
  ~MainWindow() override;

  // The creation work: the settings file (created when missing) and its values, the grid
  // headers, the database, an empty game, the saved geometry, column widths and split, the
  // recent games. An error ends the work at the step that raised it, after saying so.
  void FormCreate();

  // Places the controls by the window's size and the split position.
  void layOut();
  // Makes `path` the game file and reads it into a cleared game (nothing when it is missing).
  // The recent games are left alone.
  void openGameFile(const std::string& path);
  // The database grid shows a single blank row.
  bool databaseEmpty() const;
  void sortPlayers();
  // Reads the year again and mails the game; what SendSession::run() returns.
  bool sendGame(const send::SendOptions& options);
  // The check and the journal before Send: the options chosen, nothing when cancelled.
  std::optional<send::SendOptions> askBeforeSending();
  // The roster's "Mail this player again": the selected entry alone, whatever the journal says.
  void Mailagain1Click();
  // File > Preview messages...: every message Send would mail, written into a folder of its own
  // and the first one shown; nothing is sent or journaled.
  void Previewmessages1Click();
  // Sends, then names whoever was not mailed.
  void sendAndSumUp(const send::SendOptions& options);
  // The session of the last sendGame(); nothing before the first.
  const send::SendSession* lastSession() const { return session_.get(); }
  // A batch run: the window is there, but nobody looks at it.
  void setUnattended(bool unattended) { unattended_ = unattended; }
  bool sendGame();
  // Why entries of the last send were not mailed.
  std::vector<std::string> sendFailures() const;
  // Shown by Player wiz after the save-changes question; set by whoever builds the wizard.
  std::function<void()> playerWizard;

  IntroScreen& introScreen() { return *intro_; }
  AboutBox& aboutBox() { return *about_; }
  SettingsDialog& settingsDialog() { return *settingsDialog_; }
  SplitTrackbar& splitTrackbar() { return *split_; }
  RosterMover& rosterMover() { return *commands_->mover(); }
  GridCommands& gridCommands() { return *commands_; }
  AliasDialog& aliasDialog() { return *alias_; }
  PlayerDetailsDialog& playerDetails() { return *details_; }
  ExtraFilesDialog& extraFiles() { return *extraFiles_; }
  MonitorWindow& monitorWindow() { return *monitor_; }
  LogWindow& logWindow() { return *log_; }
  // Made when Help > Manual first asks for it.
  HelpWindow* helpWindow() { return help_.get(); }
  PlayerWizard& playerWizardDialog() { return *wizard_; }
  core::Settings& settings() override { return settings_; }
  const std::string& settingsPath() const { return settingsPath_; }
  Grid& players() { return *players_; }
  Grid& contestors() { return *contestors_; }
  // The send sessions' timing; tests shorten the poll.
  void setSessionTiming(const send::SessionTiming& timing);

  // Shared steps.
  // The save-changes question: true when the command may go on.
  bool askSaveChanges();
  void refreshRoster() override;
  void clearGame() override;
  void pushRecentGame(const std::string& name, const std::string& path);
  void setChanged() override;
  // The game matches its file (or was just made): no unsaved mark in the title.
  void setUnchanged();
  // Shows the game's fields, roster, year and last-generated text in the controls.
  void showGame();
  // Base path and year from the Stars! files, shown in gameyear.
  void readYear();
  // The year and the Mailed column read again when their files changed since last read, and
  // the game's folders watched (for a window on screen).
  void followFiles();
  // Save, Close and Game-specific options: enabled while the game has a game file.
  void enableGameFileItems(bool enabled);

  // File menu.
  void New1Click();
  void Playerwiz1Click();
  void Open1Click();
  void Save1Click();
  // Save as; true when the game was saved.
  bool Saveas1Click();
  void Close1Click();
  void Exit1Click();
  // Settings menu.
  void Preferences1Click();
  void Gamespecificoptions1Click();
  void Split1Click();
  // View menu.
  void Monitor1Click();
  void Log1Click();
  // Help menu.
  void Manual1Click();
  void About1Click();
  void Showsplashscreenagain1Click();
  // Controls.
  void Button1Click();            // Send
  void sendByKeys();              // File > Send, Ctrl+Return: Send unless a session runs
  void Button2Click();            // browse for the universe
  void gamenameClick(int index);  // a recent game picked from the list
  void gamenameChange(const QString& text);
  void panicTimer();
  QTimer& panic() { return *panic_; }

  // send::SessionHost
  void clearLogWindow() override;
  void appendLogWindowLine(const std::string& line) override;
  core::Game& game() override { return game_; }
  void clearMonitor() override;
  void appendMonitorLine(const std::string& line) override;
  void showLogWindow() override;
  void setSendEnabled(bool enabled) override;
  int fileProgressMaximum() override;
  void setFileProgress(int position, int maximum) override;
  void setOverallProgress(int position) override;
  void showLastGenerated(const std::string& text) override;
  bool waitForGame(platform::FileLock& lock, const std::string& sentence) override;

  // SplitTarget
  int splitPosition() const override { return settings_.split; }
  void setSplitPosition(int position) override;

  // WizardHost
  std::string databasePath() const override { return settings_.database; }
  core::MailedMark mailedMark(int number) const override;
  core::OrdersMark ordersMark(int number) const override;
  void disableGameFileItems() override { enableGameFileItems(false); }
  void reloadRecentGames() override;
  void showGameFields() override { showGame(); }

 Q_SIGNALS:
  // The window became the active window.
  void activated();

 protected:
  void changeEvent(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void buildControls();
  void buildMenu();
  // Tab through the controls in reading order; Ctrl+Return sends.
  void setUpKeyboard();
  // The game's name, its unsaved mark and the program's caption.
  void refreshTitle();
  void connectEdits();
  void createWindows();
  void applyLayoutSettings();
  void takeLayoutSettings();
  void loadPlayers();
  void refillGameNames();
  // The journal again, for the roster's Mailed column.
  void readJournal();
  // The year and the journal were just read: their files' stamp is kept.
  void noteFilesRead();
  void watchGameFolders();
  void createFileFollowing();
  // Reads the game file at the game's path into the cleared game and shows it.
  void readGame();
  // A copied game names the old folder's universe file; the game file's folder may hold it.
  void offerUniverseInGameFolder();
  // Save as without touching the changed flag: true when the game was written.
  bool saveGameAs();
  // Runs `step`; an exception is shown in a box. False when one was raised.
  static bool guarded(const std::function<void()>& step);

  std::string settingsPath_;
  core::Settings settings_;
  core::Game game_;
  core::StarsHeader header_;
  std::string pickedName_;        // restored into gamename by panic
  std::string previousName_;      // the game name before the latest edit of gamename
  bool filling_ = false;          // the program itself is filling the controls
  bool closeAsked_ = false;       // Exit has asked the save-changes question already
  bool recentGamesRead_ = false;  // the list stands for the file's, so storing it loses nothing

  QLabel* Label1 = nullptr;
  QComboBox* gamename = nullptr;
  QLabel* Label2 = nullptr;
  QLineEdit* xyfilename = nullptr;
  QPushButton* Button2 = nullptr;
  QLabel* Label3 = nullptr;
  QLineEdit* subject = nullptr;
  QLabel* Label4 = nullptr;
  QPlainTextEdit* Memo1 = nullptr;
  QCheckBox* mfile = nullptr;
  QCheckBox* xyfile = nullptr;
  QPushButton* Button1 = nullptr;
  QProgressBar* Prog = nullptr;
  QProgressBar* prog2 = nullptr;
  QLabel* Label5 = nullptr;
  Grid* contestors_ = nullptr;
  QLabel* gameyear = nullptr;
  QLabel* gen = nullptr;
  QGroupBox* GroupBox1 = nullptr;
  Grid* players_ = nullptr;
  QTimer* panic_ = nullptr;

  QAction* Save1 = nullptr;
  QAction* Close1 = nullptr;
  QAction* Gamespecificoptions1 = nullptr;

  std::unique_ptr<PlayerDetailsDialog> details_;
  std::unique_ptr<SettingsDialog> settingsDialog_;
  std::unique_ptr<AboutBox> about_;
  std::unique_ptr<SplitTrackbar> split_;
  std::unique_ptr<AliasDialog> alias_;
  std::unique_ptr<IntroScreen> intro_;
  std::unique_ptr<ExtraFilesDialog> extraFiles_;
  std::unique_ptr<LogWindow> log_;
  std::unique_ptr<PlayerWizard> wizard_;
  std::unique_ptr<MonitorWindow> monitor_;
  std::unique_ptr<HelpWindow> help_;
  // Last: it acts on the grids and the dialogs above.
  std::unique_ptr<GridCommands> commands_;
  std::unique_ptr<send::SessionTiming> timing_;
  std::unique_ptr<send::SendSession> session_;
  bool unattended_ = false;
  core::SendJournal journal_;
  std::string filesStamp_;  // of the files the year and the Mailed column were read from
  std::unique_ptr<platform::FolderWatch> folderWatch_;
  std::vector<std::string> watchedFolders_;
  QTimer* filesSettle_ = nullptr;
  // The last preview's folder: it stays for the operator to open, until the next preview or
  // the end of the program.
  std::shared_ptr<QTemporaryDir> previewFolder_;
};

}  // namespace zelvaro::ui
