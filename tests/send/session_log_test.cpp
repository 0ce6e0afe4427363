#include "send/session_log.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/messages.h"
#include "support/memory_session_host.h"
#include "support/temp_dir.h"

namespace zelvaro::send {
namespace {

using Lines = std::vector<std::string>;

class SessionLogTest : public testing::Test {
 protected:
  SessionLogTest() {
    recorded().clear();
    host.settingsValue.logfile = dir.file("session.log");
  }

  static platform::RecordingMessages& recorded() {
    return dynamic_cast<platform::RecordingMessages&>(platform::messages());
  }

  void session(const Lines& lines) {
    log.BeginLog();
    for (const auto& line : lines) log.LogLine(line);
  }

  std::string file() const { return test::readFile(host.settingsValue.logfile); }

  test::TempDir dir;
  test::MemorySessionHost host;
  SessionLog log{host};
};

TEST_F(SessionLogTest, LoggingOffKeepsEveryLineInTheWindowOnly) {
  host.logWindow = {"from the session before"};
  session({"one", "", "two"});
  EXPECT_EQ(host.logWindow, (Lines{"one", "", "two"}));
  EXPECT_FALSE(std::filesystem::exists(host.settingsValue.logfile));
  EXPECT_TRUE(recorded().entries.empty());
}

TEST_F(SessionLogTest, OverwriteStartsEverySessionWithTheHeader) {
  host.settingsValue.logging = true;
  host.settingsValue.overwrite = true;
  session({"first", ""});
  session({"second", ""});
  EXPECT_EQ(file(), "Zelvaro logfile. Version:1.5c (5th July 1999)\r\n\r\nsecond\r\n\r\n");
  EXPECT_EQ(host.logWindow, (Lines{"second", ""}));
}

TEST_F(SessionLogTest, AppendWritesTheHeaderOnceAndAgainWhenTheFileIsGone) {
  host.settingsValue.logging = true;
  session({"first", ""});
  session({"second", ""});
  EXPECT_EQ(file(), logFileHeader() + "\r\n\r\nfirst\r\n\r\nsecond\r\n\r\n");

  std::filesystem::remove(host.settingsValue.logfile);
  session({"third"});
  EXPECT_EQ(file(), logFileHeader() + "\r\n\r\nthird\r\n");
}

TEST_F(SessionLogTest, AnUnwritableFileIsToldOnceAndTheWindowKeepsEveryLine) {
  host.settingsValue.logging = true;
  host.settingsValue.logfile = dir.file("no such folder/session.log");
  session({"one", "two", "three"});
  EXPECT_EQ(host.logWindow, (Lines{"one", "two", "three"}));
  ASSERT_EQ(recorded().texts().size(), 1u) << testing::PrintToString(recorded().texts());
  const std::string told = recorded().texts()[0];
  EXPECT_NE(told.find(host.settingsValue.logfile), std::string::npos) << told;
  EXPECT_NE(told.find("No such file or directory"), std::string::npos) << told;
  EXPECT_TRUE(log.fileFailed());

  // The next session tries again, and tells again.
  session({"four"});
  EXPECT_EQ(recorded().texts().size(), 2u);
}

TEST_F(SessionLogTest, AFileLostMidSessionIsToldOnce) {
  host.settingsValue.logging = true;
  log.BeginLog();
  log.LogLine("kept");
  std::filesystem::remove(host.settingsValue.logfile);
  log.LogLine("lost");
  log.LogLine("lost too");
  EXPECT_EQ(recorded().texts().size(), 1u);
  EXPECT_FALSE(std::filesystem::exists(host.settingsValue.logfile))
      << "a file lost mid-session is not made again without its header";
  EXPECT_EQ(host.logWindow, (Lines{"kept", "lost", "lost too"}));
}

TEST_F(SessionLogTest, NoFileNamedIsToldToo) {
  host.settingsValue.logging = true;
  host.settingsValue.logfile.clear();
  session({"one"});
  EXPECT_EQ(recorded().texts().size(), 1u);
  EXPECT_EQ(host.logWindow, (Lines{"one"}));
}

}  // namespace
}  // namespace zelvaro::send
