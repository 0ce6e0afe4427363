#include "core/turn_status.h"

#include "core_test.h"
#include "support/stars_turn.h"

namespace zelvaro::core {
namespace {

class TurnStatusTest : public CoreTest {
 protected:
  void SetUp() override {
    CoreTest::SetUp();
    game.filePath = dir.file("orion.zv");
    game.basePath = dir.file("orion.");
    game.year = 2426;
    for (int player = 1; player <= 3; ++player) {
      game.roster.push_back(ContestorEntry::assigned("P" + std::to_string(player), "p@x"));
      test::writeFile(dir.file("orion.m" + std::to_string(player)), test::starsTurn(2426, player));
    }
    test::writeFile(dir.file("orion.hst"), test::starsHost(2426));
    test::writeFile(dir.file("orion.m2"), test::starsTurn(2425, 2));
  }
  void journalSent(int player) {
    JournalEntry entry{journalTime(),
                       journalGameFile(game),
                       "Orion",
                       2426,
                       player,
                       "p@x",
                       journalFilesOf(attachablePaths(game, player, game.roster[0].fields())),
                       "",
                       "sent",
                       "221"};
    journal.append(entry);
  }
  std::vector<std::string> statuses() {
    std::vector<std::string> texts;
    for (const PlayerTurnStatus& status : turnStatus(game, journal)) {
      texts.push_back(std::to_string(status.number) + (status.mailed ? " mailed" : "") +
                      (status.filesReady ? " ready" : ""));
    }
    return texts;
  }
  Game game;
  SendJournal journal{dir.file("journal.tsv")};
};

TEST_F(TurnStatusTest, MailedMeansTheseVeryFilesOfThisYearWentOut) {
  journalSent(1);
  EXPECT_EQ(statuses(), (std::vector<std::string>{"1 mailed ready", "2", "3 ready"}));
  EXPECT_EQ(turnStatus(game, journal)[0].lastWord->outcome, "sent");

  test::writeFile(dir.file("orion.m1"), test::starsTurn(2426, 1, "orders changed"));
  EXPECT_EQ(statuses().front(), "1 ready") << "new bytes are a new turn";
  game.filePath.clear();
  journalSent(3);
  EXPECT_EQ(statuses().back(), "3 ready") << "a game without a game file is never known again";
}

}  // namespace
}  // namespace zelvaro::core
