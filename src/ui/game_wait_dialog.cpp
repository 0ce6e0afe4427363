#include "ui/game_wait_dialog.h"

#include <QLabel>
#include <QPushButton>

#include "platform/file_lock.h"
#include "ui/widget_names.h"

namespace zelvaro::ui {

GameWaitDialog::GameWaitDialog(QWidget* parent) : FixedDialog(QStringLiteral("GameWait"), parent) {
  setWindowTitle(QStringLiteral("Waiting for another Zelvaro"));
  sentence_ = new QLabel(this);
  sentence_->setObjectName(QStringLiteral("Sentence"));
  sentence_->setTextFormat(Qt::PlainText);
  sentence_->setWordWrap(true);
  sentence_->setMinimumWidth(420);
  addControl(sentence_);
  addButtonGap();
  addButton(namedButton("Cancel", "Cancel", this, &GameWaitDialog::cancelClick));
}

bool GameWaitDialog::waitFor(platform::FileLock& lock, const std::string& sentence) {
  sentence_->setText(QString::fromStdString(sentence) +
                     QStringLiteral("\n\nYour players are mailed as soon as it is done; those it "
                                    "mailed are not mailed again."));
  cancelled_ = false;
  setModal(true);
  show();
  const bool held = lock.wait([this] { return cancelled_; });
  hide();
  return held;
}

void GameWaitDialog::cancelClick() {
  cancelled_ = true;
  reject();
}

}  // namespace zelvaro::ui
