#pragma once

// Where the main window puts its controls for a given size and split position. The split
// position s (0 to 10) gives the templates s tenths of the width and the roster the rest; the
// rest of the placement is fixed. A pure function, so every split position is checked without
// a window.

#include <QRect>

namespace zelvaro::ui {

struct MainLayout {
  // The upper panel: the game.
  QRect Label1, gamename, Label2, xyfilename, Button2;
  QRect Label3, subject, Label4, Memo1;
  QRect mfile, xyfile, Button1, Prog, prog2;
  QRect Label5, contestors, gameyear, gen;
  // The lower part: the database.
  QRect GroupBox1;
  QRect players;  // inside GroupBox1
};

// `width` and `height` are the window's client area below the menu. No rectangle has a
// negative size, at any split position or window size.
MainLayout layOutMain(int width, int height, int split);

}  // namespace zelvaro::ui
