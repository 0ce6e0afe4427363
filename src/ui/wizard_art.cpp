#include "ui/wizard_art.h"

#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace zelvaro::ui {

namespace {

constexpr int kWidth = 120;
constexpr int kHeight = 160;

const QColor kRobe(0x2c, 0x3e, 0x9a);
const QColor kRobeShade(0x1c, 0x28, 0x6a);
const QColor kSkin(0xf1, 0xc2, 0x9a);
const QColor kBeard(0xee, 0xee, 0xf2);
const QColor kGold(0xf5, 0xd0, 0x3b);
const QColor kWood(0x7a, 0x4a, 0x22);

void drawStar(QPainter& painter, QPointF centre, double radius) {
  QPainterPath star;
  for (int point = 0; point < 10; ++point) {
    const double angle = -M_PI / 2 + point * M_PI / 5;
    const double r = point % 2 == 0 ? radius : radius * 0.45;
    const QPointF at(centre.x() + r * std::cos(angle), centre.y() + r * std::sin(angle));
    if (point == 0)
      star.moveTo(at);
    else
      star.lineTo(at);
  }
  star.closeSubpath();
  painter.fillPath(star, kGold);
}

void drawStaff(QPainter& painter) {
  painter.setPen(QPen(kWood, 4, Qt::SolidLine, Qt::RoundCap));
  painter.drawLine(QPointF(100, 40), QPointF(100, 156));
  QRadialGradient glow(QPointF(100, 32), 14);
  glow.setColorAt(0, QColor(0xff, 0xff, 0xd0));
  glow.setColorAt(0.4, QColor(0x9c, 0xe8, 0xff, 200));
  glow.setColorAt(1, QColor(0x9c, 0xe8, 0xff, 0));
  painter.setPen(Qt::NoPen);
  painter.setBrush(glow);
  painter.drawEllipse(QPointF(100, 32), 14, 14);
}

void drawRobe(QPainter& painter) {
  QPainterPath robe;
  robe.moveTo(38, 70);
  robe.lineTo(82, 70);
  robe.lineTo(96, 156);
  robe.lineTo(24, 156);
  robe.closeSubpath();
  QLinearGradient shade(24, 0, 96, 0);
  shade.setColorAt(0, kRobeShade);
  shade.setColorAt(0.5, kRobe);
  shade.setColorAt(1, kRobeShade);
  painter.fillPath(robe, shade);
  // The sleeve reaching for the staff.
  painter.setPen(QPen(kRobe, 10, Qt::SolidLine, Qt::RoundCap));
  painter.drawLine(QPointF(74, 84), QPointF(96, 96));
  painter.setPen(Qt::NoPen);
  painter.setBrush(kSkin);
  painter.drawEllipse(QPointF(99, 96), 5, 5);
  drawStar(painter, QPointF(48, 128), 5);
  drawStar(painter, QPointF(70, 142), 4);
}

void drawHead(QPainter& painter) {
  painter.setPen(Qt::NoPen);
  painter.setBrush(kSkin);
  painter.drawEllipse(QPointF(60, 56), 14, 15);
  painter.setBrush(QColor(0x20, 0x20, 0x30));
  painter.drawEllipse(QPointF(55, 54), 1.8, 1.8);
  painter.drawEllipse(QPointF(65, 54), 1.8, 1.8);
  QPainterPath beard;
  beard.moveTo(46, 60);
  beard.quadTo(60, 70, 74, 60);
  beard.quadTo(76, 92, 60, 112);
  beard.quadTo(44, 92, 46, 60);
  painter.fillPath(beard, kBeard);
  painter.setPen(QPen(QColor(0xc8, 0xc8, 0xd4), 1));
  painter.drawLine(QPointF(56, 76), QPointF(58, 100));
  painter.drawLine(QPointF(64, 76), QPointF(62, 100));
}

void drawHat(QPainter& painter) {
  QPainterPath hat;
  hat.moveTo(36, 48);
  hat.lineTo(84, 48);
  hat.lineTo(66, 6);
  hat.quadTo(58, 2, 52, 14);
  hat.closeSubpath();
  painter.fillPath(hat, kRobe);
  painter.setPen(Qt::NoPen);
  painter.setBrush(kRobeShade);
  painter.drawRoundedRect(QRectF(30, 44, 60, 7), 3, 3);
  drawStar(painter, QPointF(60, 30), 6);
  drawStar(painter, QPointF(70, 20), 3);
}

}  // namespace

QPixmap wizardPicture() {
  QPixmap picture(kWidth, kHeight);
  picture.fill(Qt::transparent);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  drawStaff(painter);
  drawRobe(painter);
  drawHead(painter);
  drawHat(painter);
  return picture;
}

void BubbleShape::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(QColor(0x30, 0x30, 0x40), 2));
  painter.setBrush(Qt::white);
  painter.drawEllipse(QRectF(rect()).adjusted(1, 1, -1, -1));
}

}  // namespace zelvaro::ui
