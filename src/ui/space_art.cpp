#include "ui/space_art.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <algorithm>
#include <cmath>
#include <cstdint>

namespace zelvaro::ui::art {

namespace {

constexpr int kIntroSize = 400;
// Where the ship's engine nozzle ends on the intro background.
constexpr QPoint kNozzle(178, 58);

// The same sky at every start: a small linear congruential generator instead of a random one.
class Dice {
 public:
  explicit Dice(std::uint32_t seed) : state_(seed) {}
  double next() {
    state_ = state_ * 1664525u + 1013904223u;
    return (state_ >> 8) / double(1u << 24);
  }
  double between(double low, double high) { return low + (high - low) * next(); }

 private:
  std::uint32_t state_;
};

void paintNebula(QPainter& p, QPointF centre, double radius, QColor colour) {
  QRadialGradient glow(centre, radius);
  glow.setColorAt(0.0, colour);
  colour.setAlpha(colour.alpha() / 3);
  glow.setColorAt(0.5, colour);
  glow.setColorAt(1.0, Qt::transparent);
  p.setPen(Qt::NoPen);
  p.setBrush(glow);
  p.drawEllipse(centre, radius, radius);
}

void paintStars(QPainter& p, QSize size, int count, std::uint32_t seed) {
  Dice dice(seed);
  p.setPen(Qt::NoPen);
  for (int i = 0; i < count; ++i) {
    QPointF at(dice.between(0, size.width()), dice.between(0, size.height()));
    double brightness = dice.next();
    double radius = 0.4 + 1.1 * brightness * brightness;
    // Hot stars bluish, cool ones yellowish.
    int tint = int(dice.between(-30, 30));
    QColor colour(std::clamp(225 + tint, 0, 255), 225, std::clamp(225 - tint, 0, 255),
                  int(90 + 165 * brightness));
    p.setBrush(colour);
    p.drawEllipse(at, radius, radius);
    if (brightness > 0.93) {  // a few bright ones sparkle
      p.setPen(QPen(QColor(255, 255, 255, 110), 0.8));
      p.drawLine(at - QPointF(4, 0), at + QPointF(4, 0));
      p.drawLine(at - QPointF(0, 4), at + QPointF(0, 4));
      p.setPen(Qt::NoPen);
    }
  }
}

// A lit sphere: `light` is where the light comes from, as a fraction of the radius.
void paintSphere(QPainter& p, QPointF centre, double radius, QColor lit, QColor dark,
                 QPointF light) {
  QRadialGradient body(centre + light * radius, radius * 1.6);
  body.setColorAt(0.0, lit);
  body.setColorAt(0.55, dark);
  body.setColorAt(1.0, Qt::black);
  p.setPen(Qt::NoPen);
  p.setBrush(body);
  p.drawEllipse(centre, radius, radius);
}

void paintAtmosphere(QPainter& p, QPointF centre, double radius, QColor colour) {
  QRadialGradient rim(centre, radius * 1.08);
  QColor clear = colour;
  clear.setAlpha(0);
  rim.setColorAt(0.88, clear);
  rim.setColorAt(0.93, colour);
  rim.setColorAt(1.0, clear);
  p.setPen(Qt::NoPen);
  p.setBrush(rim);
  p.drawEllipse(centre, radius * 1.08, radius * 1.08);
}

void paintPlanet(QPainter& p) {
  const QPointF centre(350, 480);
  const double radius = 165;
  paintSphere(p, centre, radius, QColor(90, 170, 210), QColor(20, 60, 110), QPointF(-0.55, -0.7));
  // Cloud bands, clipped to the globe.
  p.save();
  QPainterPath globe;
  globe.addEllipse(centre, radius, radius);
  p.setClipPath(globe);
  Dice dice(7);
  for (int i = 0; i < 9; ++i) {
    double y = centre.y() - radius + 14 + i * 13 + dice.between(-3, 3);
    double width = dice.between(80, 200);
    double x = centre.x() - radius + dice.between(-20, 120);
    p.setBrush(QColor(230, 240, 255, int(dice.between(18, 45))));
    p.drawRoundedRect(QRectF(x, y, width, dice.between(3, 6)), 3, 3);
  }
  // The night side.
  QLinearGradient night(centre + QPointF(-radius, -radius), centre + QPointF(radius, radius));
  night.setColorAt(0.45, Qt::transparent);
  night.setColorAt(0.75, QColor(0, 0, 10, 190));
  p.setBrush(night);
  p.drawEllipse(centre, radius, radius);
  p.restore();
  paintAtmosphere(p, centre, radius, QColor(120, 200, 255, 150));
}

void paintShip(QPainter& p) {
  p.save();
  p.translate(kNozzle);
  // The hull points left, the engine is at the origin.
  QPainterPath hull;
  hull.moveTo(-84, 0);
  hull.cubicTo(-70, -10, -30, -12, -6, -8);
  hull.lineTo(0, -5);
  hull.lineTo(0, 5);
  hull.lineTo(-6, 8);
  hull.cubicTo(-30, 12, -70, 10, -84, 0);
  QLinearGradient metal(0, -12, 0, 12);
  metal.setColorAt(0.0, QColor(230, 232, 240));
  metal.setColorAt(0.5, QColor(140, 145, 160));
  metal.setColorAt(1.0, QColor(50, 52, 64));
  p.setPen(QPen(QColor(20, 20, 30), 0.8));
  // Fins.
  QPolygonF fin({QPointF(-22, -7), QPointF(-4, -20), QPointF(-2, -6)});
  p.setBrush(QColor(150, 40, 40));
  p.drawPolygon(fin);
  p.drawPolygon(QTransform().scale(1, -1).map(fin));
  p.setBrush(metal);
  p.drawPath(hull);
  // A shell-shaped dome: the pilot is a turtle.
  QRadialGradient shell(QPointF(-44, -12), 16);
  shell.setColorAt(0.0, QColor(140, 220, 120));
  shell.setColorAt(1.0, QColor(30, 90, 40));
  p.setBrush(shell);
  p.drawChord(QRectF(-58, -17, 28, 22), 0, 180 * 16);
  p.setPen(QPen(QColor(20, 60, 25), 0.7));
  p.drawLine(QPointF(-50, -13), QPointF(-44, -16));
  p.drawLine(QPointF(-44, -16), QPointF(-38, -13));
  p.drawLine(QPointF(-50, -13), QPointF(-38, -13));
  p.drawLine(QPointF(-44, -9), QPointF(-44, -6));
  // Nozzle.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(60, 60, 70));
  p.drawRect(QRectF(-2, -4, 4, 8));
  p.restore();
}

}  // namespace

QPixmap introBackground() {
  QPixmap picture(kIntroSize, kIntroSize);
  QPainter p(&picture);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient sky(0, 0, 0, kIntroSize);
  sky.setColorAt(0.0, QColor(6, 6, 22));
  sky.setColorAt(1.0, QColor(0, 0, 4));
  p.fillRect(picture.rect(), sky);
  paintNebula(p, QPointF(70, 120), 190, QColor(70, 30, 110, 70));
  paintNebula(p, QPointF(330, 170), 150, QColor(20, 80, 100, 55));
  paintNebula(p, QPointF(40, 360), 130, QColor(110, 30, 70, 45));
  paintStars(p, picture.size(), 330, 1999);
  paintSphere(p, QPointF(360, 40), 15, QColor(220, 215, 200), QColor(90, 85, 80),
              QPointF(-0.5, 0.4));
  paintPlanet(p);
  paintShip(p);
  return picture;
}

QPoint introFlameOrigin() {
  return kNozzle + QPoint(1, -12);
}

QPixmap introFlame(int stage) {
  QPixmap flame(64, 24);
  flame.fill(Qt::transparent);
  QPainter p(&flame);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  const double length = stage >= 2 ? 60 : 24;
  const QPointF start(0, 12);
  QLinearGradient heat(start, start + QPointF(length, 0));
  heat.setColorAt(0.0, QColor(255, 255, 230, 255));
  heat.setColorAt(0.25, QColor(255, 210, 80, 230));
  heat.setColorAt(0.7, QColor(255, 90, 20, 140));
  heat.setColorAt(1.0, QColor(200, 40, 10, 0));
  QPainterPath plume;
  plume.moveTo(start + QPointF(0, -4));
  plume.cubicTo(start + QPointF(length * 0.3, -7), start + QPointF(length * 0.7, -3),
                start + QPointF(length, 0));
  plume.cubicTo(start + QPointF(length * 0.7, 3), start + QPointF(length * 0.3, 7),
                start + QPointF(0, 4));
  plume.closeSubpath();
  p.setBrush(heat);
  p.drawPath(plume);
  return flame;
}

QPixmap aboutPicture() {
  const int size = 120;
  QPixmap picture(size, size);
  picture.fill(Qt::black);
  QPainter p(&picture);
  p.setRenderHint(QPainter::Antialiasing);
  paintStars(p, picture.size(), 60, 42);
  const QPointF centre(60, 62);
  const double radius = 30;
  QRectF ring(centre.x() - 54, centre.y() - 14, 108, 28);
  QPen ringPen(QColor(220, 190, 130, 200), 5);
  QPen gapPen(QColor(150, 120, 80, 160), 2);
  // The far half of the rings goes behind the planet, the near half in front.
  p.setBrush(Qt::NoBrush);
  p.setPen(ringPen);
  p.drawArc(ring, 0, 180 * 16);
  p.setPen(gapPen);
  p.drawArc(ring.adjusted(8, 3, -8, -3), 0, 180 * 16);
  paintSphere(p, centre, radius, QColor(240, 200, 130), QColor(150, 90, 40), QPointF(-0.5, -0.6));
  p.setBrush(Qt::NoBrush);
  p.setPen(ringPen);
  p.drawArc(ring, 180 * 16, 180 * 16);
  p.setPen(gapPen);
  p.drawArc(ring.adjusted(8, 3, -8, -3), 180 * 16, 180 * 16);
  return picture;
}

}  // namespace zelvaro::ui::art
