#pragma once

// Form3 "Settings": the SMTP server, the return address, the default alias, the player
// database file, the connection's security and login, and the logging options. The main window
// opens it with edit(); what the dialog needs from the main window comes through Hooks.

#include <QTimer>
#include <array>
#include <functional>
#include <string>

#include "core/settings.h"
#include "ui/dialog_frames.h"
#include "ui/idle_decoration.h"

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

namespace zelvaro::ui {
class FittingScrollArea;
class OrdersMailboxGroup;
class SecurityGroup;
}  // namespace zelvaro::ui

namespace zelvaro::ui {

class SettingsDialog : public FixedDialog {
  Q_OBJECT

 public:
  struct Hooks {
    // The database path was changed in the dialog: make it the current database path and
    // reload the players grid from it (a missing file is created empty by the reload).
    std::function<void(const std::string& path)> switchDatabase;
    // Show the SMTP monitor, not modally.
    std::function<void()> showMonitor;
    // A trace line of a connection check, for the SMTP monitor.
    std::function<void(const std::string& line)> monitorLine;
    // Keeps a typed password; the desktop keyring when not set.
    std::function<std::string(const std::string& key, const std::string& secret)> storePassword;
  };

  SettingsDialog(std::string settingsPath, Hooks hooks, QWidget* parent = nullptr);

  // Global options: fills the dialog from the current settings, shows it modally and, when it
  // has closed, takes its seven values back into them.
  void edit(core::Settings& current);

  // The opener's two halves of edit(): the seven values in, and out.
  void fill(const core::Settings& current);
  void takeInto(core::Settings& current) const;

  // The handlers, public so that tests drive them without a mouse or a 70 s wait.
  void Button1Click();  // Close
  void Button2Click();  // browse for the log file
  void Button3Click();  // browse for the database file
  void Edit4Enter();    // Enter in the database path
  void Label1DblClick();
  void Timer1Timer();  // the idle wait is over
  void Timer2Timer();  // one step of the idle show

  void setVisible(bool visible) override;

  QTimer& timer1() { return timer1_; }
  QTimer& timer2() { return timer2_; }
  const IdleDecoration& decoration() const { return decoration_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* buildSmtpGroup();
  void buildPanel();
  void fitToScreen();
  // The dialog grew with a check's report: all of it stays on the screen.
  void keepOnScreen();
  void showLogging(bool on);
  void switchDatabase(const std::string& path);
  void startIdleWait();
  void stopDecoration();
  core::Settings entered() const;

  std::string settingsPath_;
  Hooks hooks_;
  std::string database_;  // the current database path as far as this dialog knows it

  QLabel* label1_ = nullptr;
  QLineEdit* edit1_ = nullptr;
  QLineEdit* edit2_ = nullptr;
  QLineEdit* edit3_ = nullptr;
  QLineEdit* edit4_ = nullptr;
  QPushButton* button3_ = nullptr;
  SecurityGroup* security_ = nullptr;
  OrdersMailboxGroup* mailbox_ = nullptr;
  FittingScrollArea* groups_ = nullptr;  // the two groups above the panel
  QFrame* panel1_ = nullptr;
  QCheckBox* checkBox1_ = nullptr;
  QLineEdit* edit5_ = nullptr;
  QPushButton* button2_ = nullptr;
  QCheckBox* checkBox2_ = nullptr;
  QPushButton* button1_ = nullptr;
  std::array<QLabel*, IdleDecoration::kLines> lines_{};        // m1 to m4
  std::array<QLabel*, IdleDecoration::kPictures> pictures_{};  // Image1 to Image8
  QLabel* shownPicture_ = nullptr;
  QTimer timer1_;
  QTimer timer2_;
  IdleDecoration decoration_;
};

}  // namespace zelvaro::ui
