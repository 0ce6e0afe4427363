#include "ui/roster_mover.h"

#include <QPushButton>
#include <QVBoxLayout>

#include "ui/widget_names.h"

namespace zelvaro::ui {

RosterMover::RosterMover(RosterMoverTarget& target, QWidget* parent)
    : FloatingTool(QStringLiteral("Form5"), parent), target_(target) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->setSpacing(2);
  for (QPushButton* button : {namedButton("Button1", "Up", this, &RosterMover::Button1Click),
                              namedButton("Button2", "Down", this, &RosterMover::Button2Click),
                              namedButton("Button3", "Done", this, &RosterMover::Button3Click)}) {
    button->setFocusPolicy(Qt::NoFocus);  // the roster grid keeps the keyboard
    layout->addWidget(button);
  }
  setFixedSize(kWidth, sizeHint().height());
}

void RosterMover::Button1Click() {
  moveSelected(-1);
}

void RosterMover::Button2Click() {
  moveSelected(+1);
}

void RosterMover::Button3Click() {
  hide();
}

void RosterMover::moveSelected(int step) {
  // The roster may have shrunk while the mover was open, so the selection is checked against
  // it and not trusted.
  const int from = target_.selectedEntry();
  const int to = from + step;
  const int count = target_.entryCount();
  if (from < 0 || from >= count || to < 0 || to >= count) return;
  target_.swapEntries(from, to);
  target_.refreshRoster();
  target_.selectEntry(to);
}

}  // namespace zelvaro::ui
