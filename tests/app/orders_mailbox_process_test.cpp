// Orders mailed in to a real Dovecot and taken in by the program as cron and watch mode run it:
// each file judged by its header, stored or refused with its reason, answered through a real
// SMTP server, and never judged or answered twice.

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>

#include "program_run.h"
#include "support/aiosmtpd_server.h"
#include "support/dovecot_server.h"
#include "support/stars_turn.h"
#include "support/temp_dir.h"
#include "support/wait.h"

namespace zelvaro::test {
namespace {

namespace fs = std::filesystem;

constexpr int kYear = 2426;
constexpr int kPlayers = 16;

std::string address(int number) {
  return "p" + std::to_string(number) + "@example.org";
}

class OrdersMailboxProcess : public testing::Test {
 protected:
  // One Dovecot for the program; each test takes orders from a folder of its own.
  static void SetUpTestSuite() { dovecot = new DovecotServer; }
  static void TearDownTestSuite() {
    delete dovecot;
    dovecot = nullptr;
  }

  // A game of sixteen players at 2426, with its universe, host and result files.
  void SetUp() override {
    fs::create_directories(game("incoming"));
    writeFile(game("orion.xy"), starsUniverse());
    writeFile(game("orion.hst"), starsHost(kYear));
    std::string roster;
    for (int number = 1; number <= kPlayers; ++number) {
      writeFile(game("orion.m" + std::to_string(number)), starsTurn(kYear, number));
      roster += "\"Player " + std::to_string(number) + "\",\"1\",\"" + address(number) + "\"\r\n";
    }
    writeFile(gameFile, "Orion\r\n" + game("orion.xy") +
                            "\r\nTurn %Y of %G\r\n1\r\n1\r\nnever\r\n"
                            "1\r\nYour turn.\r\n" +
                            std::to_string(kPlayers) + "\r\n" + roster + "Orion host\r\n");
  }

  std::string game(const std::string& name) const { return home.file("orion/" + name); }

  void writeSettings(const std::string& folder) {
    fs::create_directories(home.file(".config/zelvaro"));
    writeFile(home.file(".config/zelvaro/zelvaro.cfg"),
              "server,127.0.0.1:" + std::to_string(smtp.port()) +
                  "\r\nemail,host@example.org\r\ndefalias,Host\r\nlogging,0\r\noverwrite,0\r\n"
                  "database," +
                  home.file("players.txt") + "\r\nimapserver,localhost:" +
                  std::to_string(dovecot->imapsPort()) + "\r\nimapsecurity,tls\r\nimapuser," +
                  DovecotServer::kUser + "\r\nimappasswordcommand,printf %s " +
                  DovecotServer::kPassword + "\r\ncafile," + dovecot->caFile() + "\r\nimapfolder," +
                  folder + "\r\nimapdone," + folder + "-done\r\n");
  }

  // Mails made by Python's email package, delivered into `folder` in this order: mode, sender,
  // the attachment's name and bytes.
  struct Mail {
    std::string mode;
    std::string from;
    std::string name;
    std::string bytes;
  };
  std::vector<std::string> deliver(const std::vector<Mail>& mails, const std::string& folder) {
    std::string mailList;
    std::vector<std::string> outs;
    for (size_t i = 0; i < mails.size(); ++i) {
      const std::string file = home.file("mail/file" + std::to_string(++made));
      const std::string out = home.file("mail/message" + std::to_string(made) + ".eml");
      fs::create_directories(home.file("mail"));
      writeFile(file, mails[i].bytes);
      mailList += mails[i].mode + "\t" + mails[i].from + "\t<orders" + std::to_string(made) +
                  "@client.example.org>\t" + mails[i].name + "\t" + file + "\t" + out + "\n";
      outs.push_back(out);
    }
    writeFile(home.file("mail/list"), mailList);
    const std::string command = std::string(ZELVARO_SOURCE_DIR) +
                                "/tests/support/orders_mail.py < " + home.file("mail/list");
    EXPECT_EQ(std::system(command.c_str()), 0);
    std::vector<std::string> messages;
    for (const std::string& out : outs) {
      messages.push_back(readFile(out));
      dovecot->deliver(messages.back(), folder);
    }
    return messages;
  }

  ProgramRun run(const std::vector<std::string>& arguments) {
    return runProgram(arguments, home.path(), {{"DBUS_SESSION_BUS_ADDRESS", ""}});
  }

  // The receipts the SMTP server took, by recipient: their subjects, in order.
  std::map<std::string, std::vector<std::string>> receipts() const {
    std::map<std::string, std::vector<std::string>> byAddress;
    for (int n = 1; smtp.hasMessage(n); ++n) {
      const std::string envelope = smtp.message(n, "envelope");
      byAddress[envelope.substr(envelope.find('\n') + 1, envelope.size() - envelope.find('\n') - 2)]
          .push_back(smtp.message(n, "subject"));
    }
    return byAddress;
  }

  static DovecotServer* dovecot;
  TempDir home;
  AiosmtpdServer smtp;
  const std::string gameFile = game("orion.zv");
  int made = 0;
};

DovecotServer* OrdersMailboxProcess::dovecot = nullptr;

TEST_F(OrdersMailboxProcess, SixteenPlayersInEveryBadFileRefusedNothingJudgedTwice) {
  writeSettings("Fetch");
  EXPECT_EQ(run({"--status", gameFile}).status, 3);

  std::vector<Mail> mails;
  // Wrong files first, from players whose good orders come later, and from a stranger.
  std::string otherGeneration = starsHeader(kYear, kOrders, 2, (starsGeneration(kYear) ^ 1) << 5) +
                                starsBlocks("orders", kOrders);
  mails.push_back({"base64", address(1), "orion.x1", starsOrders(kYear - 1, 1)});
  mails.push_back({"base64", address(2), "vega.x2", starsOrders(kYear, 2, "o", false, 0x0B16D00D)});
  mails.push_back({"uuencode", address(3), "orion.x3", otherGeneration});
  mails.push_back({"base64", address(4), "orion.m4", starsTurn(kYear, 4)});
  mails.push_back({"base64", "Mallory <mallory@example.net>", "orion.x5", starsOrders(kYear, 5)});
  for (int number = 1; number <= kPlayers; ++number) {
    const std::string name = number == 7 ? "Ördrë für Zug.x7" : "orion.x" + std::to_string(number);
    mails.push_back({number % 3 == 0 ? "uuencode" : "base64",
                     "Player " + std::to_string(number) + " <" + address(number) + ">", name,
                     starsOrders(kYear, number, "orders of " + std::to_string(number))});
  }
  const std::vector<std::string> delivered = deliver(mails, "Fetch");

  ProgramRun fetch = run({"--fetch-orders", gameFile});
  ASSERT_EQ(fetch.status, 0) << fetch.err << dovecot->log();
  for (const char* said :
       {"Orion: orion.x1 from p1@example.org: rejected, these orders were made from last year's "
        "turn, and the game is at 2426",
        "Orion: vega.x2 from p2@example.org: rejected, these orders belong to another game",
        "Orion: orion.x3 from p3@example.org: rejected, made from an older copy of this turn",
        "Orion: orion.m4 from p4@example.org: rejected, it is a turn file (.m), not an orders file",
        "Orion: orion.x5 from mallory@example.net: rejected, the sender is not an address of any "
        "player of this game",
        "Orion: Ördrë für Zug.x7 from p7@example.org: accepted, orders of player 7 for 2426\n",
        "Orion: orion.x16 from p16@example.org: accepted, orders of player 16 for 2426\n"}) {
    EXPECT_NE(fetch.out.find(said), std::string::npos) << said << "\n" << fetch.out;
  }
  for (int number = 1; number <= kPlayers; ++number) {
    EXPECT_EQ(readFile(game("orion.x" + std::to_string(number))),
              starsOrders(kYear, number, "orders of " + std::to_string(number)));
  }
  EXPECT_EQ(dovecot->messages("Fetch").size(), 0u);
  EXPECT_EQ(dovecot->messages("Fetch-done").size(), 16u);
  EXPECT_EQ(dovecot->messages("Fetch-done.Rejected").size(), 5u);

  std::map<std::string, std::vector<std::string>> answered = receipts();
  EXPECT_EQ(answered.count("mallory@example.net"), 0u) << "no receipt to a stranger";
  EXPECT_EQ(answered[address(1)],
            (std::vector<std::string>{"Orders NOT accepted: Orion 2426 player 1",
                                      "Orders received: Orion 2426 player 1"}));
  EXPECT_EQ(answered[address(16)],
            std::vector<std::string>{"Orders received: Orion 2426 player 16"});
  EXPECT_EQ(answered.size(), 16u);
  int receiptCount = 0;
  for (const auto& [to, subjects] : answered) receiptCount += static_cast<int>(subjects.size());
  EXPECT_EQ(receiptCount, 20);
  // The late file's receipt: the reason, the file's checksum, an answer to its message.
  const std::string late = smtp.message(1, "raw");
  EXPECT_NE(late.find("In-Reply-To: <orders1@client.example.org>"), std::string::npos) << late;
  EXPECT_NE(late.find("Auto-Submitted: auto-replied"), std::string::npos);
  EXPECT_NE(smtp.message(1, "text").find("Verdict: NOT accepted: these orders were made from last "
                                         "year's turn"),
            std::string::npos)
      << smtp.message(1, "text");
  EXPECT_EQ(run({"--status", gameFile}).status, 0);

  // A second pass finds nothing new.
  fetch = run({"--fetch-orders", gameFile});
  EXPECT_EQ(fetch.status, 0) << fetch.err;
  EXPECT_EQ(fetch.out, "");

  // The folder rebuilt (a restored backup, a server moved): every message back, the server's
  // UIDVALIDITY new. Each is looked at again, and none judged or answered a second time.
  // "<account>/Fetch TAB <uidvalidity> TAB <last uid>"
  auto uidValidity = [&] {
    const std::string state = readFile(home.file(".local/state/zelvaro/mailbox-state.tsv"));
    const size_t tab = state.find('\t', state.find("/Fetch\t"));
    return state.substr(tab + 1, state.find('\t', tab + 1) - tab - 1);
  };
  const std::string before = uidValidity();
  for (const std::string& message : delivered) dovecot->deliver(message, "Fetch");
  for (const fs::directory_entry& entry : fs::directory_iterator(dovecot->folderPath("Fetch"))) {
    if (entry.path().filename().string().rfind("dovecot", 0) == 0) fs::remove(entry.path());
  }
  fetch = run({"--fetch-orders", gameFile});
  EXPECT_EQ(fetch.status, 0) << fetch.err;
  EXPECT_EQ(fetch.out, "");
  EXPECT_NE(uidValidity(), before);
  EXPECT_EQ(dovecot->messages("Fetch").size(), 0u) << "all looked at and filed again";
  EXPECT_FALSE(smtp.hasMessage(21)) << "no receipt twice";
}

TEST_F(OrdersMailboxProcess, WatchModeTakesMailAsItComesAndTheDropFolder) {
  writeSettings("Watch");
  dovecot->deliver("From: p1@example.org\r\nSubject: when is the deadline?\r\n\r\nThanks.\r\n",
                   "Watch");
  RunningProgram watch({"--watch", gameFile}, home.path(), {{"DBUS_SESSION_BUS_ADDRESS", ""}});
  // The first pass has looked at the folder; what comes now is news the server tells of.
  const std::string state = home.file(".local/state/zelvaro/mailbox-state.tsv");
  ASSERT_TRUE(waitUntil(
      [&] { return fs::exists(state) && readFile(state).find("/Watch\t") != std::string::npos; },
      30000))
      << watch.err();
  deliver({{"base64", address(2), "orion.x2", starsOrders(kYear, 2)}}, "Watch");
  writeFile(game("incoming/upload.x3"), starsOrders(kYear, 3));
  EXPECT_TRUE(waitUntil(
      [&] { return fs::exists(game("orion.x2")) && fs::exists(game("orion.x3")); }, 30000))
      << watch.err();
  // The turns may go out meanwhile (they settle for 30 s); the receipt is among them.
  EXPECT_TRUE(waitUntil(
      [&] {
        const std::vector<std::string> subjects = receipts()[address(2)];
        return std::count(subjects.begin(), subjects.end(),
                          "Orders received: Orion 2426 player 2") == 1;
      },
      10000));
  EXPECT_EQ(watch.stop(SIGTERM, 10000), 0);
  EXPECT_NE(watch.err().find("Orion: orion.x2 from p2@example.org: accepted"), std::string::npos)
      << watch.err();
  EXPECT_NE(watch.err().find("Orion: upload.x3 from incoming/: accepted"), std::string::npos);
}

}  // namespace
}  // namespace zelvaro::test
