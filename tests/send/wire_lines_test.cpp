#include "send/wire_lines.h"

#include <gtest/gtest.h>

namespace zelvaro::send {
namespace {

TEST(WireLines, LinesAcrossBlocksWithoutTheStuffedDots) {
  WireLines lines;
  lines.add("Subject: x\r\n\r\n..hidden\r");
  lines.add("\n.\r\nend");
  EXPECT_EQ(lines.take(), (std::vector<std::string>{"Subject: x", "", ".hidden", "", "end"}));
  EXPECT_TRUE(lines.take().empty());
}

}  // namespace
}  // namespace zelvaro::send
