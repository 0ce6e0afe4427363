#include "core/orders_check.h"

#include <gtest/gtest.h>

#include "core/stars_blocks.h"
#include "support/stars_turn.h"

namespace zelvaro::core {
namespace {

constexpr std::uint32_t kGame = 0x5C3A19E7;

std::string orders(int year, int number, std::uint32_t game = kGame) {
  return test::starsOrders(year, number, "orders", false, game);
}

// Orders of this year made from a copy of the turn with another generation counter.
std::string ordersOfGeneration(int generation) {
  return test::starsHeader(2426, test::kOrders, 2, static_cast<std::uint8_t>(generation << 5),
                           kGame) +
         test::starsBlocks("orders", test::kOrders);
}

StarsFileHeader hostAt(int year) {
  return *parseStarsHeader(test::starsHost(year, "host", kGame));
}

OrdersJudgement judge(const std::string& bytes, std::optional<std::set<int>> senders = {{3}},
                      std::optional<std::string_view> stored = std::nullopt) {
  return judgeOrders(bytes, hostAt(2426), senders, stored);
}

TEST(StarsBlocks, ChainMustEndExactlyAtTheEnd) {
  const std::string whole = test::starsOrders(2426, 3, std::string(1500, 'o'));
  EXPECT_EQ(walkBlocks(whole).blocks, 4u) << "header, two blocks, end";
  EXPECT_TRUE(walkBlocks(whole).whole);
  for (size_t cut : {size_t{1}, size_t{2}, size_t{17}, size_t{18}, size_t{30}, size_t{1040},
                     whole.size() - 2, whole.size() - 1}) {
    EXPECT_FALSE(walkBlocks(whole.substr(0, cut)).whole) << cut;
  }
  EXPECT_FALSE(walkBlocks(whole + std::string(2, '\0')).whole) << "bytes after the end block";
  EXPECT_TRUE(walkBlocks(whole + std::string(2, '\0')).ended);
  // Result and host files end with a type 0 block of 2 bytes, as the shared builder writes them.
  EXPECT_TRUE(walkBlocks(test::starsFile(2426, test::kResult, 2)).whole);
  EXPECT_TRUE(walkBlocks(test::starsHost(2426)).whole);
}

TEST(OrdersCheck, AcceptedWhateverTheSubmittedBit) {
  for (bool submitted : {false, true}) {
    const OrdersJudgement judgement = judge(test::starsOrders(2426, 3, "orders", submitted, kGame));
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
  const std::string changed = test::starsOrders(2426, 3, "other orders", false, kGame);
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
      {test::starsTurn(2426, 3, "turn", kGame),
       {{3}},
       OrdersVerdict::NotOrders,
       "it is a turn file (.m), not an orders file: send the .x3 file"},
      {orders(2426, 3, 0x1234), {{3}}, OrdersVerdict::OtherGame, "another game (id 00001234"},
      {whole, std::set<int>{}, OrdersVerdict::UnknownSender, "not an address of any player"},
      {orders(2425, 3),
       {{3}},
       OrdersVerdict::Late,
       "made from last year's turn, and the game is at 2426: open the newest .m3 and save "
       "your orders again"},
      {orders(2423, 3), {{3}}, OrdersVerdict::Late, "made from the turn of 2423"},
      {orders(2427, 3), {{3}}, OrdersVerdict::Ahead, "for 2427, and the game is only at 2426"},
      {ordersOfGeneration(test::starsGeneration(2426) ^ 1),
       {{3}},
       OrdersVerdict::OldGeneration,
       "made from an older copy of this turn: open the newest .m3 and save your orders again"},
      {whole.substr(0, whole.size() - 1), {{3}}, OrdersVerdict::CutShort, "cut short"},
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
