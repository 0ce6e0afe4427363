#pragma once

// The intro screen: the built-in instructions eight lines at a time over a space picture, with
// fading text, a ship that fires its engine now and then, and idle remarks that rise from the
// bottom when nobody has touched anything for five minutes.

#include <QTimer>
#include <array>
#include <string>

#include "ui/intro_fade.h"
#include "ui/intro_motion.h"
#include "ui/intro_text.h"
#include "ui/widgets.h"

class QCheckBox;
class QLabel;

namespace zelvaro::ui {

class IntroScreen : public FormDialog {
  Q_OBJECT

 public:
  // `settingsPath` is the settings file that keeps the "do not show at start" choice.
  explicit IntroScreen(std::string settingsPath, QWidget* parent = nullptr);

  // At the main window's first activation: the first line names the program and its version,
  // and the hosts' instructions name the default alias; the fading starts again.
  void prepare(const std::string& version, const std::string& alias);
  // Shows the screen as it stands, modally; returns when it is closed.
  void showModal();
  // "Show introscreen again!": back to the first page, fading in afresh, modally.
  void showAgain();

  // Scrolls as if the arrows had been clicked until they showed `position`.
  void scrollTo(int position);

  const IntroText& text() const { return text_; }
  const IntroFader& fading() const { return fader_; }
  int position() const { return position_; }
  QLabel* displayLine(int index) const { return lines_[index]; }

  // Handlers, named after their control and event; the timers and controls call them, and
  // tests call them directly instead of waiting.
  void FormActivate() override;
  void FormClose() override;
  void faderTimer();
  void Timer1Timer();
  void Timer2Timer();
  void sleeperTimer();
  void lastTimer();
  void linerTimer();
  void boxtimerTimer();
  void UpDown1Click();
  void UpDown1MouseDown();
  void Image1MouseMove();
  void Image1Click();
  void Label6MouseDown();
  void Label6MouseUp();
  void Label6Click();

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  void FormCreate();
  void render();
  void fadingReset();
  void startShowTimers();
  void paintLine(int index);
  QTimer* makeTimer(const char* name, int intervalMs, void (IntroScreen::*handler)());

  std::string settingsPath_;
  IntroText text_;
  IntroFader fader_;
  OverlayCycle overlays_;
  IdleRemarks remarks_;
  int position_ = 0;
  std::array<int, kIntroShownLines> paintedLevel_{};
  QPoint okHome_;

  MouseLabel* Image1;
  QLabel* Image2;
  QLabel* Image3;
  std::array<QLabel*, kIntroShownLines> lines_{};
  UpDown* UpDown1;
  MouseLabel* Label6;
  QLabel* Label7;
  QCheckBox* CheckBox1;
  QTimer* Timer1;
  QTimer* Timer2;
  QTimer* sleeper;
  QTimer* fader;
  QTimer* last;
  QTimer* liner;
  QTimer* boxtimer;
};

}  // namespace zelvaro::ui
