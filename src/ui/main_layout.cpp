#include "ui/main_layout.h"

#include <algorithm>

namespace zelvaro::ui {

namespace {

constexpr int kMargin = 8;
constexpr int kUpperHeight = 250;  // the game's panel; the database takes the rest
constexpr int kLabelHeight = 16;
constexpr int kEditHeight = 22;
constexpr int kBrowseWidth = 28;
constexpr int kTemplatesTop = 48;
constexpr int kBottomRow = kUpperHeight - 28;

QRect box(int left, int top, int width, int height) {
  return {left, top, std::max(0, width), std::max(0, height)};
}

}  // namespace

MainLayout layOutMain(int width, int height, int split) {
  split = std::clamp(split, 0, 10);
  const int tenth = width / 10;
  const int left = tenth * split;  // the templates' width
  const int rosterLeft = left + 16;
  const int rosterWidth = (10 - split) * tenth - 32;
  MainLayout l;

  l.Label1 = box(kMargin, 4, 150, kLabelHeight);
  l.gamename = box(kMargin, 20, 150, kEditHeight);
  l.Label2 = box(166, 4, 120, kLabelHeight);
  l.Button2 = box(width - kMargin - kBrowseWidth, 20, kBrowseWidth, kEditHeight);
  l.xyfilename = box(166, 20, l.Button2.left() - 4 - 166, kEditHeight);

  l.Label3 = box(kMargin, kTemplatesTop, left, kLabelHeight);
  l.subject = box(kMargin, kTemplatesTop + 16, left, kEditHeight);
  l.Label4 = box(kMargin, kTemplatesTop + 42, left, kLabelHeight);
  const int memoTop = kTemplatesTop + 58;
  l.Memo1 = box(kMargin, memoTop, left, kBottomRow - 6 - memoTop);

  l.mfile = box(kMargin, kBottomRow, 110, 20);
  l.xyfile = box(120, kBottomRow, 110, 20);
  l.Button1 = box(232, kBottomRow - 2, 75, 24);
  l.Prog = box(315, kBottomRow, width - 315 - 16, 9);
  l.prog2 = box(315, kBottomRow + 11, width - 315 - 16, 9);

  const int rosterTop = kTemplatesTop + 16;
  const int statusTop = kBottomRow - 6 - 2 * kLabelHeight;
  l.Label5 = box(rosterLeft, kTemplatesTop, 150, kLabelHeight);
  l.contestors = box(rosterLeft, rosterTop, rosterWidth, statusTop - 2 - rosterTop);
  l.gameyear = box(rosterLeft, statusTop, rosterWidth, kLabelHeight);
  l.gen = box(rosterLeft, statusTop + kLabelHeight, rosterWidth, kLabelHeight);

  l.GroupBox1 = box(4, kUpperHeight, width - 8, height - kUpperHeight - 4);
  l.players = box(kMargin, 18, l.GroupBox1.width() - 2 * kMargin, l.GroupBox1.height() - 26);
  return l;
}

}  // namespace zelvaro::ui
