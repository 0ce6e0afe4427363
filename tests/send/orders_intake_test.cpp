#include "send/orders_intake.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "core/sha256.h"
#include "core/stars_files.h"
#include "net/smtp_text.h"
#include "send/drop_folder.h"
#include "support/stars_turn.h"
#include "support/temp_dir.h"

namespace zelvaro::send {
namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kOrion = 0x5C3A19E7;
constexpr std::uint32_t kVega = 0x0B16D00D;

// Orders of player `number` for 2426; `payload` tells two sets of orders apart.
std::string orders(int number, std::uint32_t game = kOrion, const std::string& payload = "orders") {
  return test::starsOrders(2426, number, payload, false, game);
}

std::string mail(const std::string& from, const std::string& id, const std::string& name,
                 const std::string& bytes) {
  return "From: " + from + "\r\nMessage-ID: " + id +
         "\r\nSubject: orders\r\nMIME-Version: 1.0\r\n"
         "Content-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\n"
         "Content-Type: text/plain\r\n\r\nHere.\r\n--b\r\n"
         "Content-Type: application/octet-stream; name=" +
         name + "\r\nContent-Transfer-Encoding: base64\r\n\r\n" + net::base64Line(bytes) +
         "\r\n--b--\r\n";
}

class OrdersIntakeTest : public testing::Test {
 protected:
  IntakeGame game(const std::string& folder, const std::string& name, std::uint32_t id) {
    fs::create_directories(dir.file(folder));
    test::writeFile(dir.file(folder + "/" + name + ".hst"), test::starsHost(2426, "host", id));
    IntakeGame game;
    game.game.name = name;
    game.game.filePath = dir.file(folder + "/" + name + ".zv");
    game.game.basePath = dir.file(folder + "/" + name + ".");
    for (const char* player : {"ann", "bob", "carl"}) {
      game.game.roster.push_back(
          core::ContestorEntry::assigned(player, std::string(player) + "@example.org"));
    }
    return game;
  }
  std::vector<IntakeGame> games() {
    return {game("orion", "orion", kOrion), game("vega", "vega", kVega)};
  }

  test::TempDir dir;
  core::SendJournal journal{dir.file("journal.tsv")};
};

TEST_F(OrdersIntakeTest, MailJudgedStoredJournaledAndNeverTwice) {
  OrdersIntake intake(games(), journal);
  const std::string first = orders(1);
  MessageIntake taken = intake.takeMessage(mail("Ann <ann@example.org>", "<a1@x>", "o.x1", first));
  EXPECT_EQ(taken.verdict, MessageVerdict::Done);
  ASSERT_EQ(taken.files.size(), 1u);
  EXPECT_EQ(taken.files[0].storedAs, dir.file("orion/orion.x1"));
  EXPECT_EQ(test::readFile(dir.file("orion/orion.x1")), first);

  // Newer orders of the same year win; the earlier ones are kept beside the game file.
  const std::string second = orders(1, kOrion, "second thoughts");
  EXPECT_EQ(intake.takeMessage(mail("ann@example.org", "<a2@x>", "o.x1", second)).verdict,
            MessageVerdict::Done);
  EXPECT_EQ(test::readFile(dir.file("orion/orion.x1")), second);
  EXPECT_EQ(test::readFile(dir.file("orion/.zelvaro/orders/2426/orion.x1." +
                                    core::sha256Hex(first).substr(0, 12))),
            first);
  taken = intake.takeMessage(mail("ann@example.org", "<a3@x>", "o.x1", second));
  EXPECT_EQ(taken.files.at(0).verdict, "duplicate");

  // The same message again (a second pass, a mailbox that forgot what was fetched).
  taken = intake.takeMessage(mail("ann@example.org", "<a2@x>", "o.x1", second));
  EXPECT_TRUE(taken.files.at(0).judgedBefore);
  EXPECT_EQ(taken.verdict, MessageVerdict::Done);

  // Routed by game id; Bob sent Carl's orders; a stranger; a message with no orders at all.
  taken = intake.takeMessage(mail("carl@example.org", "<c1@x>", "v.x3", orders(3, kVega)));
  EXPECT_EQ(taken.files.at(0).storedAs, dir.file("vega/vega.x3"));
  taken = intake.takeMessage(mail("bob@example.org", "<b1@x>", "o.x3", orders(3)));
  EXPECT_EQ(taken.verdict, MessageVerdict::Rejected);
  EXPECT_EQ(taken.files.at(0).reason,
            "these are the orders of player 3, and they came from player 2");
  taken = intake.takeMessage(mail("mallory@example.net", "<m1@x>", "o.x2", orders(2)));
  EXPECT_EQ(taken.files.at(0).judgement.verdict, core::OrdersVerdict::UnknownSender);
  EXPECT_FALSE(fs::exists(dir.file("orion/orion.x2")));
  EXPECT_FALSE(fs::exists(dir.file("orion/orion.x3")));
  EXPECT_EQ(intake.takeMessage("From: ann@example.org\r\n\r\nWhen is the deadline?\r\n").verdict,
            MessageVerdict::Leave);

  core::SendJournal again(journal.path());
  again.load();
  ASSERT_EQ(again.orders().size(), 6u) << "one line per file judged, none for the repeat";
  const core::OrdersEntry& line = again.orders()[0];
  EXPECT_EQ(line.gameFile, dir.file("orion/orion.zv"));
  EXPECT_EQ(line.year, 2426);
  EXPECT_EQ(line.player, 1);
  EXPECT_EQ(line.sender, "ann@example.org");
  EXPECT_EQ(line.file.sha256, core::sha256Hex(first));
  EXPECT_EQ(line.messageId, "<a1@x>");
  EXPECT_EQ(again.orders()[4].verdict, "rejected");
}

TEST_F(OrdersIntakeTest, DropFolderTakesEveryFileAndClearsItself) {
  OrdersIntake intake(games(), journal);
  const std::string incoming = dir.file("orion/incoming");
  fs::create_directories(incoming);
  test::writeFile(incoming + "/ann.x1", orders(1));
  test::writeFile(incoming + "/vega-carl.x3", orders(3, kVega));
  test::writeFile(incoming + "/notes.txt", "my orders are attached");
  test::writeFile(incoming + "/.upload.part", "half");
  const std::string cut = orders(2);
  test::writeFile(incoming + "/bob.x2", cut.substr(0, cut.size() - 3));

  const DropPass pass = takeDropFolder(intake, 0, std::chrono::seconds(0));
  EXPECT_TRUE(pass.failures.empty());
  ASSERT_EQ(pass.judged.size(), 4u);
  EXPECT_EQ(test::readFile(dir.file("orion/orion.x1")), orders(1));
  EXPECT_EQ(test::readFile(dir.file("vega/vega.x3")), orders(3, kVega));
  EXPECT_FALSE(fs::exists(dir.file("orion/orion.x2")));
  std::vector<std::string> left;
  for (const auto& entry : fs::recursive_directory_iterator(incoming)) {
    left.push_back(fs::relative(entry.path(), incoming).string());
  }
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{".upload.part", "rejected", "rejected/bob.x2",
                                            "rejected/notes.txt"}));
  EXPECT_TRUE(takeDropFolder(intake, 0, std::chrono::seconds(0)).judged.empty());
  // A file still being written waits.
  test::writeFile(incoming + "/ann.x1", orders(1));
  EXPECT_TRUE(takeDropFolder(intake, 0, std::chrono::seconds(60)).judged.empty());
}

}  // namespace
}  // namespace zelvaro::send
