// The main window's menu bar and keyboard: mnemonics on every menu and item, the usual
// shortcuts on the file commands, F1 for the manual, and Tab moving through the controls in
// reading order.

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QKeySequence>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>

#include "ui/grid.h"
#include "ui/help_window.h"
#include "ui/main_window.h"
#include "ui/text_window.h"

namespace zelvaro::ui {

namespace {

QKeySequence keys(QKeyCombination combination) {
  return QKeySequence(combination);
}

}  // namespace

void MainWindow::buildMenu() {
  QMenuBar* bar = menuBar();
  bar->setObjectName("MainMenu1");
  auto menu = [bar](const char* name, const char* caption) {
    QMenu* menu = bar->addMenu(QString::fromUtf8(caption));
    menu->setObjectName(name);
    return menu;
  };
  auto item = [this](QMenu* menu, const char* name, const char* caption, auto handler,
                     QKeySequence shortcut = {}) {
    QAction* action = menu->addAction(QString::fromUtf8(caption));
    action->setObjectName(name);
    action->setShortcut(shortcut);
    connect(action, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
    return action;
  };
  // "..." on every item that asks for more before it acts.
  QMenu* file = menu("File1", "&File");
  item(file, "New1", "&New", &MainWindow::New1Click, keys(Qt::CTRL | Qt::Key_N));
  item(file, "Playerwiz1", "Player &wiz...", &MainWindow::Playerwiz1Click);
  item(file, "Open1", "&Open...", &MainWindow::Open1Click, keys(Qt::CTRL | Qt::Key_O));
  Save1 = item(file, "Save1", "&Save", &MainWindow::Save1Click, keys(Qt::CTRL | Qt::Key_S));
  item(file, "Saveas1", "Save &as...", &MainWindow::Saveas1Click,
       keys(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
  Close1 = item(file, "Close1", "&Close", &MainWindow::Close1Click);
  file->addSeparator();
  QAction* send = item(file, "Send1", "Sen&d", &MainWindow::sendByKeys);
  // Ctrl+Return, which the menu shows, and the keypad's Enter beside it.
  send->setShortcuts({keys(Qt::CTRL | Qt::Key_Return), keys(Qt::CTRL | Qt::Key_Enter)});
  send->setShortcutContext(Qt::WindowShortcut);
  item(file, "Previewmessages1", "&Preview messages...", &MainWindow::Previewmessages1Click);
  file->addSeparator();
  item(file, "Exit1", "E&xit", &MainWindow::Exit1Click, keys(Qt::CTRL | Qt::Key_Q));
  QMenu* options = menu("Settings1", "&Settings");
  item(options, "Preferences1", "&Global options...", &MainWindow::Preferences1Click);
  Gamespecificoptions1 = item(options, "Gamespecificoptions1", "Game-specific &options...",
                              &MainWindow::Gamespecificoptions1Click);
  item(options, "Split1", "S&plit...", &MainWindow::Split1Click);
  QMenu* view = menu("View1", "&View");
  item(view, "Monitor1", "SMTP &monitor", &MainWindow::Monitor1Click);
  item(view, "Log1", "Session &log", &MainWindow::Log1Click);
  // The program's information where every desktop program keeps it: the manual first, on F1.
  QMenu* help = menu("Info1", "&Help");
  item(help, "Manual1", "&Manual", &MainWindow::Manual1Click, keys(Qt::Key_F1));
  item(help, "About1", "&About Zelvaro...", &MainWindow::About1Click);
  item(help, "Showsplashscreenagain1", "Show &introscreen again!",
       &MainWindow::Showsplashscreenagain1Click);
}

void MainWindow::setUpKeyboard() {
  // A tab typed into the body would be mailed; the keyboard has to get out of it instead.
  Memo1->setTabChangesFocus(true);
  QWidget* reading[] = {gamename, xyfilename, Button2, subject,     Memo1,
                        mfile,    xyfile,     Button1, contestors_, players_};
  for (std::size_t i = 1; i < std::size(reading); ++i) setTabOrder(reading[i - 1], reading[i]);
}

void MainWindow::sendByKeys() {
  // While a session runs, Send is off and the keys with it.
  if (Button1->isEnabled()) Button1Click();
}

void MainWindow::Monitor1Click() {
  monitor_->showWindow();
}

void MainWindow::Log1Click() {
  log_->showWindow();
}

void MainWindow::Manual1Click() {
  if (!help_) help_ = std::make_unique<HelpWindow>();
  help_->show();
  help_->raise();
  help_->activateWindow();
}

}  // namespace zelvaro::ui
