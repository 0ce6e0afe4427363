// The mail account from a shell: "zelvaro --check-connection", and a batch run that has a
// login but no way to get its password.

#include <gtest/gtest.h>

#include <filesystem>

#include "program_run.h"
#include "support/aiosmtpd_server.h"
#include "support/temp_dir.h"

namespace zelvaro::test {
namespace {

class MailAccountProcessTest : public testing::Test {
 protected:
  void writeSettings(const std::string& server, const std::string& more = "") {
    std::filesystem::create_directories(home.file(".config/zelvaro"));
    writeFile(home.file(".config/zelvaro/zelvaro.cfg"),
              "server," + server +
                  "\r\nemail,host@nebula.example\r\ndefalias,Host\r\nlogging,0\r\n"
                  "overwrite,0\r\ndatabase," +
                  home.file("players.txt") + "\r\n" + more);
  }

  TempDir home;
  // Without a session bus the keyring cannot answer, as under cron.
  const std::map<std::string, std::string> noBus{{"DBUS_SESSION_BUS_ADDRESS", ""}};
};

TEST_F(MailAccountProcessTest, CheckConnectionReportsOnStandardOutput) {
  AiosmtpdServer server;
  writeSettings("127.0.0.1:" + std::to_string(server.port()));
  ProgramRun run = runProgram({"--check-connection"}, home.path(), noBus);
  EXPECT_EQ(run.status, 0) << run.out << run.err;
  EXPECT_NE(run.out.find("\nGreeting: 220 "), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("Connection check passed.\n"), std::string::npos) << run.out;
  EXPECT_FALSE(server.hasMessage(1));

  writeSettings("127.0.0.1:1");
  run = runProgram({"--check-connection"}, home.path(), noBus);
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.out.find("Failed: 10061"), std::string::npos) << run.out;
}

TEST_F(MailAccountProcessTest, ABatchRunWithALoginAndNoPasswordSendsNothing) {
  AiosmtpdServer server;
  writeSettings("127.0.0.1:" + std::to_string(server.port()), "user,host@nebula.example\r\n");
  const std::string outdir = home.file("game");
  const std::string command =
      std::string(ZELVARO_SOURCE_DIR) + "/scripts/make-demo-game '" + outdir + "' >/dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0);
  ProgramRun run = runProgram({"/send", outdir + "/nebula.zv"}, home.path(), noBus);
  EXPECT_EQ(run.status, 1);
  EXPECT_FALSE(server.hasMessage(1));
  EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
  EXPECT_NE(run.err.find("No password for host@nebula.example@127.0.0.1"), std::string::npos)
      << run.err;
  EXPECT_NE(run.err.find("passwordcommand"), std::string::npos) << run.err;
}

}  // namespace
}  // namespace zelvaro::test
