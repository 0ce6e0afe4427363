#include "ui/growing_text_view.h"

#include <QTextBlock>
#include <QTextLayout>
#include <algorithm>

namespace zelvaro::ui {

GrowingTextView::GrowingTextView(int minimumLines, QWidget* parent)
    : QPlainTextEdit(parent), minimumLines_(minimumLines) {
  setReadOnly(true);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  connect(this, &QPlainTextEdit::textChanged, this, &QWidget::updateGeometry);
}

int GrowingTextView::wrappedLines(int width) const {
  int lines = 0;
  for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
    QTextLayout layout(block.text(), font());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
      line.setLineWidth(width);
      ++lines;
    }
    layout.endLayout();
  }
  return lines;
}

QSize GrowingTextView::sizeHint() const {
  const QSize base = QPlainTextEdit::sizeHint();
  const int margins = static_cast<int>(2 * document()->documentMargin());
  // Before the first layout the viewport has no width of its own yet.
  const int width = std::max(viewport()->width(), base.width()) - margins;
  const int lines = std::max(minimumLines_, wrappedLines(std::max(width, 1)));
  const int height = lines * fontMetrics().lineSpacing() + margins + 2 * frameWidth();
  return {base.width(), height};
}

QSize GrowingTextView::minimumSizeHint() const {
  return {QPlainTextEdit::minimumSizeHint().width(), sizeHint().height()};
}

void GrowingTextView::resizeEvent(QResizeEvent* event) {
  QPlainTextEdit::resizeEvent(event);
  // Another width wraps the text into another number of lines.
  updateGeometry();
}

}  // namespace zelvaro::ui
