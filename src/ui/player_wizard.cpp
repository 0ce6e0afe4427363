#include "ui/player_wizard.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/messages.h"
#include "ui/extra_files_dialog.h"
#include "ui/widget_names.h"
#include "ui/wizard_art.h"

namespace zelvaro::ui {

namespace {

using In = WizardInput;

constexpr int kPictureColumnWidth = 130;
constexpr int kBubbleWidth = 400;
constexpr int kBubbleHeight = 84;

QLabel* bubbleLine(const char* name, QWidget* parent) {
  auto* line = named<QLabel>(name, parent);
  line->setAlignment(Qt::AlignCenter);
  QFont bold = line->font();
  bold.setBold(true);
  line->setFont(bold);
  return line;
}

BubbleShape* circle(const char* name, QWidget* parent, int left, int top, int size) {
  auto* shape = named<BubbleShape>(name, parent);
  shape->setGeometry(left, top, size, size);
  return shape;
}

}  // namespace

PlayerWizard::PlayerWizard(WizardHost& host, ExtraFilesDialog& extraFiles, QWidget* parent)
    : FixedDialog(QStringLiteral("Form11"), parent), host_(host), extraFiles_(extraFiles) {
  setWindowTitle(QStringLiteral("Make it easy for me oh big and wise Wizard!"));
  auto* panel = new QWidget(this);
  auto* grid = new QGridLayout(panel);
  grid->setContentsMargins(0, 0, 0, 0);
  buildPicture(grid);
  buildInputs(grid);
  addControl(panel);

  addButton(namedClickOnlyButton("Button5", "Forget it all", this, &PlayerWizard::Button5Click))
      ->setFocusPolicy(Qt::ClickFocus);
  addButtonGap();
  button2_ =
      addButton(namedClickOnlyButton("Button2", "More files..", this, &PlayerWizard::Button2Click));
  button2_->setToolTip(QStringLiteral("You can attach extra files!"));
  ok_ = addButton(namedClickOnlyButton("ok", "Ok", this, &PlayerWizard::okClick));
  notok_ = addButton(namedClickOnlyButton("notok", "Not ok", this, &PlayerWizard::notokClick));
  // The wizard hands the focus to Ok at the end: Return presses the button that has it. Not
  // as default buttons: the Return that ends an answer would press Ok on its way up.
  for (QPushButton* answer : {ok_, notok_}) answer->installEventFilter(this);

  timer1_.setObjectName(QStringLiteral("Timer1"));
  timer1_.setInterval(kHintDelayMs);
  connect(&timer1_, &QTimer::timeout, this, &PlayerWizard::Timer1Timer);
  sync();
}

void PlayerWizard::buildPicture(QGridLayout* grid) {
  auto* bubble = named<BubbleShape>("Shape1", this);
  bubble->setFixedSize(kBubbleWidth, kBubbleHeight);
  auto* lines = new QVBoxLayout(bubble);
  lines->setContentsMargins(36, 14, 36, 14);
  wiz_ = bubbleLine("wiz", bubble);
  wiz2_ = bubbleLine("wiz2", bubble);
  lines->addWidget(wiz_);
  lines->addWidget(wiz2_);
  grid->addWidget(bubble, 0, 0, 1, 2, Qt::AlignLeft);

  // The bubble's trail, shrinking towards the wizard's hat.
  auto* trail = new QWidget(this);
  trail->setFixedSize(kPictureColumnWidth, 30);
  circle("Shape4", trail, 78, 0, 14);
  circle("Shape3", trail, 68, 14, 10);
  circle("Shape2", trail, 60, 24, 6);
  grid->addWidget(trail, 1, 0);

  auto* image = named<QLabel>("Image1", this);
  image->setPixmap(wizardPicture());
  image->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  image->setFixedWidth(kPictureColumnWidth);
  grid->addWidget(image, 2, 0);
  auto* caption = named<QLabel>("Label2", this, "The Wizard");
  caption->setAlignment(Qt::AlignHCenter);
  grid->addWidget(caption, 3, 0);
}

void PlayerWizard::buildInputs(QGridLayout* grid) {
  auto* inputs = new QGridLayout;
  inputs->setVerticalSpacing(10);
  auto addRow = [&](const char* labelName, const char* caption, QWidget* input, QLayout* row) {
    const int at = inputs->rowCount();
    auto* label = named<QLabel>(labelName, this, caption);
    label->setBuddy(input);
    inputs->addWidget(label, at, 0);
    inputs->addLayout(row, at, 1);
  };

  edit1_ = named<QLineEdit>("Edit1", this);
  edit1_->setMinimumWidth(260);
  connect(edit1_, &QLineEdit::textChanged, this, &PlayerWizard::Edit1Change);
  button1_ = namedClickOnlyButton("Button1", "...", this, &PlayerWizard::Button1Click);
  makeBrowseWidth(button1_);
  auto* universe = new QHBoxLayout;
  universe->addWidget(edit1_);
  universe->addWidget(button1_);
  addRow("Label1", "Universe", edit1_, universe);

  edit2_ = named<QLineEdit>("Edit2", this);
  edit2_->setFixedWidth(60);
  connect(edit2_, &QLineEdit::textChanged, this,
          [this](const QString& text) { steps_.setPlayerNumber(text.toStdString()); });
  connect(edit2_, &QLineEdit::returnPressed, this, &PlayerWizard::Edit2Enter);
  auto* number = new QHBoxLayout;
  number->addWidget(edit2_);
  number->addStretch();
  addRow("Label4", "Your playernumber", edit2_, number);

  edit3_ = named<QComboBox>("edit3", this);
  edit3_->setEditable(true);
  edit3_->setInsertPolicy(QComboBox::NoInsert);
  connect(edit3_, &QComboBox::editTextChanged, this, &PlayerWizard::edit3Change);
  connect(edit3_->lineEdit(), &QLineEdit::returnPressed, this, &PlayerWizard::edit3Enter);
  auto* host = new QHBoxLayout;
  host->addWidget(edit3_);
  addRow("Label3", "Host's email", edit3_, host);

  edit4_ = named<QLineEdit>("Edit4", this);
  connect(edit4_, &QLineEdit::textChanged, this,
          [this](const QString& text) { steps_.setGameName(text.toStdString()); });
  connect(edit4_, &QLineEdit::returnPressed, this, &PlayerWizard::Edit4Enter);
  auto* game = new QHBoxLayout;
  game->addWidget(edit4_);
  addRow("Label5", "The name of the game", edit4_, game);

  inputs->setRowStretch(inputs->rowCount(), 1);
  grid->addLayout(inputs, 1, 1, 3, 1);
}

void PlayerWizard::run() {
  start();
  exec();
}

void PlayerWizard::start() {
  if (steps_.open(host_.databasePath())) timer1_.start();
  syncing_ = true;
  edit3_->clear();
  for (const std::string& name : steps_.hostChoices())
    edit3_->addItem(QString::fromStdString(name));
  syncing_ = false;
  shownFocusMoves_ = -1;
  sync();
}

void PlayerWizard::Edit1Change() {
  if (syncing_) return;
  steps_.setUniverse(edit1_->text().toStdString());
  sync();
}

void PlayerWizard::Button1Click() {
  platform::FileDialog dialog;
  dialog.filter = "Universes (*.xy)";
  const std::optional<std::string> picked = platform::messages().openFile(dialog);
  if (picked) edit1_->setText(QString::fromStdString(*picked));
}

void PlayerWizard::Edit2Enter() {
  steps_.enterPlayerNumber();
  sync();
}

void PlayerWizard::edit3Change() {
  if (syncing_) return;
  steps_.setHost(edit3_->currentText().toStdString());
  sync();
}

void PlayerWizard::edit3Enter() {
  steps_.enterHost();
  sync();
}

void PlayerWizard::Edit4Enter() {
  steps_.enterGameName();
  sync();
}

void PlayerWizard::Button2Click() {
  steps_.setExtraFiles(
      extraFiles_.edit("Click the \"See ya\" button, when you're done.", steps_.extraFiles()));
}

void PlayerWizard::okClick() {
  if (!steps_.confirmHost()) {
    sync();
    return;
  }
  if (const std::string problem = steps_.ordersProblem(); !problem.empty()) {
    platform::Question question{problem + "\n\nThe host will refuse these orders.",
                                {platform::Button::Ignore, platform::Button::Cancel},
                                platform::Button::Cancel,
                                platform::MessageKind::Warning};
    question.labels = {{platform::Button::Ignore, "Send anyway"}};
    if (platform::messages().ask(question) != platform::Button::Ignore) return;
  }
  core::Game& game = host_.game();
  host_.clearGame();
  game.filePath.clear();
  host_.disableGameFileItems();
  host_.reloadRecentGames();
  steps_.fillGame(game);
  host_.showGameFields();
  // Last: showing the fields may count as editing them, never as saving.
  host_.setChanged();
  host_.refreshRoster();
  done(Accepted);
}

void PlayerWizard::notokClick() {
  steps_.notOk();
  sync();
}

void PlayerWizard::Button5Click() {
  done(Rejected);
}

void PlayerWizard::Timer1Timer() {
  timer1_.stop();
  steps_.showHint();
  sync();
}

void PlayerWizard::done(int result) {
  steps_.close();
  sync();
  FixedDialog::done(result);
}

void PlayerWizard::setText(QLineEdit* edit, const std::string& text) {
  const QString shown = QString::fromStdString(text);
  if (edit->text() != shown) edit->setText(shown);
}

void PlayerWizard::sync() {
  syncing_ = true;
  setText(edit1_, steps_.universe());
  setText(edit2_, steps_.playerNumber());
  setText(edit3_->lineEdit(), steps_.host());
  setText(edit4_, steps_.gameName());
  const std::pair<QWidget*, In> inputs[] = {
      {edit1_, In::Universe}, {button1_, In::Browse}, {edit2_, In::PlayerNumber},
      {edit3_, In::Host},     {edit4_, In::GameName}, {button2_, In::MoreFiles},
      {ok_, In::Ok},          {notok_, In::NotOk}};
  for (const auto& [widget, input] : inputs) {
    widget->setEnabled(steps_.enabled(input));
    if (input == steps_.focus() && steps_.focusMoves() != shownFocusMoves_) widget->setFocus();
  }
  shownFocusMoves_ = steps_.focusMoves();
  wiz_->setText(QString::fromStdString(steps_.bubble().wiz));
  wiz2_->setText(QString::fromStdString(steps_.bubble().wiz2));
  syncing_ = false;
}

bool PlayerWizard::eventFilter(QObject* watched, QEvent* event) {
  if ((watched == ok_ || watched == notok_) && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      static_cast<QPushButton*>(watched)->click();
      return true;
    }
  }
  return FixedDialog::eventFilter(watched, event);
}

}  // namespace zelvaro::ui
