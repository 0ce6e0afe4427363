#include "core/orders_status.h"

#include <filesystem>

#include "core_test.h"

namespace zelvaro::core {
namespace {

OrdersEntry verdict(int player, const std::string& word, const std::string& time,
                    const std::string& reason = "") {
  return {time,
          "/g/orion.zv",
          "Orion",
          2426,
          player,
          "ann@example.org",
          {"orion.x" + std::to_string(player), std::string(64, 'c')},
          "<m1@example.org>",
          word,
          reason};
}

class OrdersStatus : public CoreTest {
 protected:
  void SetUp() override {
    CoreTest::SetUp();
    game.filePath = "/g/orion.zv";
    game.year = 2426;
    for (const char* name : {"Ann", "Bob", "Carl"}) {
      game.roster.push_back(ContestorEntry::assigned(name, std::string(name) + "@example.org"));
    }
    game.roster.push_back(ContestorEntry::blank());
  }
  Game game;
  SendJournal journal{dir.file("journal.tsv")};
};

TEST_F(OrdersStatus, OrdersLinesLiveBesideMailedLines) {
  const OrdersEntry line = verdict(2, "rejected", "2026-12-08T14:02:11+01:00", "cut\tshort|x");
  const std::optional<OrdersEntry> back = parseOrdersLine(journalLine(line));
  ASSERT_TRUE(back);
  EXPECT_EQ(journalLine(*back), journalLine(line));
  EXPECT_EQ(back->reason, "cut\tshort|x");
  // A reader that knows only mailed lines takes none of them for one.
  EXPECT_FALSE(parseJournalLine(journalLine(line)));
  EXPECT_FALSE(parseOrdersLine(journalLine(JournalEntry{"2026-12-08T14:02:11+01:00",
                                                        "/g/orion.zv",
                                                        "Orion",
                                                        2426,
                                                        2,
                                                        "b@x",
                                                        {},
                                                        "<1@x>",
                                                        "sent",
                                                        "250 OK"})));

  journal.append(JournalEntry{"2026-12-08T10:00:00+01:00",
                              "/g/orion.zv",
                              "Orion",
                              2426,
                              2,
                              "bob@example.org",
                              {},
                              "<1@x>",
                              "sent",
                              "250 OK"});
  journal.append(line);
  const ReceiptEntry receipt{"2026-12-08T14:02:12+01:00",
                             "/g/orion.zv",
                             2426,
                             2,
                             "bob@example.org",
                             std::string(64, 'c'),
                             "<m1@example.org>",
                             "failed: 421 4.7.0 Try\tlater"};
  EXPECT_FALSE(parseJournalLine(journalLine(receipt)));
  EXPECT_FALSE(parseOrdersLine(journalLine(receipt)));
  journal.append(receipt);
  SendJournal again(journal.path());
  EXPECT_EQ(again.load(), "") << "nothing damaged";
  EXPECT_EQ(again.entries().size(), 1u);
  ASSERT_EQ(again.orders().size(), 1u);
  ASSERT_EQ(again.receipts().size(), 1u);
  EXPECT_EQ(journalLine(again.receipts()[0]), journalLine(receipt));
  EXPECT_FALSE(again.receiptSent("/g/orion.zv", "<m1@example.org>", std::string(64, 'c')))
      << "a receipt that failed may go on the next pass";
  again.append(ReceiptEntry{receipt.time, receipt.gameFile, 2426, 2, receipt.address,
                            receipt.sha256, receipt.messageId, "sent"});
  EXPECT_TRUE(again.receiptSent("/g/orion.zv", "<m1@example.org>", std::string(64, 'c')));
  EXPECT_FALSE(again.receiptSent("/g/orion.zv", "<m2@example.org>", std::string(64, 'c')));
  EXPECT_TRUE(again.lastWord("/g/orion.zv", 2426, 2)->sent()) << "the mailed view unchanged";
}

TEST_F(OrdersStatus, WhoIsInAndWhatTheRosterShows) {
  EXPECT_EQ(playersOut(game, journal), (std::vector<int>{1, 2, 3})) << "the blank entry is no one";
  EXPECT_EQ(ordersMark(journal, "/g/orion.zv", 2426, 1).column, "");

  journal.append(verdict(1, "accepted", "2026-12-08T14:02:11+01:00"));
  journal.append(verdict(1, "rejected", "2026-12-08T15:30:00+01:00", "made from last year's turn"));
  journal.append(verdict(2, "rejected", "2026-12-08T14:05:00+01:00", "cut short"));
  journal.append(verdict(3, "duplicate", "2026-12-08T14:07:00+01:00"));
  OrdersEntry lastYear = verdict(2, "accepted", "2026-12-01T09:00:00+01:00");
  lastYear.year = 2425;
  journal.append(lastYear);

  EXPECT_EQ(playersOut(game, journal), (std::vector<int>{2}));
  const OrdersMark ann = ordersMark(journal, "/g/orion.zv", 2426, 1);
  EXPECT_EQ(ann.column, "in 14:02") << "the accepted orders stand after a rejected file";
  EXPECT_EQ(ann.hint,
            "Orders rejected on 2026-12-08 15:30 from ann@example.org (orion.x1): made from last "
            "year's turn");
  EXPECT_EQ(ordersMark(journal, "/g/orion.zv", 2426, 2).column, "rejected");
  EXPECT_EQ(ordersMark(journal, "/g/other.zv", 2426, 1).column, "");
}

TEST_F(OrdersStatus, SendersFoundInRosterAndDatabase) {
  game.roster[0] = ContestorEntry::assigned("Ann", "Ann Smith <Ann@Example.org>; ann@work.example");
  game.roster[2] = ContestorEntry::assigned("Carl", "ann@work.example");
  const std::vector<PlayerRow> database{{"bob", "bob@home.example;bob@example.org", ""}};
  EXPECT_EQ(playersOfSender(game, database, "ann@example.ORG"), (std::set<int>{1}));
  EXPECT_EQ(playersOfSender(game, database, "ann@work.example"), (std::set<int>{1, 3}));
  EXPECT_EQ(playersOfSender(game, database, "bob@home.example"), (std::set<int>{2}));
  EXPECT_TRUE(playersOfSender(game, database, "mallory@example.org").empty());
  EXPECT_TRUE(playersOfSender(game, database, "").empty());
}

}  // namespace
}  // namespace zelvaro::core
