#include "ui/main_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include "core/errors.h"
#include "core/version.h"
#include "platform/folder_watch.h"
#include "platform/messages.h"
#include "send/send_session.h"
#include "ui/about_box.h"
#include "ui/alias_dialog.h"
#include "ui/extra_files_dialog.h"
#include "ui/grid.h"
#include "ui/help_window.h"
#include "ui/intro_screen.h"
#include "ui/main_layout.h"
#include "ui/player_details_dialog.h"
#include "ui/settings_dialog.h"
#include "ui/text_window.h"
#include "ui/widget_names.h"

namespace zelvaro::ui {

namespace {

// The design size of the window, which the settings may override.
constexpr core::WindowGeometry kDesign;

template <typename Widget>
Widget* hinted(Widget* widget, const char* hint) {
  widget->setToolTip(QString::fromUtf8(hint));
  return widget;
}

}  // namespace

MainWindow::MainWindow(std::string settingsPath, QWidget* parent)
    : QMainWindow(parent),
      settingsPath_(std::move(settingsPath)),
      timing_(std::make_unique<send::SessionTiming>()) {
  setObjectName("Form1");
  refreshTitle();
  buildControls();
  buildMenu();
  setUpKeyboard();
  connectEdits();
  setGeometry(kDesign.left, kDesign.top, kDesign.width, kDesign.height);
  createWindows();
  createFileFollowing();
  enableGameFileItems(false);
  layOut();
}

MainWindow::~MainWindow() = default;

void MainWindow::buildControls() {
  auto* panel = new QWidget(this);
  panel->setObjectName("panel");
  setCentralWidget(panel);

  Label1 = named<QLabel>("Label1", panel, "Gamename");
  gamename = named<QComboBox>("gamename", panel);
  gamename->setEditable(true);
  gamename->setInsertPolicy(QComboBox::NoInsert);
  Label2 = named<QLabel>("Label2", panel, "Universe");
  xyfilename = named<QLineEdit>("xyfilename", panel);
  Button2 = hinted(named<QPushButton>("Button2", panel, "..."), "Click here to browse");
  connect(Button2, &QPushButton::clicked, this, &MainWindow::Button2Click);
  Label3 = named<QLabel>("Label3", panel, "Subject header");
  subject = hinted(named<QLineEdit>("subject", panel),
                   "%Y for year, %G for gamename and %P for player number");
  Label4 = named<QLabel>("Label4", panel, "Message body");
  Memo1 = named<QPlainTextEdit>("Memo1", panel);
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  mfile = named<QCheckBox>("mfile", panel, "Attach .M files");
  xyfile = named<QCheckBox>("xyfile", panel, "Attach .XY file");
  Button1 = named<QPushButton>("Button1", panel, "Send");
  connect(Button1, &QPushButton::clicked, this, &MainWindow::Button1Click);
  Prog = hinted(named<QProgressBar>("Prog", panel), "Progress of current file");
  Prog->setRange(0, 500);
  prog2 = hinted(named<QProgressBar>("prog2", panel), "Progress of all emails");
  prog2->setRange(0, 100);
  for (QProgressBar* bar : {Prog, prog2}) {
    bar->setValue(0);
    bar->setTextVisible(false);
  }
  Label5 = named<QLabel>("Label5", panel, "Players in this game");
  contestors_ = new Grid("contestors", {"Send", "Player#", "Name", "Mailed", "Orders"}, panel);
  contestors_->setToolTip("Names in bold indicate extra fileattachments.");
  // The narrow Send and Player# columns show the start of their headers.
  contestors_->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  gameyear = named<QLabel>("gameyear", panel);
  gen = named<QLabel>("gen", panel);
  for (QLabel* status : {gameyear, gen}) status->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  GroupBox1 = named<QGroupBox>("GroupBox1", panel);
  GroupBox1->setTitle("Database");
  players_ = new Grid("players", {"Name", "Email", "Note"}, GroupBox1);

  panic_ = named<QTimer>("panic", this);
  panic_->setInterval(1);
  connect(panic_, &QTimer::timeout, this, &MainWindow::panicTimer);
}

void MainWindow::connectEdits() {
  // What the program writes into the controls itself is already in the game.
  auto edit = [this](auto apply) {
    return [this, apply](auto&&... value) {
      if (filling_) return;
      apply(value...);
      setChanged();
    };
  };
  connect(xyfilename, &QLineEdit::textChanged, this,
          edit([this](const QString& text) { game_.universePath = text.toStdString(); }));
  connect(subject, &QLineEdit::textChanged, this,
          edit([this](const QString& text) { game_.subject = text.toStdString(); }));
  connect(Memo1, &QPlainTextEdit::textChanged, this, edit([this] {
            // Lines as a memo counts them: a final line break opens no line of its own.
            game_.body.clear();
            QStringList lines = Memo1->toPlainText().split(QLatin1Char('\n'));
            if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
            for (const QString& line : lines) game_.body.push_back(line.toStdString());
          }));
  connect(mfile, &QCheckBox::toggled, this, edit([this](bool on) { game_.attachResults = on; }));
  connect(xyfile, &QCheckBox::toggled, this, edit([this](bool on) { game_.attachUniverse = on; }));
  connect(gamename, &QComboBox::editTextChanged, this, &MainWindow::gamenameChange);
  // The box "picks" a listed game whose name it holds when editing ends, which is whenever the
  // focus leaves it (a dialog opening included): only a pick from the list opens a game.
  disconnect(gamename->lineEdit(), &QLineEdit::editingFinished, gamename, nullptr);
  connect(gamename, qOverload<int>(&QComboBox::activated), this, &MainWindow::gamenameClick);
}

void MainWindow::createWindows() {
  details_ = std::make_unique<PlayerDetailsDialog>();
  SettingsDialog::Hooks hooks;
  hooks.switchDatabase = [this](const std::string& path) {
    settings_.database = path;
    loadPlayers();
  };
  hooks.showMonitor = [this] { monitor_->showWindow(); };
  hooks.monitorLine = [this](const std::string& line) { appendMonitorLine(line); };
  settingsDialog_ = std::make_unique<SettingsDialog>(settingsPath_, std::move(hooks));
  about_ = std::make_unique<AboutBox>();
  split_ = std::make_unique<SplitTrackbar>(*this);
  alias_ = std::make_unique<AliasDialog>();
  intro_ = std::make_unique<IntroScreen>(settingsPath_);
  extraFiles_ = std::make_unique<ExtraFilesDialog>();
  // The grids' commands, with the up/down mover they open.
  commands_ =
      std::make_unique<GridCommands>(*this, *players_, *contestors_, *details_, *extraFiles_, this);
  QAction* again = commands_->contestorMenu()->addAction(QStringLiteral("Mail this player again"));
  again->setObjectName(QStringLiteral("Mailagain1"));
  connect(again, &QAction::triggered, this, [this] { Mailagain1Click(); });
  log_ = std::make_unique<LogWindow>();
  log_->openBeside(this, 0);
  wizard_ = std::make_unique<PlayerWizard>(*this, *extraFiles_);
  playerWizard = [this] { wizard_->run(); };
  monitor_ = std::make_unique<MonitorWindow>();
  monitor_->openBeside(this, 50);
}

void MainWindow::FormCreate() {
  // Without a settings file the run goes on with the values a new one would hold.
  const bool settingsFile = guarded([this] { core::createSettingsIfMissing(settingsPath_); });
  if (!settingsFile) core::applyDefaults(settings_);
  guarded([this, settingsFile] {
    if (settingsFile) core::loadOptions(settingsPath_, settings_);
    Prog->setMaximum(settings_.progressMaximum);
    loadPlayers();
    game_.roster.clear();
    clearGame();
    showLastGenerated("never");
    game_.lastGenerated = "never";
    try {
      if (settingsFile) core::loadLayout(settingsPath_, settings_);
    } catch (...) {
      // What was read before the bad number is the window's all the same.
      applyLayoutSettings();
      throw;
    }
    applyLayoutSettings();
    if (settingsFile) {
      settings_.recentGames.load(settingsPath_);
      recentGamesRead_ = true;
    }
    refillGameNames();
    setUnchanged();
  });
}

void MainWindow::applyLayoutSettings() {
  const core::WindowGeometry& window = settings_.window;
  move(window.left, window.top);
  resize(window.width, window.height);
  for (int column = 0; column < 3; ++column) {
    players_->setColumnWidth(column, settings_.playerColumns[column]);
  }
  for (int column = 0; column < 5; ++column) {
    contestors_->setColumnWidth(column, settings_.rosterColumns[column]);
  }
  monitor_->setSavedGeometry(settings_.monitorWindow);
  log_->setSavedGeometry(settings_.logWindow);
  layOut();
}

void MainWindow::takeLayoutSettings() {
  settings_.window = {pos().x(), pos().y(), width(), height()};
  for (int column = 0; column < 3; ++column) {
    settings_.playerColumns[column] = players_->columnWidth(column);
  }
  for (int column = 0; column < 5; ++column) {
    settings_.rosterColumns[column] = contestors_->columnWidth(column);
  }
  settings_.progressMaximum = Prog->maximum();
  settings_.monitorWindow = monitor_->keptGeometry();
  settings_.logWindow = log_->keptGeometry();
}

void MainWindow::layOut() {
  // From the window's own size: the central widget follows it only once the window shows.
  const int menuHeight = menuBar()->sizeHint().height();
  const MainLayout l = layOutMain(width(), height() - menuHeight, settings_.split);
  const std::pair<QWidget*, QRect> places[] = {
      {Label1, l.Label1},       {gamename, l.gamename},
      {Label2, l.Label2},       {xyfilename, l.xyfilename},
      {Button2, l.Button2},     {Label3, l.Label3},
      {subject, l.subject},     {Label4, l.Label4},
      {Memo1, l.Memo1},         {mfile, l.mfile},
      {xyfile, l.xyfile},       {Button1, l.Button1},
      {Prog, l.Prog},           {prog2, l.prog2},
      {Label5, l.Label5},       {contestors_, l.contestors},
      {gameyear, l.gameyear},   {gen, l.gen},
      {GroupBox1, l.GroupBox1}, {players_, l.players}};
  for (const auto& [widget, place] : places) widget->setGeometry(place);
}

void MainWindow::setSplitPosition(int position) {
  settings_.split = position;
  layOut();
}

void MainWindow::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  layOut();
  players_->viewport()->update();
}

void MainWindow::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
    followFiles();
    Q_EMIT activated();
  }
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // The answer cannot stop the closing; Cancel only skips the saving.
  if (!closeAsked_) askSaveChanges();
  closeAsked_ = false;
  game_.roster.clear();
  takeLayoutSettings();
  // A creation stopped early never read the recent games: what the file holds is kept rather
  // than overwritten by an empty list.
  if (!recentGamesRead_) guarded([this] { settings_.recentGames.load(settingsPath_); });
  guarded([this] { core::saveSettings(settingsPath_, settings_); });
  // Closing this window ends the program, also while a window it opened is still up.
  for (QWidget* opened :
       std::initializer_list<QWidget*>{log_.get(), monitor_.get(), about_.get(), split_.get(),
                                       commands_->mover(), help_.get()}) {
    if (opened != nullptr) opened->close();
  }
  event->accept();
}

void MainWindow::loadPlayers() {
  guarded([this] { commands_->loadPlayers(); });
}

bool MainWindow::databaseEmpty() const {
  return players_->rowCount() == 1 && players_->cell(0, 0).empty();
}

void MainWindow::sortPlayers() {
  commands_->sortPlayers();
}

bool MainWindow::guarded(const std::function<void()>& step) {
  try {
    step();
    return true;
  } catch (const std::exception& error) {
    platform::showMessage(error.what());
    return false;
  }
}

void MainWindow::About1Click() {
  about_->showAbout(core::ProgramVersion);
}

void MainWindow::Showsplashscreenagain1Click() {
  intro_->showAgain();
}

void MainWindow::Split1Click() {
  split_->showAt(x() + (frameGeometry().width() - split_->width()) / 2, y() + 242);
}

void MainWindow::Preferences1Click() {
  settingsDialog_->edit(settings_);
}

void MainWindow::Gamespecificoptions1Click() {
  // The schedule lives in a file of its own beside the game file, which keeps its format.
  const std::string rulesPath = core::rulesPathFor(game_.filePath);
  core::RulesReading reading;
  try {
    reading = core::readGameRules(rulesPath);
  } catch (const core::EInOutError& error) {
    platform::showMessage(error.what());
    return;
  }
  alias_->setRules(reading.rules);
  if (std::optional<std::string> alias = alias_->ask(game_.alias)) {
    game_.alias = *alias;
    setChanged();
    if (alias_->rules() == reading.rules) return;
    try {
      core::writeGameRules(rulesPath, alias_->rules());
    } catch (const core::EInOutError& error) {
      platform::showMessage(error.what());
    }
  }
}

}  // namespace zelvaro::ui
