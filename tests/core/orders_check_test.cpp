#include "core/orders_check.h"

#include <gtest/gtest.h>

#include "core/stars_blocks.h"
#include "support/stars_turn.h"

namespace zelvaro::core {
namespace {

constexpr std::uint32_t kGame = 0x5C3A19E7;
// After the header, as the smallest orders files the game writes (43 bytes): the file-hash
// block (type 9, 17 bytes), one order block (type 20, 2 bytes) and the end block (type 0, 0).
const std::string kOrderBlocks = std::string("\x11\x24", 2) + std::string(17, '\x5A') +
                                 std::string("\x02\x50\x07\x00\x00\x00", 6);

std::string withGeneration(std::string bytes, int generation, bool submitted = false) {
  bytes[17] = static_cast<char>(generation << 5 | (submitted ? 1 : 0));
  return bytes;
}

std::string orders(int year, int number, int generation = 5, std::uint32_t game = kGame) {
  return withGeneration(test::starsFile(year, 1, number - 1, kOrderBlocks, game), generation);
}

StarsFileHeader hostAt(int year, int generation = 5) {
  return *parseStarsHeader(withGeneration(
      test::starsFile(year, 2, 31, std::string("\x02\x00\x00\x00", 4), kGame), generation));
}

OrdersJudgement judge(const std::string& bytes, std::optional<std::set<int>> senders = {{3}},
                      std::optional<std::string_view> stored = std::nullopt) {
  return judgeOrders(bytes, hostAt(2426), senders, stored);
}

TEST(StarsBlocks, ChainMustEndExactlyAtTheEnd) {
  const std::string whole = orders(2426, 3);
  ASSERT_EQ(whole.size(), 43u);
  EXPECT_EQ(walkBlocks(whole).blocks, 4u);
  EXPECT_TRUE(walkBlocks(whole).whole);
  for (size_t cut : {1, 2, 17, 18, 30, 41, 42}) {
    EXPECT_FALSE(walkBlocks(whole.substr(0, cut)).whole) << cut;
  }
  EXPECT_FALSE(walkBlocks(whole + std::string(2, '\0')).whole) << "bytes after the end block";
  EXPECT_TRUE(walkBlocks(whole + std::string(2, '\0')).ended);
  // A result file ends with a type 0 block of 2 bytes.
  EXPECT_TRUE(walkBlocks(test::starsFile(2426, 3, 2, std::string("\x02\x00\x01\x00", 4))).whole);
}

TEST(OrdersCheck, AcceptedWhateverTheSubmittedBit) {
  for (bool submitted : {false, true}) {
    const OrdersJudgement judgement = judge(withGeneration(orders(2426, 3), 5, submitted));
    EXPECT_EQ(judgement.verdict, OrdersVerdict::Accepted);
    EXPECT_EQ(judgement.word(), "accepted");
    EXPECT_EQ(judgement.player, 3);
  }
  // A player with two races has two roster entries with his address.
  EXPECT_TRUE(judge(orders(2426, 7), std::set<int>{3, 7}).in());
  // From the drop folder there is no sender: the file's own player index decides.
  EXPECT_EQ(judge(orders(2426, 9), std::nullopt).player, 9);
  EXPECT_TRUE(judge(orders(2426, 9), std::nullopt).in());
}

TEST(OrdersCheck, DuplicateOnlyWhenByteIdentical) {
  const std::string bytes = orders(2426, 3);
  EXPECT_EQ(judge(bytes, {{3}}, bytes).verdict, OrdersVerdict::Duplicate);
  EXPECT_TRUE(judge(bytes, {{3}}, bytes).in());
  std::string changed = bytes;
  changed[25] = 'Q';
  EXPECT_EQ(judge(changed, {{3}}, bytes).verdict, OrdersVerdict::Accepted);
}

TEST(OrdersCheck, EachRejectionWithItsReason) {
  struct Case {
    std::string bytes;
    std::optional<std::set<int>> senders;
    OrdersVerdict verdict;
    std::string reason;
  };
  const std::string whole = orders(2426, 3);
  const std::vector<Case> cases = {
      {std::string(kOrdersFileLimit + 1, 'x'), {{3}}, OrdersVerdict::TooBig, "over 256 KiB"},
      {"PK\x03\x04 a zip", {{3}}, OrdersVerdict::NotStars, "not a Stars! file"},
      {withGeneration(test::starsFile(2426, 3, 2, "\x02\x00\x01\x00", kGame), 5),
       {{3}},
       OrdersVerdict::NotOrders,
       "it is a turn file (.m), not an orders file: send the .x3 file"},
      {orders(2426, 3, 5, 0x1234), {{3}}, OrdersVerdict::OtherGame, "another game (id 00001234"},
      {whole, std::set<int>{}, OrdersVerdict::UnknownSender, "not an address of any player"},
      {orders(2425, 3),
       {{3}},
       OrdersVerdict::Late,
       "made from last year's turn, and the game is at 2426: open the newest .m3 and save "
       "your orders again"},
      {orders(2423, 3), {{3}}, OrdersVerdict::Late, "made from the turn of 2423"},
      {orders(2427, 3), {{3}}, OrdersVerdict::Ahead, "for 2427, and the game is only at 2426"},
      {orders(2426, 3, 6),
       {{3}},
       OrdersVerdict::OldGeneration,
       "made from an older copy of this turn: open the newest .m3 and save your orders again"},
      {whole.substr(0, 40), {{3}}, OrdersVerdict::CutShort, "cut short"},
      {orders(2426, 4),
       {{3}},
       OrdersVerdict::OtherPlayer,
       "the orders of player 4, and they came from player 3"},
  };
  for (const Case& test : cases) {
    const OrdersJudgement judgement = judge(test.bytes, test.senders);
    EXPECT_EQ(judgement.verdict, test.verdict) << judgement.reason;
    EXPECT_EQ(judgement.word(), "rejected");
    EXPECT_FALSE(judgement.in());
    EXPECT_NE(judgement.reason.find(test.reason), std::string::npos) << judgement.reason;
  }
}

}  // namespace
}  // namespace zelvaro::core
