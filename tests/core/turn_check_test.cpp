#include "core/turn_check.h"

#include <filesystem>

#include "core/sha256.h"
#include "core_test.h"
#include "support/stars_turn.h"

namespace zelvaro::core {
namespace {

std::string stars(int year, int type, int player, std::uint32_t gameId = test::kStarsGameId) {
  return test::starsFile(year, type, player, "turn", gameId);
}

TEST(StarsHeaderParse, FieldsAsTheyLieInTheFile) {
  const auto header = parseStarsHeader(test::starsFile(2426 + 256, 1, 4, "orders", 0xA1B2C3D4, 1));
  ASSERT_TRUE(header);
  EXPECT_EQ(header->gameId, 0xA1B2C3D4u);
  EXPECT_EQ(header->version, 0x2A60);
  EXPECT_EQ(header->year, 2682);
  EXPECT_EQ(header->player, 4) << "bits 0-4 only, the salt above them";
  EXPECT_NE(static_cast<unsigned char>(test::starsFile(2426, 1, 4)[14]) >> 5, 0u);
  EXPECT_EQ(header->type, 1);
  EXPECT_EQ(header->flags, test::starsGeneration(2682) << 5 | 1);
  EXPECT_FALSE(parseStarsHeader(stars(2426, 3, 0).substr(0, 17)));
  EXPECT_FALSE(parseStarsHeader("\x10\x20J3J4" + std::string(20, '\0')));
}

class TurnCheck : public CoreTest {
 protected:
  void SetUp() override {
    CoreTest::SetUp();
    game.basePath = dir.file("orion.");
    game.attachUniverse = true;
    for (int player = 1; player <= 9; ++player) {
      game.roster.push_back(ContestorEntry::assigned("P" + std::to_string(player), "p@x"));
      put("orion.m" + std::to_string(player), stars(2426, 3, player - 1));
    }
    put("orion.hst", test::starsHost(2426));
    put("orion.xy", test::starsUniverse());  // of 2400, as the game created it
  }
  void put(const std::string& name, const std::string& bytes) {
    test::writeFile(dir.file(name), bytes);
  }
  std::vector<std::string> problems() {
    std::vector<std::string> texts;
    for (const TurnFinding& finding : problemsOf(checkTurnFiles(game))) {
      texts.push_back(std::to_string(finding.player) + (finding.wrongFile() ? " wrong: " : ": ") +
                      finding.text());
    }
    return texts;
  }
  Game game;
};

TEST_F(TurnCheck, EveryFileGetsItsVerdict) {
  EXPECT_EQ(checkTurnFiles(game).size(), 18u);
  EXPECT_TRUE(problems().empty());

  std::filesystem::remove(dir.file("orion.m1"));
  put("orion.m2", stars(2425, 3, 1));
  put("orion.m3", stars(2426, 3, 3));
  put("orion.m4", stars(2426, 3, 3, 0x9999));
  put("orion.m5", stars(2426, 2, 31));
  put("orion.m6", "");
  put("orion.m7", "MZ not a turn at all, no");
  game.roster[7] = game.roster[7].withExtraFiles({dir.file("rules.txt")});
  game.roster[8] = ContestorEntry::assigned("P9", "p@x").withSending(false);
  EXPECT_EQ(problems(), (std::vector<std::string>{
                            "1: orion.m1 is missing",
                            "2 wrong: orion.m2 is for 2425, the host file is at 2426",
                            "3 wrong: orion.m3 is player 4's turn",
                            "4 wrong: orion.m4 is from another game than the host file",
                            "5 wrong: orion.m5 is not a result file",
                            "6: orion.m6 is empty",
                            "7 wrong: orion.m7 is not a Stars! file",
                            "8: rules.txt is missing",
                        }));

  put("orion.xy", stars(2426, 3, 0));
  EXPECT_EQ(problems().front(), "1 wrong: orion.xy is not a universe file")
      << "a wrong file speaks for the entry before a missing one";
  put("orion.xy", test::starsUniverse(40, 0x9999));
  EXPECT_EQ(problems().front(), "1 wrong: orion.xy is from another game than the host file");
}

TEST_F(TurnCheck, FilesAreFoundInAnyCase) {
  for (const char* name : {"orion.m1", "orion.hst"}) std::filesystem::remove(dir.file(name));
  put("ORION.M1", stars(2426, 3, 0));
  put("ORION.HST", test::starsHost(2427));
  const std::vector<TurnFinding> findings = checkTurnFiles(game);
  EXPECT_EQ(findings.front().file.path, dir.file("ORION.M1"));
  EXPECT_EQ(findings.front().text(), "ORION.M1 is for 2426, the host file is at 2427");
}

TEST(Sha256, KnownDigests) {
  EXPECT_EQ(sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(sha256Hex(std::string(1000000, 'a')),
            "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

}  // namespace
}  // namespace zelvaro::core
