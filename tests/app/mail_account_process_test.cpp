// The mail account from a shell: "zelvaro --check-connection", and a batch run that has a
// login but no way to get its password.

#include <gtest/gtest.h>

#include <filesystem>

#include "program_run.h"
#include "support/aiosmtpd_server.h"
#include "support/temp_dir.h"
#include "support/test_certificates.h"

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

  std::string makeGame() {
    const std::string outdir = home.file("game");
    if (std::filesystem::exists(outdir + "/nebula.zv")) return outdir + "/nebula.zv";
    const std::string command =
        std::string(ZELVARO_SOURCE_DIR) + "/scripts/make-demo-game '" + outdir + "' >/dev/null";
    EXPECT_EQ(std::system(command.c_str()), 0);
    return outdir + "/nebula.zv";
  }

  // aiosmtpd with TLS as `security` says and the login host / s3cret-pw.
  std::vector<std::string> secureServer(const std::string& security) {
    return {"security=" + security, "cert=" + certificates.certificateFile(),
            "key=" + certificates.keyFile(), "user=host", "password=s3cret-pw"};
  }

  // A /send of the demo game (four players) with this account; the log goes to a file.
  ProgramRun sendWith(const std::string& server, const std::string& account) {
    const std::string game = makeGame();
    writeSettings(server, "logging,1\r\nlogfile," + logFile + "\r\n" + account);
    // Each server gets the whole game, whatever the journal knows from the one before.
    return runProgram({"/send", "--again", game}, home.path(), noBus);
  }

  void expectNoSecret(const ProgramRun& run) {
    for (const std::string* text : {&run.out, &run.err}) {
      EXPECT_EQ(text->find("s3cret"), std::string::npos) << *text;
    }
    EXPECT_EQ(readFile(logFile).find("s3cret"), std::string::npos);
  }

  TempDir home;
  TestCertificates certificates;
  const std::string logFile = home.file("session.log");
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
  EXPECT_NE(run.out.find("Failed: Connection refused (Winsock error #10061)\n"),
            std::string::npos)
      << run.out;
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

TEST_F(MailAccountProcessTest, DeliversOverStartTlsAndOverTlsWithTheLogin) {
  for (const char* security : {"starttls", "tls"}) {
    AiosmtpdServer server(
        secureServer(security == std::string("tls") ? "tls" : "require-starttls"));
    ProgramRun run = sendWith("localhost:" + std::to_string(server.port()),
                              std::string("security,") + security +
                                  "\r\nuser,host\r\npasswordcommand,echo s3cret-pw\r\ncafile," +
                                  certificates.caFile() + "\r\n");
    EXPECT_EQ(run.status, 0) << security << "\n" << run.err;
    EXPECT_TRUE(server.hasMessage(4)) << security;
    expectNoSecret(run);
  }
}

TEST_F(MailAccountProcessTest, RefusesAndSendsNothingWhenTheAccountOrTheServerIsWrong) {
  struct Case {
    const char* name;
    const char* serverSecurity;
    const char* host;
    std::string account;
    const char* reason;
  };
  const std::string login = "user,host\r\npasswordcommand,echo s3cret-pw\r\n";
  const std::string trusted = "cafile," + certificates.caFile() + "\r\n";
  const Case cases[] = {
      {"wrong password", "tls", "localhost",
       "security,tls\r\nuser,host\r\npasswordcommand,echo s3cret-wrong\r\n" + trusted,
       "app password"},
      {"wrong host name", "tls", "127.0.0.1", "security,tls\r\n" + login + trusted,
       "check the server name"},
      {"untrusted certificate", "tls", "localhost", "security,tls\r\n" + login,
       "put that CA in CA file"},
      {"no STARTTLS", "none", "localhost", "security,starttls\r\n" + login + trusted,
       "nothing was sent in cleartext"},
  };
  for (const Case& c : cases) {
    AiosmtpdServer server(secureServer(c.serverSecurity));
    ProgramRun run = sendWith(std::string(c.host) + ":" + std::to_string(server.port()), c.account);
    EXPECT_EQ(run.status, 1) << c.name;
    EXPECT_FALSE(server.hasMessage(1)) << c.name;
    EXPECT_EQ(server.mailCommands(), "") << c.name << ": not even a MAIL FROM";
    EXPECT_NE(run.err.find(c.reason), std::string::npos) << c.name << "\n" << run.err;
    EXPECT_NE(run.err.find("Player #2: Not mailed: the session stopped at player #1"),
              std::string::npos)
        << c.name << "\n"
        << run.err;
    expectNoSecret(run);
  }
}

TEST_F(MailAccountProcessTest, CheckConnectionFailsWhereTheFirstSendWould) {
  {
    AiosmtpdServer server({"security=require-starttls", "cert=" + certificates.certificateFile(),
                           "key=" + certificates.keyFile()});
    writeSettings("127.0.0.1:" + std::to_string(server.port()));
    const ProgramRun run = runProgram({"--check-connection"}, home.path(), noBus);
    EXPECT_EQ(run.status, 1) << run.out;
    EXPECT_EQ(run.out.rfind("Connection check failed.\n", 0), 0u) << run.out;
    EXPECT_NE(run.out.find("this server wants an encrypted connection: set Security to STARTTLS"),
              std::string::npos)
        << run.out;
  }
  std::vector<std::string> options = secureServer("require-starttls");
  options.push_back("sender=host@elsewhere.example");
  AiosmtpdServer server(options);
  writeSettings("localhost:" + std::to_string(server.port()),
                "security,starttls\r\nuser,host\r\npasswordcommand,echo s3cret-pw\r\ncafile," +
                    certificates.caFile() + "\r\n");
  const ProgramRun run = runProgram({"--check-connection"}, home.path(), noBus);
  EXPECT_EQ(run.status, 1) << run.out;
  EXPECT_NE(run.out.find("\nLogin: accepted for host\nSender refused: host@nebula.example 553 "
                         "5.7.1 <host@nebula.example>: Sender address rejected: not owned by "
                         "user\nthis login may not send as host@nebula.example: set the return "
                         "address to an address of that account\n"),
            std::string::npos)
      << run.out;
  EXPECT_FALSE(server.hasMessage(1));
}

TEST_F(MailAccountProcessTest, ARefusedSenderStopsTheSessionAtTheFirstPlayer) {
  std::vector<std::string> options = secureServer("require-starttls");
  options.push_back("sender=host@elsewhere.example");
  AiosmtpdServer server(options);
  const ProgramRun run = sendWith("localhost:" + std::to_string(server.port()),
                                  "security,starttls\r\nuser,host\r\npasswordcommand,echo "
                                  "s3cret-pw\r\ncafile," +
                                      certificates.caFile() + "\r\n");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(server.mailCommands(), "host@nebula.example\n") << "one MAIL FROM, not one per player";
  EXPECT_NE(run.err.find("Player #1: Sender refused: host@nebula.example 553 5.7.1"),
            std::string::npos)
      << run.err;
  EXPECT_NE(run.err.find("Player #2: Not mailed: the session stopped at player #1"),
            std::string::npos)
      << run.err;
  expectNoSecret(run);
}

TEST_F(MailAccountProcessTest, ALoginGoesInClearOnlyToThisMachine) {
  const std::string login = "user,host\r\npasswordcommand,echo s3cret-pw\r\n";
  ProgramRun run = sendWith("smtp.example.invalid", login);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "zelvaro: " + home.file("game/nebula.zv") +
                         ": a login over an unencrypted connection would show your password: set "
                         "Security to STARTTLS or TLS\n");

  // A tunnel's local end: the login stays on this machine.
  AiosmtpdServer server({"user=host", "password=s3cret-pw"});
  run = sendWith("127.0.0.1:" + std::to_string(server.port()), login);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(server.hasMessage(4));
}

}  // namespace
}  // namespace zelvaro::test
