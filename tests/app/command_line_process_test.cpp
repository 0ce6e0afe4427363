// The program as a process: what it answers before any window exists.

#include <gtest/gtest.h>

#include <filesystem>

#include "program_run.h"
#include "support/temp_dir.h"

namespace zelvaro::test {
namespace {

TEST(ProgramProcess, HelpAndVersionAnswerOnStandardOutputAndTouchNothing) {
  TempDir home;
  ProgramRun help = runProgram({"--help"}, home.path());
  EXPECT_EQ(help.status, 0) << help.err;
  EXPECT_NE(help.out.find("Usage: zelvaro"), std::string::npos) << help.out;
  EXPECT_EQ(help.err, "");
  ProgramRun shortHelp = runProgram({"-h"}, home.path());
  EXPECT_EQ(shortHelp.status, 0) << shortHelp.err;
  EXPECT_EQ(shortHelp.out, help.out);

  ProgramRun version = runProgram({"/send", "game.zv", "--version"}, home.path());
  EXPECT_EQ(version.status, 0) << version.err;
  EXPECT_EQ(version.out, "Zelvaro 1.5c (5th July 1999)\n");
  EXPECT_TRUE(std::filesystem::is_empty(home.path())) << "no settings folder for an answer";
}

TEST(ProgramProcess, TheWindowWithoutADisplayExitsWithStatusTwo) {
  TempDir home;
  ProgramRun run = runProgram({"game.zv"}, home.path());
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("no display"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("/send"), std::string::npos) << "points to the batch run: " << run.err;
  EXPECT_TRUE(std::filesystem::is_empty(home.path()));
}

TEST(ProgramProcess, AnUnknownOptionPrintsTheUsageOnStandardErrorAndExitsWithStatusTwo) {
  TempDir home;
  ProgramRun run = runProgram({"--send", "--frobnicate", "game.zv"}, home.path());
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err.rfind("zelvaro: unknown option --frobnicate\n", 0), 0u) << run.err;
  EXPECT_NE(run.err.find("Usage: zelvaro"), std::string::npos) << run.err;
  EXPECT_TRUE(std::filesystem::is_empty(home.path()));
  ProgramRun help = runProgram({"--help"}, home.path());
  for (const char* option : {"--again", "--only LIST", "--strict"}) {
    EXPECT_NE(help.out.find(option), std::string::npos) << option;
  }
}

}  // namespace
}  // namespace zelvaro::test
