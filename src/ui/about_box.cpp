#include "ui/about_box.h"

#include <QEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include "ui/space_art.h"
#include "ui/texts.h"
#include "ui/widgets.h"

namespace zelvaro::ui {

AboutBox::AboutBox(QWidget* parent)
    : FormDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      ticker_(aboutCaptions()) {
  setObjectName("Form4");
  setFixedSize(360, 428);
  QPalette dark = palette();
  dark.setColor(QPalette::Window, Qt::black);
  dark.setColor(QPalette::WindowText, Qt::white);
  setPalette(dark);
  setAutoFillBackground(true);

  Image1 = new QLabel(this);
  Image1->setObjectName("Image1");
  Image1->setPixmap(art::aboutPicture());
  Image1->setGeometry(16, 16, 120, 120);

  auto* name = new QLabel("Zelvaro", this);
  name->setObjectName("name");
  QFont big = name->font();
  big.setPixelSize(30);
  big.setBold(true);
  name->setFont(big);
  setTextColour(name, QColor(255, 220, 90));
  name->setGeometry(152, 34, 196, 40);

  Label1 = new QLabel(this);
  Label1->setObjectName("Label1");
  QFont version = Label1->font();
  version.setPixelSize(14);
  Label1->setFont(version);
  Label1->setGeometry(152, 78, 196, 22);
  auto* motto = new QLabel("Turns by mail, with a grin", this);
  motto->setObjectName("motto");
  setTextColour(motto, QColor(150, 150, 170));
  motto->setGeometry(152, 102, 196, 20);

  Memo1 = new QPlainTextEdit(this);
  Memo1->setObjectName("Memo1");
  Memo1->setReadOnly(true);
  Memo1->setPlainText(QString::fromStdString(aboutText()));
  Memo1->setGeometry(16, 146, 328, 222);
  QPalette memo = Memo1->palette();
  memo.setColor(QPalette::Base, QColor(8, 10, 28));
  memo.setColor(QPalette::Text, QColor(200, 200, 215));
  Memo1->setPalette(memo);
  QFont small = Memo1->font();
  small.setPixelSize(11);
  Memo1->setFont(small);

  Label2 = new QLabel(this);
  Label2->setObjectName("Label2");
  Label2->setAlignment(Qt::AlignCenter);
  QFont tickerFont = Label2->font();
  tickerFont.setBold(true);
  Label2->setFont(tickerFont);
  Label2->setGeometry(16, 372, 328, 18);

  Button1 = new QPushButton("Whatever", this);
  Button1->setObjectName("Button1");
  Button1->setGeometry(135, 396, 90, 24);
  connect(Button1, &QPushButton::clicked, this, &AboutBox::Button1Click);

  Timer1 = new QTimer(this);
  Timer1->setObjectName("Timer1");
  Timer1->setInterval(50);
  connect(Timer1, &QTimer::timeout, this, &AboutBox::Timer1Timer);
  paintTicker();
}

void AboutBox::showAbout(const std::string& version) {
  Label1->setText(QString::fromStdString("V" + version));
  Timer1->start();
  setWindowTitle(QString());
  show();
  raise();
  activateWindow();
}

void AboutBox::FormActivate() {
  ticker_.restart();
  paintTicker();
}

void AboutBox::Timer1Timer() {
  ticker_.tick();
  paintTicker();
}

void AboutBox::paintTicker() {
  Label2->setText(QString::fromStdString(ticker_.text()));
  setTextColour(Label2, colourFromBgr(ticker_.colour()));
}

void AboutBox::Button1Click() {
  close();
}

void AboutBox::FormClose() {
  Timer1->stop();
}

}  // namespace zelvaro::ui
