#include "ui/intro_screen.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QWheelEvent>
#include <utility>

#include "core/settings.h"
#include "core/text_store.h"
#include "ui/space_art.h"
#include "ui/texts.h"
#include "ui/widgets.h"

namespace zelvaro::ui {

namespace {

constexpr int kSize = 400;
constexpr int kLineLeft = 10;
constexpr int kLineTop = 92;
constexpr int kLineHeight = 23;
constexpr int kLineWidth = 364;
constexpr QRect kCaptionDesign(8, 362, 384, 18);  // moved 20 pixels down at creation
constexpr int kCaptionDrop = 20;

QLabel* makeOverlay(QWidget* parent, const char* name, int stage) {
  auto* label = new QLabel(parent);
  label->setObjectName(name);
  label->setPixmap(art::introFlame(stage));
  label->setGeometry(QRect(art::introFlameOrigin(), label->pixmap().size()));
  label->setAttribute(Qt::WA_TransparentForMouseEvents);
  label->hide();
  return label;
}

}  // namespace

IntroScreen::IntroScreen(std::string settingsPath, QWidget* parent)
    : FormDialog(parent, Qt::Dialog | Qt::FramelessWindowHint),
      settingsPath_(std::move(settingsPath)),
      text_(introLines()),
      remarks_(idleRemarks(), kSize, kCaptionDesign.height()) {
  setObjectName("Form8");
  setFixedSize(kSize, kSize);
  QPalette dark = palette();
  dark.setColor(QPalette::Window, Qt::black);
  setPalette(dark);

  Image1 = new MouseLabel(this);
  Image1->setObjectName("Image1");
  Image1->setPixmap(art::introBackground());
  Image1->setGeometry(0, 0, kSize, kSize);
  connect(Image1, &MouseLabel::moved, this, &IntroScreen::Image1MouseMove);
  connect(Image1, &MouseLabel::clicked, this, &IntroScreen::Image1Click);
  Image3 = makeOverlay(this, "Image3", 1);
  Image2 = makeOverlay(this, "Image2", 2);

  static constexpr std::array<const char*, kIntroShownLines> kLineNames = {
      "Label1", "Label2", "Label3", "Label4", "Label5", "Label8", "Label9", "Label10"};
  for (int i = 0; i < kIntroShownLines; ++i) {
    QLabel* line = new QLabel(this);
    line->setObjectName(kLineNames[i]);
    line->setGeometry(kLineLeft, kLineTop + i * kLineHeight, kLineWidth, kLineHeight - 3);
    line->setAttribute(Qt::WA_TransparentForMouseEvents);
    setTextColour(line, Qt::white);
    line->hide();
    lines_[i] = line;
  }

  UpDown1 = new UpDown(this);
  UpDown1->setObjectName("UpDown1");
  UpDown1->setGeometry(377, 150, 18, 44);
  connect(UpDown1, &UpDown::clicked, this, &IntroScreen::UpDown1Click);
  connect(UpDown1, &UpDown::pressed, this, &IntroScreen::UpDown1MouseDown);

  Label6 = new MouseLabel(this);
  Label6->setObjectName("Label6");
  Label6->setText("OK");
  QFont bold = Label6->font();
  bold.setBold(true);
  bold.setPixelSize(18);
  Label6->setFont(bold);
  setTextColour(Label6, Qt::yellow);
  Label6->setCursor(Qt::PointingHandCursor);
  Label6->setGeometry(354, 352, 34, 24);
  connect(Label6, &MouseLabel::pressed, this, &IntroScreen::Label6MouseDown);
  connect(Label6, &MouseLabel::released, this, &IntroScreen::Label6MouseUp);
  connect(Label6, &MouseLabel::clicked, this, &IntroScreen::Label6Click);

  Label7 = new QLabel(this);
  Label7->setObjectName("Label7");
  Label7->setText("Arrows or mouse wheel to scroll, OK to get going.");
  Label7->setAlignment(Qt::AlignCenter);
  Label7->setGeometry(kCaptionDesign);
  Label7->setAttribute(Qt::WA_TransparentForMouseEvents);
  setTextColour(Label7, QColor(170, 170, 190));

  CheckBox1 = new QCheckBox("Do not display introscreen at startup", this);
  CheckBox1->setObjectName("CheckBox1");
  CheckBox1->setGeometry(12, 354, 280, 22);
  // Tab reaches it once it shows; Space ticks it and Return still closes the screen.
  CheckBox1->setFocusPolicy(Qt::TabFocus);
  setTextColour(CheckBox1, Qt::white);
  CheckBox1->hide();

  Timer1 = makeTimer("Timer1", 5000, &IntroScreen::Timer1Timer);
  Timer2 = makeTimer("Timer2", 50, &IntroScreen::Timer2Timer);
  sleeper = makeTimer("sleeper", 25000, &IntroScreen::sleeperTimer);
  fader = makeTimer("fader", 10, &IntroScreen::faderTimer);
  last = makeTimer("last", 300000, &IntroScreen::lastTimer);
  liner = makeTimer("liner", 20, &IntroScreen::linerTimer);
  boxtimer = makeTimer("boxtimer", 12000, &IntroScreen::boxtimerTimer);

  paintedLevel_.fill(-1);  // white, as designed: no level's colour
  FormCreate();
}

QTimer* IntroScreen::makeTimer(const char* name, int intervalMs, void (IntroScreen::*handler)()) {
  auto* timer = new QTimer(this);
  timer->setObjectName(name);
  timer->setInterval(intervalMs);
  connect(timer, &QTimer::timeout, this, handler);
  return timer;
}

void IntroScreen::FormCreate() {
  okHome_ = Label6->pos();
  Label7->move(Label7->x(), Label7->y() + kCaptionDrop);
  render();
  fadingReset();
  CheckBox1->setChecked(core::readSetting(settingsPath_, "splash") == "1");
  boxtimer->start();
}

void IntroScreen::prepare(const std::string& version, const std::string& alias) {
  text_.prepare(version, alias);
  render();
  fadingReset();
}

void IntroScreen::showModal() {
  exec();
}

void IntroScreen::showAgain() {
  position_ = 0;
  UpDown1->setPosition(0);
  render();
  fadingReset();
  showModal();
}

void IntroScreen::render() {
  const auto page = text_.page(position_);
  for (int i = 0; i < kIntroShownLines; ++i) {
    QFont font = this->font();
    font.setPixelSize(11);
    font.setBold(page[i].style != LineStyle::Plain);
    font.setUnderline(page[i].style == LineStyle::SubHeading);
    lines_[i]->setFont(font);
    lines_[i]->setText(QString::fromStdString(page[i].text));
  }
}

void IntroScreen::fadingReset() {
  fader_.reset();
  for (QLabel* line : lines_) line->hide();  // each takes its colour when it starts to fade
  UpDown1->setMaximum(text_.lineCount() - kIntroShownLines);
  if (isVisible()) startShowTimers();
}

// The animation runs only while the screen is up: hidden, it would wake the program a hundred
// times a second for the whole run, and the text would have faded out by the time a late
// first showing comes.
void IntroScreen::startShowTimers() {
  Timer1->start();
  sleeper->start();
  fader->start();
}

void IntroScreen::showEvent(QShowEvent* event) {
  FormDialog::showEvent(event);
  startShowTimers();
}

void IntroScreen::paintLine(int index) {
  const int level = fader_.line(index).level;
  QLabel* line = lines_[index];
  if (paintedLevel_[index] != level) {  // a palette change repaints, so only on a change
    setTextColour(line, colourFromBgr(levelColour(level)));
    paintedLevel_[index] = level;
  }
  line->setVisible(fader_.visible(index));
}

void IntroScreen::faderTimer() {
  fader_.tick();
  for (int i = 0; i < kIntroShownLines; ++i) paintLine(i);
}

void IntroScreen::FormActivate() {
  Timer1->start();
  last->start();
}

void IntroScreen::Timer1Timer() {
  overlays_.start();
  Timer2->start();
}

void IntroScreen::Timer2Timer() {
  overlays_.tick();
  Image3->setVisible(overlays_.stageOneShown());
  Image2->setVisible(overlays_.stageTwoShown());
  if (!overlays_.running()) Timer2->stop();
}

void IntroScreen::sleeperTimer() {
  sleeper->stop();
  fader_.fadeOut();
}

void IntroScreen::Image1MouseMove() {
  sleeper->start();
  fader_.wakeUp();
}

void IntroScreen::Image1Click() {
  fader_.wakeUp();
}

void IntroScreen::UpDown1MouseDown() {
  fader_.wakeUp();
}

void IntroScreen::scrollTo(int position) {
  UpDown1->setPosition(position);
  UpDown1Click();
}

void IntroScreen::UpDown1Click() {
  position_ = UpDown1->position();
  render();
  sleeper->start();
}

void IntroScreen::lastTimer() {
  last->stop();
  remarks_.start(Label7->y(), Label7->text().toStdString());
  liner->start();
}

void IntroScreen::linerTimer() {
  remarks_.tick();
  Label7->move(Label7->x(), remarks_.top());
  Label7->setText(QString::fromStdString(remarks_.text()));
}

void IntroScreen::boxtimerTimer() {
  CheckBox1->show();
  boxtimer->stop();
}

void IntroScreen::Label6MouseDown() {
  Label6->move(okHome_ + QPoint(1, 1));
}

void IntroScreen::Label6MouseUp() {
  Label6->move(okHome_);
}

void IntroScreen::Label6Click() {
  close();
}

void IntroScreen::FormClose() {
  for (QLabel* line : lines_) {
    line->hide();
    setTextColour(line, Qt::black);
  }
  paintedLevel_.fill(0);  // black is level 0's colour
  for (QTimer* timer : {Timer1, Timer2, sleeper, fader, last, liner}) timer->stop();
  core::WriteKey(settingsPath_, "splash", CheckBox1->isChecked() ? "1" : "0");
}

void IntroScreen::keyPressEvent(QKeyEvent* event) {
  int step = 0;
  switch (event->key()) {
    case Qt::Key_Up:
      step = -1;
      break;
    case Qt::Key_Down:
      step = 1;
      break;
    case Qt::Key_PageUp:
      step = -kIntroShownLines;
      break;
    case Qt::Key_PageDown:
      step = kIntroShownLines;
      break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      Label6Click();  // "OK"
      return;
    default:
      FormDialog::keyPressEvent(event);
      return;
  }
  UpDown1MouseDown();
  UpDown1->step(step);
}

void IntroScreen::wheelEvent(QWheelEvent* event) {
  const int delta = event->angleDelta().y();
  if (delta == 0) return;
  UpDown1MouseDown();
  UpDown1->step(delta > 0 ? -1 : 1);
}

}  // namespace zelvaro::ui
