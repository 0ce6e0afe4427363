// A whole game mailed to a real SMTP server (aiosmtpd), each message read back by a real MIME
// parser (Python's email package).

#include <random>

#include "send_session_fixture.h"
#include "support/aiosmtpd_server.h"

namespace zelvaro::send {
namespace {

std::string randomBytes(size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char& b : bytes) b = static_cast<char>(random() & 0xFF);
  return bytes;
}

class SendSessionDeliveryTest : public test::SendSessionFixture {
 protected:
  SendSessionDeliveryTest() { useServer(server.port()); }

  test::AiosmtpdServer server;
  SendSession session{host, kTiming};
};

TEST_F(SendSessionDeliveryTest, EveryPlayerGetsHisFilesByteForByte) {
  core::Game& game = host.gameValue;
  game.attachUniverse = true;
  const std::string universe = test::starsUniverse(304);
  test::writeFile(dir.file("abc.xy"), universe);
  // Big enough for more trace lines than the file bar's maximum.
  const std::string ann = test::starsTurn(2405, 1, randomBytes(40000, 2));
  const std::string bob = test::starsTurn(2405, 3, randomBytes(28, 3));
  const std::string orders = randomBytes(0, 4);
  writeResultFile(addEntry("Ann", "1", "ann@example.org; ann@example.net"), ann);
  addEntry("Nobody", "0", "");
  writeResultFile(addEntry("Bob", "1", "bob@example.org", {dir.file("abc.x3")}), bob);
  test::writeFile(dir.file("abc.x3"), orders);

  EXPECT_TRUE(session.run());

  ASSERT_TRUE(server.hasMessage(1));
  ASSERT_TRUE(server.hasMessage(2));
  EXPECT_FALSE(server.hasMessage(3));
  for (int number : {1, 2}) {
    EXPECT_EQ(server.message(number, "defects"), "") << "message " << number;
    EXPECT_EQ(server.message(number, "from"), "Game Host <host@example.org>");
  }
  EXPECT_EQ(server.message(1, "envelope"), "host@example.org\nann@example.org\nann@example.net\n");
  EXPECT_EQ(server.message(1, "to"), "ann@example.org, ann@example.net");
  EXPECT_EQ(server.message(1, "subject"), "Turn 2405 of abc for player 1");
  EXPECT_EQ(server.message(1, "text"), "Hello player 1,\r\n\r\nyour turn of 2405 is attached.\r\n");
  EXPECT_EQ(server.message(1, "attachments"), "abc.m1\nabc.xy\n");
  EXPECT_EQ(server.message(1, "attachment-1"), ann);
  EXPECT_EQ(server.message(1, "attachment-2"), universe);

  EXPECT_EQ(server.message(2, "envelope"), "host@example.org\nbob@example.org\n");
  EXPECT_EQ(server.message(2, "subject"), "Turn 2405 of abc for player 3");
  EXPECT_EQ(server.message(2, "attachments"), "abc.m3\nabc.xy\nabc.x3\n");
  EXPECT_EQ(server.message(2, "attachment-1"), bob);
  EXPECT_EQ(server.message(2, "attachment-2"), universe);
  EXPECT_EQ(server.message(2, "attachment-3"), orders);

  // Ann's 900 base64 lines raised the bar's maximum; Bob's short message brought it halfway
  // back.
  const int highest = *std::max_element(host.fileMaximums.begin(), host.fileMaximums.end());
  EXPECT_GT(highest, 900);
  EXPECT_LT(host.fileMaximum, highest);
  EXPECT_LT(host.fileMaximums.size(), 300u) << "set per percent, not per trace line";
}

}  // namespace
}  // namespace zelvaro::send
