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

TEST(CommandLine, PathsAreTakenExactlyAndOnlySlashSendSwitches) {
  CommandLine line = examineCommandLine({"My Games/Orion.ZV", "send", "/sendx", "-send"});
  EXPECT_FALSE(line.batch);
  EXPECT_EQ(line.gameFiles(), (Paths{"My Games/Orion.ZV", "send", "/sendx", "-send"}));
  EXPECT_EQ(line.fileCount, 4);
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
  EXPECT_FALSE(examineCommandLine({"--Help"}).help) << "options are exact, like paths";
}

}  // namespace
}  // namespace zelvaro::core
