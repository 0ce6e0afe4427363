#pragma once

// The eight little pictures of the settings dialog's idle show, drawn as pixel art.

#include <QPixmap>

namespace zelvaro::ui {

// Side of a picture in pixels (16 art pixels of 2 by 2).
inline constexpr int kDecorationPictureSize = 32;

// Picture 0 to 7 (a turtle, a letter, an invader, a rocket, a planet, a floppy disk, a joystick
// and a flying saucer), transparent around the drawing.
QPixmap decorationPicture(int index);

}  // namespace zelvaro::ui
