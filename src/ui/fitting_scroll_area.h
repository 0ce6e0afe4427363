#pragma once

// A scroll area as large as its content, up to a height limit: where the content fits it looks
// as if there were no scroll area at all, and past the limit the content scrolls up and down.
// Its size comes from the content's own size hint each time, never from a size remembered
// before the content was laid out.

#include <QScrollArea>

namespace zelvaro::ui {

class FittingScrollArea : public QScrollArea {
  Q_OBJECT

 public:
  // Takes `content` over.
  explicit FittingScrollArea(QWidget* content, QWidget* parent = nullptr);
  ~FittingScrollArea() override;

  // The tallest the area may be; 0 for no limit.
  void setHeightLimit(int height);

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void showWhole(QWidget* focused);

  int heightLimit_ = 0;
  QMetaObject::Connection focusFollower_;
};

}  // namespace zelvaro::ui
