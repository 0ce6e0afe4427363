// What a receipt says, and to whom none goes.

#include "send/orders_receipts.h"

#include <gtest/gtest.h>

#include "net/smtp_text.h"
#include "support/stars_turn.h"
#include "support/temp_dir.h"

namespace zelvaro::send {
namespace {

constexpr std::uint32_t kOrion = 0x5C3A19E7;

class OrdersReceiptsTest : public testing::Test {
 protected:
  void SetUp() override {
    test::writeFile(dir.file("orion.hst"), test::starsHost(2426, "host", kOrion));
    IntakeGame game;
    game.game.name = "Orion";
    game.game.year = 2426;
    game.game.alias = "Orion Host";
    game.game.filePath = dir.file("orion.zv");
    game.game.basePath = dir.file("orion.");
    for (const char* player : {"Ann", "Bob", "Carl"}) {
      game.game.roster.push_back(
          core::ContestorEntry::assigned(player, std::string(player) + "@example.org"));
    }
    intake = std::make_unique<OrdersIntake>(std::vector<IntakeGame>{game}, journal);
  }

  MessageIntake take(const std::string& header, int year, int number) {
    const std::string bytes = test::starsOrders(year, number, "orders", false, kOrion);
    return intake->takeMessage(header +
                               "Message-ID: <m1@example.org>\r\nSubject: turn\r\nMIME-Version: "
                               "1.0\r\nContent-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\n"
                               "Content-Type: application/octet-stream; name=orion.x" +
                               std::to_string(number) +
                               "\r\nContent-Transfer-Encoding: base64\r\n\r\n" +
                               net::base64Line(bytes) + "\r\n--b--\r\n");
  }

  std::optional<Notice> receipt(const MessageIntake& taken, const core::GameRules& rules = {}) {
    return receiptFor(taken.files.at(0), taken.parts, rules, journal);
  }

  test::TempDir dir;
  core::SendJournal journal{dir.file("journal.tsv")};
  std::unique_ptr<OrdersIntake> intake;
};

TEST_F(OrdersReceiptsTest, TheVerdictTheFileAndWhoIsStillOut) {
  const MessageIntake taken = take("From: Bob <bob@example.org>\r\n", 2426, 2);
  const std::optional<Notice> notice = receipt(taken);
  ASSERT_TRUE(notice);
  EXPECT_EQ(notice->to, "bob@example.org");
  EXPECT_EQ(notice->subject, "Orders received: Orion 2426 player 2");
  EXPECT_EQ(notice->inReplyTo, "<m1@example.org>");
  EXPECT_EQ(notice->autoSubmitted, "auto-replied");
  EXPECT_EQ(notice->fromName, "Orion Host");
  EXPECT_EQ(
      notice->body,
      (std::vector<std::string>{
          "This is an automatic answer to the orders you sent for Orion, year 2426.", "",
          "Verdict: accepted: orders of player 2 for 2426.", "File: orion.x2",
          "SHA-256: " + taken.files[0].sha256, "", "Still out: player 1 (Ann), player 3 (Carl)."}));

  core::GameRules rules;
  rules.rejectSubject = "Try again, %P (%G %Y)";
  const MessageIntake late = take("From: carl@example.org\r\n", 2425, 3);
  const std::optional<Notice> refusal = receipt(late, rules);
  ASSERT_TRUE(refusal);
  EXPECT_EQ(refusal->subject, "Try again, 3 (Orion 2426)");
  EXPECT_EQ(refusal->body.at(2),
            "Verdict: NOT accepted: these orders were made from last year's turn, and the game "
            "is at 2426: open the newest .m3 and save your orders again.");
}

TEST_F(OrdersReceiptsTest, NoneToStrangersAutomaticMailListsOrTwice) {
  EXPECT_FALSE(receipt(take("From: mallory@example.net\r\n", 2426, 1)));
  EXPECT_FALSE(receipt(take("From: ann@example.org\r\nAuto-Submitted: auto-replied\r\n", 2426, 1)));
  EXPECT_FALSE(receipt(take("From: ann@example.org\r\nList-Id: <stars.example.org>\r\n", 2426, 1)));
  EXPECT_FALSE(receipt(take("Return-Path: <>\r\nFrom: ann@example.org\r\n", 2426, 1)));

  const MessageIntake taken = take("From: ann@example.org\r\n", 2426, 1);
  ASSERT_TRUE(receipt(taken));
  journal.append(core::ReceiptEntry{core::journalTime(), dir.file("orion.zv"), 2426, 1,
                                    "ann@example.org", taken.files[0].sha256, "<m1@example.org>",
                                    "sent"});
  EXPECT_FALSE(receipt(taken)) << "a second look at the same message";
}

}  // namespace
}  // namespace zelvaro::send
