#pragma once

// The pictures of the intro screen and the about box, painted by the program itself.

#include <QPixmap>
#include <QPoint>

namespace zelvaro::ui::art {

// The intro screen's 400 x 400 background: stars, nebulae, a planet, a moon and a small ship.
QPixmap introBackground();
// The ship's exhaust, stage 1 (flickering) or 2 (full burn), placed at introFlameOrigin().
QPixmap introFlame(int stage);
QPoint introFlameOrigin();
// The about box's picture: a ringed planet in a field of stars.
QPixmap aboutPicture();

}  // namespace zelvaro::ui::art
