#include "core/stars_files.h"

#include "core_test.h"
#include "support/stars_turn.h"

namespace zelvaro::core {
namespace {

// A host file of `year` whose validity mark is spoilt.
std::string corruptHostFile(int year) {
  std::string bytes = test::starsHost(year);
  bytes.replace(2, 4, "J3J4");
  return bytes;
}

class StarsFiles : public CoreTest {
 protected:
  StarsHeader header;
  Game game;

  void put(const std::string& name, const std::string& bytes) {
    test::writeFile(dir.file(name), bytes);
  }
  int yearOf(const std::string& universePath) {
    game.universePath = universePath;
    computeBasePathAndYear(game, header);
    return game.year;
  }
};

TEST_F(StarsFiles, YearComesFromTheHostFile) {
  put("orion.hst", test::starsHost(2410));
  EXPECT_EQ(yearOf(dir.file("orion.xy")), 2410);
  EXPECT_EQ(game.basePath, dir.file("orion."));
  put("orion.hst", test::starsHost(2656));
  EXPECT_EQ(yearOf(dir.file("orion.xy")), 2656);
  EXPECT_TRUE(shown().empty());
}

TEST_F(StarsFiles, WithoutHostFileTheLastHeaderReadCounts) {
  EXPECT_EQ(yearOf(dir.file("orion.xy")), 2400);  // nothing checked since start

  put("orion.x2", test::starsOrders(2405, 2));
  EXPECT_TRUE(header.check(dir.file("orion.x2")));
  EXPECT_EQ(yearOf(dir.file("orion.xy")), 2405);

  put("elsewhere.hst", test::starsHost(2407));
  game.roster = {
      ContestorEntry::assigned("Host", "h@x").withExtraFiles({dir.file("elsewhere.hst")})};
  EXPECT_EQ(yearOf(dir.file("orion.xy")), 2407);
}

TEST_F(StarsFiles, CorruptHostFileIsToldAndItsYearUsed) {
  put("orion.hst", corruptHostFile(2420));
  EXPECT_EQ(yearOf(dir.file("orion.xy")), 2420);
  EXPECT_EQ(shown(), std::vector<std::string>{".HST file is corrupt! Error reading year."});
}

TEST_F(StarsFiles, ShortFileKeepsTheRestOfTheBuffer) {
  put("full", test::starsTurn(2416, 1));
  put("short", "\x01\x02J3J3");
  EXPECT_TRUE(header.check(dir.file("full")));
  EXPECT_TRUE(header.check(dir.file("short")));
  EXPECT_EQ(header.year(), 2416);
  put("tiny", "ab");
  EXPECT_TRUE(header.check(dir.file("tiny")));  // the mark is still the one read before
}

TEST_F(StarsFiles, UnreadableHostFileThrows) {
  game.roster = {ContestorEntry::blank().withExtraFiles({"/proc/self/mem"})};
  EXPECT_THROW(yearOf(dir.file("orion.xy")), EInOutError);
}

TEST(StarsFileNames, BasePathComesFromTheUniverseFilesOwnName) {
  EXPECT_EQ(basePathOf("d:\\pbem\\orion.xy"), "d:\\pbem\\orion.");
  EXPECT_EQ(basePathOf("c:\\my.xyfiles\\orion.xy"), "c:\\my.xyfiles\\orion.");
  EXPECT_EQ(basePathOf("/home/my.xyfiles/ORION.XY"), "/home/my.xyfiles/ORION.");
  EXPECT_EQ(basePathOf("/g/Orion.Xy"), "/g/Orion.");
  EXPECT_EQ(basePathOf("/g/orion.xy.bak"), "");
  EXPECT_EQ(basePathOf("/g.xy/orion"), "");
  EXPECT_EQ(resultFileOf("/g/orion.", 16), "/g/orion.m16");
}

TEST_F(StarsFiles, NamesAreFoundInAnyCaseTheExactOneFirst) {
  put("ORION.HST", test::starsHost(2426));
  put("orion.m1", "lower");
  put("ORION.M1", "upper");
  EXPECT_EQ(yearOf(dir.file("ORION.XY")), 2426);
  EXPECT_EQ(yearOf(dir.file("orion.xy")), 2426) << "orion.hst found as ORION.HST";
  EXPECT_EQ(existingName(dir.file("orion.m1")), dir.file("orion.m1"));
  EXPECT_EQ(existingName(dir.file("Orion.M1")), dir.file("ORION.M1")) << "sorted first";
  EXPECT_EQ(existingName(dir.file("orion.m2")), dir.file("orion.m2")) << "none: as asked";
}

TEST(StarsFileNames, AttachmentNameIsTheLastPart) {
  EXPECT_EQ(attachmentName("/home/me/orion.m1"), "orion.m1");
  EXPECT_EQ(attachmentName("c:\\games\\orion.xy"), "orion.xy");
  EXPECT_EQ(attachmentName("d:notes.txt"), "notes.txt");
  EXPECT_EQ(attachmentName("plain.txt"), "plain.txt");
  EXPECT_EQ(attachmentName("/dir/"), "");
}

}  // namespace
}  // namespace zelvaro::core
