#include "ui/settings_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

#include "platform/messages.h"
#include "ui/decoration_pictures.h"
#include "ui/fitting_scroll_area.h"
#include "ui/global_options.h"
#include "ui/orders_mailbox_group.h"
#include "ui/security_group.h"
#include "ui/widget_names.h"
#include "ui/window_placement.h"

namespace zelvaro::ui {

namespace {

const QColor kSilver(0xc0, 0xc0, 0xc0);
const QColor kGreyText(0x60, 0x60, 0x60);

// Enter in an edit must reach the edit, never click a button behind the operator's back.
QPushButton* button(const char* name, const char* caption, SettingsDialog* dialog,
                    void (SettingsDialog::*handler)()) {
  return namedClickOnlyButton(name, caption, dialog, handler);
}

QPushButton* browseButton(const char* name, SettingsDialog* dialog,
                          void (SettingsDialog::*handler)()) {
  QPushButton* result = button(name, "...", dialog, handler);
  makeBrowseWidth(result);
  return result;
}

// A label whose Alt-letter takes the operator to `buddy`.
QLabel* labelFor(const char* name, const char* caption, QWidget* buddy) {
  auto* label = named<QLabel>(name, buddy->parentWidget(), caption);
  label->setBuddy(buddy);
  return label;
}

bool blank(const QString& text) {
  return text.trimmed().isEmpty();
}

}  // namespace

SettingsDialog::SettingsDialog(std::string settingsPath, Hooks hooks, QWidget* parent)
    : FixedDialog(QStringLiteral("Form3"), parent),
      settingsPath_(std::move(settingsPath)),
      hooks_(std::move(hooks)) {
  setWindowTitle(QStringLiteral("Settings"));
  auto* groups = new QWidget;
  auto* column = new QVBoxLayout(groups);
  column->setContentsMargins(0, 0, 0, 0);
  column->addWidget(buildSmtpGroup());
  security_ = new SecurityGroup(
      {[this] { return entered(); }, hooks_.storePassword, hooks_.monitorLine}, groups);
  column->addWidget(security_);
  connect(security_, &SecurityGroup::checkShown, this, &SettingsDialog::keepOnScreen);
  mailbox_ = new OrdersMailboxGroup(
      {[this] { return entered(); }, hooks_.storePassword, hooks_.monitorLine}, groups);
  column->addWidget(mailbox_);
  groups_ = new FittingScrollArea(groups, this);
  addControl(groups_);
  buildPanel();

  timer1_.setObjectName(QStringLiteral("Timer1"));
  timer1_.setInterval(IdleDecoration::kStartDelayMs);
  connect(&timer1_, &QTimer::timeout, this, &SettingsDialog::Timer1Timer);
  timer2_.setObjectName(QStringLiteral("Timer2"));
  timer2_.setInterval(IdleDecoration::kTickMs);
  connect(&timer2_, &QTimer::timeout, this, &SettingsDialog::Timer2Timer);

  showLogging(false);
}

QWidget* SettingsDialog::buildSmtpGroup() {
  auto* group = named<QGroupBox>("GroupBox1", nullptr);
  group->setTitle(QStringLiteral("SMTP"));
  auto* grid = new QGridLayout(group);

  label1_ = named<QLabel>("Label1", group, "&Server");
  label1_->setToolTip(QStringLiteral("Double-click to watch the SMTP monitor"));
  label1_->installEventFilter(this);
  edit1_ = named<QLineEdit>("Edit1", group);
  edit1_->setToolTip(QStringLiteral(
      "The SMTP server as host or host:port, for example smtp.example.org or "
      "smtp.example.org:587; without a port, the one of the security: 25, 587 for STARTTLS, "
      "465 for TLS"));
  edit1_->setMinimumWidth(320);
  edit2_ = named<QLineEdit>("Edit2", group);
  edit3_ = named<QLineEdit>("Edit3", group);
  edit4_ = named<QLineEdit>("Edit4", group);
  edit4_->setToolTip(QStringLiteral("Press Enter to switch to this player database at once"));
  connect(edit4_, &QLineEdit::returnPressed, this, &SettingsDialog::Edit4Enter);
  button3_ = browseButton("Button3", this, &SettingsDialog::Button3Click);

  label1_->setBuddy(edit1_);
  grid->addWidget(label1_, 0, 0);
  grid->addWidget(edit1_, 0, 1, 1, 2);
  grid->addWidget(labelFor("Label2", "&Return emailadress", edit2_), 1, 0);
  grid->addWidget(edit2_, 1, 1, 1, 2);
  grid->addWidget(labelFor("Label3", "Default &alias", edit3_), 2, 0);
  grid->addWidget(edit3_, 2, 1, 1, 2);
  grid->addWidget(labelFor("Label4", "&Database file", edit4_), 3, 0);
  grid->addWidget(edit4_, 3, 1);
  grid->addWidget(button3_, 3, 2);
  return group;
}

void SettingsDialog::buildPanel() {
  panel1_ = named<QFrame>("Panel1", this);
  panel1_->setFrameStyle(QFrame::Panel | QFrame::Raised);
  auto* row = new QHBoxLayout(panel1_);

  auto* grid = new QGridLayout;
  checkBox1_ = named<QCheckBox>("CheckBox1", panel1_, "&Logging");
  connect(checkBox1_, &QCheckBox::toggled, this, &SettingsDialog::showLogging);
  edit5_ = named<QLineEdit>("Edit5", panel1_);
  edit5_->setMinimumWidth(180);
  button2_ = browseButton("Button2", this, &SettingsDialog::Button2Click);
  checkBox2_ = named<QCheckBox>("CheckBox2", panel1_, "&Overwrite");
  button1_ = button("Button1", "Clos&e", this, &SettingsDialog::Button1Click);

  grid->addWidget(checkBox1_, 0, 0, 1, 3);
  grid->addWidget(labelFor("Label5", "Log to &file:", edit5_), 1, 0);
  grid->addWidget(edit5_, 1, 1);
  grid->addWidget(button2_, 1, 2);
  grid->addWidget(checkBox2_, 2, 0, 1, 2);
  grid->addWidget(button1_, 2, 1, 1, 2, Qt::AlignRight);
  row->addLayout(grid);
  row->addSpacing(12);

  // The newest line at the bottom (m1), the oldest at the top (m4).
  auto* column = new QVBoxLayout;
  column->setSpacing(0);
  QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  const int lineWidth = QFontMetrics(fixed).horizontalAdvance(QStringLiteral("JMP ($FFFF)  "));
  for (int i = IdleDecoration::kLines - 1; i >= 0; --i) {
    auto* line = named<QLabel>(("m" + std::to_string(i + 1)).c_str(), panel1_);
    line->setFont(fixed);
    line->setFixedWidth(lineWidth);
    line->setStyleSheet(QStringLiteral("color: #107010"));
    QSizePolicy policy = line->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    line->setSizePolicy(policy);
    line->hide();
    column->addWidget(line);
    lines_[static_cast<size_t>(i)] = line;
  }
  row->addLayout(column);

  for (int i = 0; i < IdleDecoration::kPictures; ++i) {
    auto* picture = named<QLabel>(("Image" + std::to_string(i + 1)).c_str(), panel1_);
    picture->setPixmap(decorationPicture(i));
    picture->setScaledContents(true);
    picture->setAttribute(Qt::WA_TransparentForMouseEvents);
    picture->hide();
    pictures_[static_cast<size_t>(i)] = picture;
  }
  addControl(panel1_);
}

void SettingsDialog::setVisible(bool visible) {
  // Before the window is placed: a screen too small for the whole dialog (a large scale
  // factor) scrolls the groups, and Close stays in sight below them.
  if (visible) fitToScreen();
  FixedDialog::setVisible(visible);
}

void SettingsDialog::fitToScreen() {
  const QScreen* screen = (parentWidget() != nullptr ? parentWidget()->window() : this)->screen();
  if (screen == nullptr || layout() == nullptr) return;
  groups_->setHeightLimit(0);
  // The nested layouts keep the sizes they had: only a new layout pass sees the whole groups.
  layout()->activate();
  const int rest = sizeHint().height() - groups_->sizeHint().height();
  const int room = screen->availableGeometry().height() - frameExtent(this).height() - rest;
  // However small the screen, a few lines of the groups show.
  groups_->setHeightLimit(std::max(room, fontMetrics().lineSpacing() * 4));
  layout()->activate();
}

void SettingsDialog::keepOnScreen() {
  if (!isVisible() || layout() == nullptr) return;
  groups_->widget()->layout()->activate();
  layout()->activate();
  // Where the groups scroll, the verdict comes to the top, the report below it.
  if (const QWidget* verdict = security_->findChild<QWidget*>(QStringLiteral("CheckVerdict"))) {
    groups_->verticalScrollBar()->setValue(verdict->mapTo(groups_->widget(), QPoint()).y() -
                                           fontMetrics().lineSpacing());
  }
  if (const QScreen* shown = screen()) {
    const QRect frame = fitInside(frameGeometry(), shown->availableGeometry());
    if (frame.topLeft() != frameGeometry().topLeft()) move(frame.topLeft());
  }
}

void SettingsDialog::edit(core::Settings& current) {
  fill(current);
  // Modal to the main window only, so the SMTP monitor opened from here can be scrolled.
  setWindowModality(parentWidget() ? Qt::WindowModal : Qt::ApplicationModal);
  exec();
  takeInto(current);
}

void SettingsDialog::fill(const core::Settings& current) {
  edit1_->setText(QString::fromStdString(current.server));
  edit2_->setText(QString::fromStdString(current.email));
  edit3_->setText(QString::fromStdString(current.defalias));
  edit4_->setText(QString::fromStdString(current.database));
  database_ = current.database;
  checkBox1_->setChecked(current.logging);
  edit5_->setText(QString::fromStdString(current.logfile));
  checkBox2_->setChecked(current.overwrite);
  security_->fill(current.account);
  mailbox_->fill(current.mailbox);
  showLogging(current.logging);
}

core::Settings SettingsDialog::entered() const {
  core::Settings values;
  values.server = edit1_->text().toStdString();
  values.email = edit2_->text().toStdString();
  values.defalias = edit3_->text().toStdString();
  values.database = database_;
  values.logging = checkBox1_->isChecked();
  values.logfile = edit5_->text().toStdString();
  values.overwrite = checkBox2_->isChecked();
  values.account = security_->entered();
  values.mailbox = mailbox_->entered();
  return values;
}

void SettingsDialog::takeInto(core::Settings& current) const {
  copyGlobalOptions(entered(), current);
}

void SettingsDialog::showLogging(bool on) {
  for (QWidget* control : {static_cast<QWidget*>(edit5_), static_cast<QWidget*>(button2_),
                           static_cast<QWidget*>(checkBox2_)}) {
    control->setEnabled(on);
  }
  QPalette palette = edit5_->palette();
  palette.setColor(
      QPalette::Base,
      on ? QApplication::palette(edit5_).color(QPalette::Active, QPalette::Base) : kSilver);
  // The style's disabled text is too pale to read on silver.
  palette.setColor(QPalette::Disabled, QPalette::Text, kGreyText);
  edit5_->setPalette(palette);
}

void SettingsDialog::Button1Click() {
  for (QLabel* line : lines_) line->hide();
  const core::Settings values = entered();
  // Kept before the check below may keep the dialog open: typed is typed. Without a keyring
  // it is kept for this run, which needs no box; without a user it cannot be kept at all.
  if (PasswordKeeping kept = security_->keepPassword(values.serverAddress().host); kept.refused) {
    platform::showMessage(kept.note);
    return;
  }
  if (std::string problem = mailbox_->keepPassword(); !problem.empty()) {
    platform::showMessage(problem);
  }
  if (!closeGlobalOptions(settingsPath_, values)) return;
  // A path typed without Enter becomes current too, so the grid never shows another file
  // than the one the database commands work on.
  const QString typed = edit4_->text();
  if (!blank(typed) && typed.toStdString() != database_) switchDatabase(typed.toStdString());
  accept();
}

void SettingsDialog::Button2Click() {
  platform::FileDialog dialog;
  dialog.caption = "Log file";
  dialog.fileName = edit5_->text().toStdString();
  dialog.filter = "Log files (*.log *.txt);;All files (*)";
  // A session log is appended to: picking an existing one is no reason for a warning.
  dialog.confirmOverwrite = false;
  if (auto picked = platform::messages().saveFile(dialog)) {
    edit5_->setText(QString::fromStdString(*picked));
  }
}

void SettingsDialog::Button3Click() {
  platform::FileDialog dialog;
  dialog.caption = "Database file";
  dialog.fileName = edit4_->text().toStdString();
  dialog.filter = "Text files (*.txt);;All files (*)";
  if (auto picked = platform::messages().openFile(dialog)) {
    edit4_->setText(QString::fromStdString(*picked));
    switchDatabase(*picked);
  }
}

void SettingsDialog::Edit4Enter() {
  if (blank(edit4_->text())) return;
  switchDatabase(edit4_->text().toStdString());
}

void SettingsDialog::switchDatabase(const std::string& path) {
  database_ = path;
  if (hooks_.switchDatabase) hooks_.switchDatabase(path);
}

void SettingsDialog::Label1DblClick() {
  if (hooks_.showMonitor) hooks_.showMonitor();
}

void SettingsDialog::startIdleWait() {
  timer1_.start();
}

void SettingsDialog::Timer1Timer() {
  timer1_.stop();
  if (!isVisible()) return;
  for (QLabel* line : lines_) line->show();
  timer2_.start();
}

void SettingsDialog::Timer2Timer() {
  decoration_.tick(panel1_->width(), panel1_->height(), kDecorationPictureSize);
  for (size_t i = 0; i < lines_.size(); ++i) {
    lines_[i]->setText(QString::fromStdString(decoration_.lines()[i]));
  }
  const auto& placement = decoration_.picture();
  if (!placement) return;
  QLabel* picture = pictures_[static_cast<size_t>(placement->index)];
  if (shownPicture_ != nullptr && shownPicture_ != picture) shownPicture_->hide();
  const int side = kDecorationPictureSize * placement->scale;
  picture->setGeometry(placement->x, placement->y, side, side);
  // Behind the controls: the show must never hide what the operator is typing into.
  picture->lower();
  picture->show();
  shownPicture_ = picture;
}

void SettingsDialog::stopDecoration() {
  timer1_.stop();
  timer2_.stop();
  if (shownPicture_ != nullptr) shownPicture_->hide();
  shownPicture_ = nullptr;
  for (QLabel* line : lines_) line->hide();
  decoration_.reset();
}

void SettingsDialog::showEvent(QShowEvent* event) {
  FixedDialog::showEvent(event);
  startIdleWait();
}

void SettingsDialog::hideEvent(QHideEvent* event) {
  stopDecoration();
  FixedDialog::hideEvent(event);
}

void SettingsDialog::changeEvent(QEvent* event) {
  FixedDialog::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) startIdleWait();
}

void SettingsDialog::closeEvent(QCloseEvent* event) {
  if (!isVisible()) return FixedDialog::closeEvent(event);
  // Closing from the window manager is Close: the same keys written, the same refusal.
  Button1Click();
  if (isVisible()) {
    event->ignore();
  } else {
    event->accept();
  }
}

void SettingsDialog::keyPressEvent(QKeyEvent* event) {
  // There is no Cancel: Escape is Close, which writes what was entered, or ends a check.
  if (event->key() == Qt::Key_Escape) {
    if (security_->checking()) {
      security_->cancelClick();
    } else {
      Button1Click();
    }
    return;
  }
  FixedDialog::keyPressEvent(event);
}

bool SettingsDialog::eventFilter(QObject* watched, QEvent* event) {
  if (watched == label1_ && event->type() == QEvent::MouseButtonDblClick) Label1DblClick();
  return FixedDialog::eventFilter(watched, event);
}

}  // namespace zelvaro::ui
