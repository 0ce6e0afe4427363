#include "ui/fitting_scroll_area.h"

#include <gtest/gtest.h>

#include <QScrollBar>
#include <QTest>
#include <QVBoxLayout>

namespace zelvaro::ui {
namespace {

// Every layout pass the change sets off, however long each takes: a wait of 0 ms stops after
// the first pass on a busy machine, before the scroll bar has come.
void settle() {
  for (int pass = 0; pass < 3; ++pass) QCoreApplication::processEvents();
}

TEST(FittingScrollArea, TakesTheContentsSizeAndScrollsOnlyPastItsLimit) {
  auto* content = new QWidget;
  auto* column = new QVBoxLayout(content);
  auto* block = new QWidget;
  block->setFixedSize(300, 400);
  column->addWidget(block);
  QWidget window;
  auto* area = new FittingScrollArea(content, &window);
  auto* layout = new QVBoxLayout(&window);
  layout->setSizeConstraint(QLayout::SetFixedSize);  // as the dialogs
  layout->addWidget(area);
  const QSize whole = content->sizeHint();

  window.show();
  settle();
  EXPECT_EQ(area->size(), whole) << "no size remembered from before the content was laid out";
  EXPECT_EQ(area->viewport()->size(), whole) << "no scroll bar";

  area->setHeightLimit(200);
  settle();
  EXPECT_EQ(area->size(),
            QSize(whole.width() + area->verticalScrollBar()->sizeHint().width(), 200));
  EXPECT_EQ(content->width(), whole.width()) << "the scroll bar beside the content, not over it";

  block->setFixedHeight(100);
  settle();
  EXPECT_EQ(area->size(), content->sizeHint()) << "shrinks with its content";
}

}  // namespace
}  // namespace zelvaro::ui
