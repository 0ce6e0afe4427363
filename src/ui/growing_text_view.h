#pragma once

// A read-only text box as tall as its text, its lines wrapped at its width: a report that
// grows rather than hiding its end below the box. A window too small for it scrolls it in a
// scroll area of its own (FittingScrollArea).

#include <QPlainTextEdit>

namespace zelvaro::ui {

class GrowingTextView : public QPlainTextEdit {
  Q_OBJECT

 public:
  // At least `minimumLines` tall, empty or not.
  explicit GrowingTextView(int minimumLines, QWidget* parent = nullptr);

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  // The lines the text takes when wrapped at `width` pixels.
  int wrappedLines(int width) const;

  int minimumLines_;
};

}  // namespace zelvaro::ui
