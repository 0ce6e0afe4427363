#include "ui/idle_decoration.h"

#include <gtest/gtest.h>

#include <QImage>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "ui/decoration_pictures.h"

namespace zelvaro::ui {
namespace {

// The instruction text as a pattern: "%" is one two-digit upper-case hexadecimal operand.
std::regex patternOf(const std::string& instruction) {
  std::string pattern;
  for (char c : instruction) {
    if (c == '%') {
      pattern += "[0-9A-F]{2}";
    } else {
      if (std::string("$()#,").find(c) != std::string::npos) pattern += '\\';
      pattern += c;
    }
  }
  return std::regex(pattern);
}

TEST(IdleDecoration, LinesComeFromTheTableWithRandomOperands) {
  IdleDecoration decoration(7);
  const auto& table = IdleDecoration::instructions();
  std::vector<std::regex> patterns;
  for (const char* instruction : table) patterns.push_back(patternOf(instruction));
  std::set<std::string> used, operandLines;
  for (int i = 0; i < 2000; ++i) {
    std::string line = decoration.makeLine();
    bool matched = false;
    for (size_t t = 0; t < table.size(); ++t) {
      if (!std::regex_match(line, patterns[t])) continue;
      matched = true;
      used.insert(table[t]);
      if (std::string(table[t]).find('%') != std::string::npos) operandLines.insert(line);
    }
    ASSERT_TRUE(matched) << "not an instruction of the table: " << line;
  }
  EXPECT_EQ(used.size(), table.size()) << "every instruction turns up sooner or later";
  EXPECT_GT(operandLines.size(), 500u) << "operands are drawn anew for every line";
}

TEST(IdleDecoration, LinesScrollUpWithTheNewestAtTheBottom) {
  IdleDecoration decoration(1);
  for (const auto& line : decoration.lines()) EXPECT_EQ(line, "");
  decoration.tick(300, 100, kDecorationPictureSize);
  auto before = decoration.lines();
  EXPECT_NE(before[0], "");
  EXPECT_EQ(before[1], "");
  for (int tick = 0; tick < 3; ++tick) {
    decoration.tick(300, 100, kDecorationPictureSize);
    auto after = decoration.lines();
    EXPECT_EQ(after[1], before[0]);
    EXPECT_EQ(after[2], before[1]);
    EXPECT_EQ(after[3], before[2]);
    before = after;
  }
  decoration.reset();
  for (const auto& line : decoration.lines()) EXPECT_EQ(line, "");
  EXPECT_FALSE(decoration.picture().has_value());
}

TEST(IdleDecoration, PicturesMoveAfterPausesOfOneToEightTicksAndStayInTheArea) {
  IdleDecoration decoration(42);
  const int width = 300, height = 100, size = kDecorationPictureSize;
  std::set<int> indexes, scales;
  std::optional<PicturePlacement> last;
  int sinceMove = 0, moves = 0;
  for (int tick = 0; tick < 2000; ++tick) {
    decoration.tick(width, height, size);
    const auto& picture = decoration.picture();
    ASSERT_TRUE(picture.has_value()) << "the first tick already shows a picture";
    ++sinceMove;
    if (picture != last) {
      if (last) {
        EXPECT_GE(sinceMove, 2) << "a pause of at least one tick between pictures";
        EXPECT_LE(sinceMove, IdleDecoration::kLongestPause + 1) << "at tick " << tick;
      }
      ++moves;
      sinceMove = 0;
      last = picture;
    }
    const int side = size * picture->scale;
    EXPECT_GE(picture->x, 0);
    EXPECT_GE(picture->y, 0);
    EXPECT_LE(picture->x + side, width) << "scale " << picture->scale;
    EXPECT_LE(picture->y + side, height) << "scale " << picture->scale;
    indexes.insert(picture->index);
    scales.insert(picture->scale);
  }
  EXPECT_EQ(indexes.size(), static_cast<size_t>(IdleDecoration::kPictures));
  EXPECT_EQ(scales, (std::set<int>{1, 2})) << "now and then enlarged";
  EXPECT_GT(moves, 2000 / (IdleDecoration::kLongestPause + 1));

  // An area too small for a picture puts it in the corner rather than outside.
  IdleDecoration cramped(3);
  cramped.tick(10, 10, size);
  EXPECT_EQ(cramped.picture()->x, 0);
  EXPECT_EQ(cramped.picture()->y, 0);
}

TEST(DecorationPictures, EightDifferentDrawings) {
  std::vector<QImage> images;
  for (int i = 0; i < IdleDecoration::kPictures; ++i) {
    QImage image = decorationPicture(i).toImage();
    ASSERT_EQ(image.size(), QSize(kDecorationPictureSize, kDecorationPictureSize));
    int drawn = 0;
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) drawn += qAlpha(image.pixel(x, y)) > 0;
    }
    EXPECT_GT(drawn, 100) << "picture " << i << " is nearly empty";
    EXPECT_LT(drawn, kDecorationPictureSize * kDecorationPictureSize) << "picture " << i;
    for (size_t other = 0; other < images.size(); ++other) {
      EXPECT_NE(image, images[other]) << "pictures " << other << " and " << i;
    }
    images.push_back(image);
  }
}

}  // namespace
}  // namespace zelvaro::ui
