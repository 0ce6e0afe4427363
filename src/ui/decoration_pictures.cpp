#include "ui/decoration_pictures.h"

#include <QPainter>
#include <array>
#include <cstring>

namespace zelvaro::ui {

namespace {

constexpr int kArtSide = 16;
constexpr int kArtPixel = kDecorationPictureSize / kArtSide;

using Art = std::array<const char*, kArtSide>;

// One character per art pixel; "." is transparent.
// clang-format off
const std::array<Art, 8> kArt{{
    {{  // turtle
        "................",
        ".......yy.......",
        "......yyyy......",
        "......kyyk......",
        ".......yy.......",
        "..yy.dddddd.yy..",
        "..yydgdgdgdgyy..",
        "....dgdgdgdgd...",
        "....gdgdgdgdg...",
        "....dgdgdgdgd...",
        "....gdgdgdgdg...",
        "..yydgdgdgdgyy..",
        "..yy.dddddd.yy..",
        ".......yy.......",
        "........y.......",
        "................",
    }},
    {{  // envelope
        "................",
        "................",
        "................",
        ".kkkkkkkkkkkkkk.",
        ".kwkwwwwwwwwkwk.",
        ".kwwkwwwwwwkwwk.",
        ".kwwwkwwwwkwwwk.",
        ".kwwwwkwwkwwwwk.",
        ".kwwwwwkkwwwwwk.",
        ".kwwwwwwwwwwrwk.",
        ".kwwwwwwwwwrrrk.",
        ".kwwwwwwwwwwrwk.",
        ".kkkkkkkkkkkkkk.",
        "................",
        "................",
        "................",
    }},
    {{  // invader
        "................",
        "................",
        "................",
        "................",
        "................",
        "...m.......m....",
        "....m.....m.....",
        "...mmmmmmmmm....",
        "..mm.mmmmm.mm...",
        ".mmmmmmmmmmmmm..",
        ".m.mmmmmmmmm.m..",
        ".m.m.......m.m..",
        "....mm...mm.....",
        "................",
        "................",
        "................",
    }},
    {{  // rocket
        ".......kk.......",
        "......kwwk......",
        "......krrk......",
        ".....kwwwwk.....",
        ".....kwccwk.....",
        ".....kcbbck.....",
        ".....kwccwk.....",
        ".....kwwwwk.....",
        "....rkwwwwkr....",
        "...rrkwwwwkrr...",
        "...rrkwwwwkrr...",
        "...rr.kkkk.rr...",
        "......oyyo......",
        ".......oo.......",
        "......o..o......",
        "................",
    }},
    {{  // planet
        "................",
        "................",
        "......oooo......",
        "....oyyyyyoo....",
        "...oyyoooyyoo..c",
        "..oyyyyyyyyyoocc",
        "..ooooooooooocc.",
        "cccccccccccccc..",
        "..ccyyyyyyyyyo..",
        "..ooyyyyyyyyoo..",
        "...oooyyyyooo...",
        "....oooooooo....",
        "......oooo......",
        "................",
        "................",
        "................",
    }},
    {{  // floppy
        "................",
        ".bbbbbbbbbbbbb..",
        ".bbbGGGGGGGbwbb.",
        ".bbbGGGGkkGbbbb.",
        ".bbbGGGGkkGbbbb.",
        ".bbbGGGGGGGbbbb.",
        ".bbbbbbbbbbbbbb.",
        ".bbwwwwwwwwwwbb.",
        ".bbwkkkkkkkkwbb.",
        ".bbwwwwwwwwwwbb.",
        ".bbwkkkkkkwwwbb.",
        ".bbwwwwwwwwwwbb.",
        ".bbwwwwwwwwwwbb.",
        ".bbbbbbbbbbbbbb.",
        "................",
        "................",
    }},
    {{  // joystick
        "................",
        "......rr........",
        ".....rrrr.......",
        ".....rrrr.......",
        "......rr........",
        ".......k........",
        ".......k........",
        ".......k........",
        ".......k........",
        "..r...kkk.......",
        ".kkkkkkkkkkkkk..",
        ".kGGGGGGGGGGGk..",
        ".kGGGGGGGGGGGk..",
        ".kkkkkkkkkkkkk..",
        "................",
        "................",
    }},
    {{  // ufo
        "................",
        "................",
        "................",
        "......cccc......",
        ".....cwccwc.....",
        ".....cccccc.....",
        "...GGGGGGGGGG...",
        ".GGwGGyGGyGGwGG.",
        ".GGGGGGGGGGGGGG.",
        "...GGGGGGGGGG...",
        ".....y....y.....",
        "....y......y....",
        "...y........y...",
        "................",
        "................",
        "................",
    }},
}};
// clang-format on

QColor colourOf(char c) {
  switch (c) {
    case 'k':
      return QColor(0x20, 0x20, 0x20);
    case 'w':
      return QColor(0xf4, 0xf4, 0xf0);
    case 'G':
      return QColor(0x9a, 0x9a, 0xa4);
    case 'r':
      return QColor(0xd0, 0x30, 0x30);
    case 'o':
      return QColor(0xd8, 0x80, 0x28);
    case 'y':
      return QColor(0xe8, 0xd0, 0x50);
    case 'g':
      return QColor(0x58, 0xb0, 0x48);
    case 'd':
      return QColor(0x28, 0x70, 0x30);
    case 'c':
      return QColor(0x50, 0xc8, 0xe0);
    case 'b':
      return QColor(0x30, 0x50, 0xb0);
    case 'm':
      return QColor(0xb0, 0x48, 0xc8);
    default:
      return Qt::transparent;
  }
}

}  // namespace

QPixmap decorationPicture(int index) {
  QPixmap picture(kDecorationPictureSize, kDecorationPictureSize);
  picture.fill(Qt::transparent);
  if (index < 0 || index >= static_cast<int>(kArt.size())) return picture;
  QPainter painter(&picture);
  const Art& art = kArt[static_cast<size_t>(index)];
  for (int row = 0; row < kArtSide; ++row) {
    const int width = static_cast<int>(std::strlen(art[static_cast<size_t>(row)]));
    for (int column = 0; column < width && column < kArtSide; ++column) {
      QColor colour = colourOf(art[static_cast<size_t>(row)][column]);
      if (colour.alpha() == 0) continue;
      painter.fillRect(column * kArtPixel, row * kArtPixel, kArtPixel, kArtPixel, colour);
    }
  }
  return picture;
}

}  // namespace zelvaro::ui
