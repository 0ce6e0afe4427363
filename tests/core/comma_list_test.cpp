#include "core/comma_list.h"

#include <gtest/gtest.h>

namespace zelvaro::core {
namespace {

using Items = std::vector<std::string>;

TEST(CommaList, WritesEveryItemQuotedWithInnerQuotesDoubled) {
  EXPECT_EQ(CommaList::join({"a", "", "b\"c"}), R"("a","","b""c")");
  EXPECT_EQ(CommaList::join({"Red Fleet", "7"}), R"("Red Fleet","7")");
  EXPECT_EQ(CommaList::join({""}), R"("")");
  EXPECT_EQ(CommaList::join({}), "");
}

TEST(CommaList, ReadsBackWhatItWrites) {
  for (const Items& items : {Items{"a", "", "b\"c"}, Items{"x, y", " lead", "\"\""}, Items{""},
                             Items{"\"Bob\"", "a;b", "note, with comma"}}) {
    EXPECT_EQ(CommaList::split(CommaList::join(items)), items) << CommaList::join(items);
  }
}

TEST(CommaList, ReadsUnquotedEmptyAndTrailingItems) {
  EXPECT_EQ(CommaList::split(",0"), (Items{"", "0"}));
  EXPECT_EQ(CommaList::split("a b"), (Items{"a", "b"}));
  EXPECT_EQ(CommaList::split(R"("a",,"b")"), (Items{"a", "", "b"}));
  EXPECT_EQ(CommaList::split(R"("a",)"), (Items{"a"}));
  EXPECT_EQ(CommaList::split(R"(  "a" ,	"b"  )"), (Items{"a", "b"}));
  EXPECT_EQ(CommaList::split(""), Items{});
  EXPECT_EQ(CommaList::split("   "), Items{});
  EXPECT_EQ(CommaList::split(R"("a"b,c)"), (Items{"a", "b", "c"}));
}

TEST(CommaList, MalformedTextEndsInsteadOfLooping) {
  EXPECT_EQ(CommaList::split(R"("a","unclosed, still "" going)"),
            (Items{"a", "unclosed, still \" going"}));
  EXPECT_EQ(CommaList::split(std::string("\"a\",x\0yz", 8)), (Items{"a", "x"}));
  EXPECT_EQ(CommaList::split("\""), Items{""});
}

}  // namespace
}  // namespace zelvaro::core
