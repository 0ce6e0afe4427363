#pragma once

// The about box: the version, a picture, a few words, and a ticker of caption lines fading in
// and out in five colours.

#include <string>

#include "ui/caption_ticker.h"
#include "ui/widgets.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace zelvaro::ui {

class AboutBox : public FormDialog {
  Q_OBJECT

 public:
  explicit AboutBox(QWidget* parent = nullptr);

  // The Info menu's About: the version label says "V" and `version`, the ticker timer starts,
  // the caption is emptied, and the box shows without being modal, centred.
  void showAbout(const std::string& version);

  const CaptionTicker& ticker() const { return ticker_; }

  // Handlers, named after their control and event.
  void FormActivate() override;
  void FormClose() override;
  void Timer1Timer();
  void Button1Click();

 protected:
 private:
  void paintTicker();

  CaptionTicker ticker_;
  QLabel* Label1;
  QLabel* Label2;
  QLabel* Image1;
  QPlainTextEdit* Memo1;
  QPushButton* Button1;
  QTimer* Timer1;
};

}  // namespace zelvaro::ui
