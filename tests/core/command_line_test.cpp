#include "core/command_line.h"

#include <gtest/gtest.h>

namespace zelvaro::core {
namespace {

using Paths = std::vector<std::string>;

TEST(CommandLine, SendInAnyCaseAndPlaceMakesABatchOfEveryPathInOrder) {
  CommandLine line = examineCommandLine({"/SEND", "game1.zv", "game2.zv"});
  EXPECT_TRUE(line.batch);
  EXPECT_EQ(line.gameFiles(), (Paths{"game1.zv", "game2.zv"}));
  EXPECT_EQ(line.pendingGameFile, "game2.zv");
  EXPECT_EQ(line.fileCount, 2);
  EXPECT_FALSE(line.multipleFilesWithoutSend());

  line = examineCommandLine({"a.zv", "/Send", "b.zv"});
  EXPECT_TRUE(line.batch);
  EXPECT_EQ(line.gameFiles(), (Paths{"a.zv", "b.zv"}));
}

TEST(CommandLine, SeveralPathsWithoutSendOpenTheLastAndAreComplainedAbout) {
  CommandLine line = examineCommandLine({"game1.zv", "game2.zv"});
  EXPECT_FALSE(line.batch);
  EXPECT_TRUE(line.multipleFilesWithoutSend());
  EXPECT_EQ(line.pendingGameFile, "game2.zv");

  EXPECT_FALSE(examineCommandLine({"only.zv"}).multipleFilesWithoutSend());
  EXPECT_FALSE(examineCommandLine({}).multipleFilesWithoutSend());
}

TEST(CommandLine, PathsAreTakenExactlyAndOnlyTheSendSpellingsSwitch) {
  CommandLine line = examineCommandLine({"My Games/Orion.ZV", "send", "/sendx", "--", "-x.zv"});
  EXPECT_FALSE(line.batch);
  EXPECT_EQ(line.gameFiles(), (Paths{"My Games/Orion.ZV", "send", "/sendx", "-x.zv"}));
  EXPECT_EQ(line.fileCount, 4);
  EXPECT_EQ(line.usageError, "");

  EXPECT_TRUE(examineCommandLine({"--send", "a.zv"}).batch);
  EXPECT_FALSE(examineCommandLine({"--", "--send"}).batch) << "a path after --";
}

TEST(CommandLine, AnUnknownDashArgumentIsAUsageErrorNamingTheFirst) {
  for (const char* unknown : {"-send", "--SEND", "--Help", "-", "-x"}) {
    EXPECT_EQ(examineCommandLine({"game.zv", unknown, "-y"}).usageError,
              std::string("unknown option ") + unknown);
  }
}

TEST(CommandLine, SendAloneIsABatchWithNothingToSend) {
  CommandLine line = examineCommandLine({"/send"});
  EXPECT_TRUE(line.batch);
  EXPECT_TRUE(line.gameFiles().empty());
  EXPECT_EQ(line.pendingGameFile, "");
}

TEST(CommandLine, HelpAndVersionAreNoGameFiles) {
  CommandLine line = examineCommandLine({"/send", "game.zv", "--help"});
  EXPECT_TRUE(line.help);
  EXPECT_EQ(line.gameFiles(), (Paths{"game.zv"}));
  EXPECT_EQ(line.fileCount, 1);
  EXPECT_TRUE(examineCommandLine({"--version"}).version);
  EXPECT_TRUE(examineCommandLine({"-h"}).help);
}

TEST(CommandLine, SendOptionsStandAnywhereAfterSendAndNeverPassForGames) {
  CommandLine line = examineCommandLine(
      {"/send", "--only", "3,7", "a.zv", "--again", "b.zv", "--strict", "--dry-run", "-out"});
  EXPECT_EQ(line.usageError, "");
  EXPECT_EQ(line.gameFiles(), (Paths{"a.zv", "b.zv"}));
  EXPECT_EQ(line.only, (std::set<int>{3, 7}));
  EXPECT_TRUE(line.again && line.strict);
  EXPECT_EQ(line.dryRun, "-out");
  EXPECT_EQ(examineCommandLine({"--only", "16", "--send"}).only, std::set<int>{16});

  for (const Paths& wrong : {Paths{"/send", "--only", "0"}, Paths{"/send", "--only", "3,,4"},
                             Paths{"/send", "--only", "a.zv"}, Paths{"--again", "a.zv"},
                             Paths{"--dry-run", "out", "a.zv"}, Paths{"/send", "a.zv", "--dry-run"},
                             Paths{"/send", "--dry-run", "", "a.zv"}}) {
    EXPECT_NE(examineCommandLine(wrong).usageError, "") << testing::PrintToString(wrong);
  }
}

TEST(CommandLine, WatchTakesGameFilesAndASettleTimeAndRefusesWhatItCannotUse) {
  CommandLine line = examineCommandLine({"--watch", "a.zv", "--settle", "5", "b.zv"});
  EXPECT_TRUE(line.watch);
  EXPECT_EQ(line.settleSeconds, 5);
  EXPECT_EQ(line.gameFiles(), (Paths{"a.zv", "b.zv"}));
  EXPECT_EQ(line.usageError, "");
  EXPECT_FALSE(line.multipleFilesWithoutSend());
  EXPECT_EQ(examineCommandLine({"--watch", "a.zv"}).settleSeconds, std::nullopt);

  for (const Paths& wrong :
       {Paths{"--watch"}, Paths{"--watch", "--send", "a.zv"}, Paths{"--settle", "5", "a.zv"},
        Paths{"--watch", "a.zv", "--settle"}, Paths{"--watch", "a.zv", "--settle", "30s"},
        Paths{"--watch", "a.zv", "--settle", "-1"},
        Paths{"--watch", "a.zv", "--settle", "99999"}}) {
    EXPECT_NE(examineCommandLine(wrong).usageError, "") << wrong.back();
  }
}

}  // namespace
}  // namespace zelvaro::core
