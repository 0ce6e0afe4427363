// Messages delivered to a real SMTP server (aiosmtpd) and read back by a real MIME parser
// (Python's email package).

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "platform/sockets.h"
#include "smtp_cli_fixture.h"
#include "support/aiosmtpd_server.h"
#include "support/wait.h"

namespace zelvaro::send {
namespace {

using End = test::SmtpRequests::End;

class DeliveryTest : public test::SmtpCliFixture {
 protected:
  void deliver(int number = 1) {
    client.Port = std::to_string(server.port());
    ASSERT_EQ(open(), (End{net::rqOpen, 0})) << client.ErrorMessage();
    ASSERT_EQ(mail(), (End{net::rqMail, 0})) << client.ErrorMessage();
    ASSERT_EQ(quit(), (End{net::rqQuit, 0})) << client.ErrorMessage();
    ASSERT_TRUE(test::waitUntil([this] { return !client.Connected(); }));
    ASSERT_TRUE(server.hasMessage(number));
    EXPECT_EQ(server.message(number, "defects"), "");
  }

  static std::string randomBytes(size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& b : bytes) b = static_cast<char>(random() & 0xFF);
    return bytes;
  }

  // Attaches a file of random bytes per size, delivers, and checks each arrived whole.
  void deliverFilesOf(const std::vector<size_t>& sizes) {
    std::vector<std::string> contents;
    std::string names;
    for (size_t size : sizes) {
      contents.push_back(randomBytes(size, static_cast<unsigned>(contents.size())));
      writeAttachment("abc.m" + std::to_string(size), contents.back());
      names += "abc.m" + std::to_string(size) + "\n";
    }
    deliver();
    EXPECT_EQ(server.message(1, "attachments"), names);
    for (size_t i = 0; i < contents.size(); ++i) {
      EXPECT_TRUE(server.message(1, "attachment-" + std::to_string(i + 1)) == contents[i])
          << "attachment of " << sizes[i] << " bytes";
    }
  }

  test::AiosmtpdServer server;
};

TEST_F(DeliveryTest, APlainMessageArrivesAsWritten) {
  client.RcptName = {"one@example.org", "two@example.org"};
  client.HdrTo = "one@example.org,two@example.org";
  memo = {"Turn 2405 is ready.", ".", "..double", ""};
  deliver();
  EXPECT_EQ(server.message(1, "envelope"), "host@example.org\none@example.org\ntwo@example.org\n");
  EXPECT_EQ(server.message(1, "from"), "Game Host <host@example.org>");
  EXPECT_EQ(server.message(1, "to"), "one@example.org, two@example.org");
  EXPECT_EQ(server.message(1, "subject"), "Turn 2405 of abc");
  EXPECT_EQ(server.message(1, "text"), "Turn 2405 is ready.\r\n.\r\n..double\r\n\r\n");
  EXPECT_EQ(server.message(1, "attachments"), "");
}

TEST_F(DeliveryTest, DomainsBeyondAsciiGoInTheirAsciiFormAndQuotedLocalPartsAsWritten) {
  client.RcptName = {"spieler@münchen.example", "\"first last\"@example.org"};
  client.HdrTo = "spieler@münchen.example,\"first last\"@example.org";
  deliver();
  EXPECT_EQ(server.message(1, "envelope"),
            "host@example.org\nspieler@xn--mnchen-3ya.example\n\"first last\"@example.org\n");
  EXPECT_EQ(server.message(1, "to"), "spieler@xn--mnchen-3ya.example, \"first last\"@example.org");
}

TEST_F(DeliveryTest, EveryAttachmentDecodesToTheFilesBytes) {
  memo = {"Grüße, player 3!", "Your turn is attached."};
  deliverFilesOf({0, 1, 45, 46, 1000, 300007});
  EXPECT_EQ(server.message(1, "subject"), "Turn 2405 of abc");
  EXPECT_EQ(server.message(1, "text"), "Grüße, player 3!\r\nYour turn is attached.\r\n");
  EXPECT_EQ(server.message(1, "content-type").rfind("multipart/mixed", 0), 0u);
}

TEST_F(DeliveryTest, EveryByteArrivesWhenTheConnectionTakesAFewBytesAtATime) {
  platform::limitStreamSends({3, 1, 7, 2000});
  struct Lift {
    ~Lift() { platform::limitStreamSends({}); }
  } lift;
  memo = {"Your turn is attached."};
  deliverFilesOf({0, 1, 44, 45, 46, 65537, 5 * 1024 * 1024});
}

TEST_F(DeliveryTest, OddFileNamesArriveWhole) {
  memo = {"x"};
  const std::string names[] = {"say \"hi\" to abc.m3", "turn:2426.m1", "orders\\2426.x1"};
  std::string listed;
  for (const std::string& name : names) {
    writeAttachment(name, name);
    listed += name + "\n";
  }
  deliver();
  EXPECT_EQ(server.message(1, "attachments"), listed);
  EXPECT_EQ(server.message(1, "attachment-2"), names[1]);
}

TEST_F(DeliveryTest, ABodyLineThatLooksLikeTheBoundaryStaysText) {
  // The time part of the boundary can be guessed, for this minute and the next.
  std::time_t now = std::time(nullptr);
  for (int minute = 0; minute < 2; ++minute, now += 60) {
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[16];
    std::strftime(stamp, sizeof stamp, "%m%d%y%H%M", &local);
    memo.push_back("--= Multipart Boundary " + std::string(stamp));
    memo.push_back(memo.back() + "--");
  }
  memo.push_back("Your turn is attached.");
  const std::string bytes = randomBytes(500, 8);
  writeAttachment("abc.m1", bytes);
  deliver();
  std::string text;
  for (const std::string& line : memo) text += line + "\r\n";
  EXPECT_EQ(server.message(1, "text"), text);
  EXPECT_EQ(server.message(1, "attachments"), "abc.m1\n");
  EXPECT_EQ(server.message(1, "attachment-1"), bytes);
}

TEST_F(DeliveryTest, LinesTooLongForTheWireArriveWhole) {
  std::string utf8;
  while (utf8.size() < 3000) utf8 += "Grüße = ";
  memo = {"short", std::string(1010, 'a'), "." + std::string(5000, 'b'), utf8 + " ", ""};
  std::string text;
  for (const std::string& line : memo) text += line + "\r\n";
  // A plain message, then one with an attachment.
  for (int number : {1, 2}) {
    if (number == 2) writeAttachment("abc.m1", "turn");
    deliver(number);
    EXPECT_EQ(server.message(number, "text"), text) << "message " << number;
    std::string raw = server.message(number, "raw");
    size_t longest = 0;
    for (size_t begin = 0, end; begin < raw.size(); begin = end + 2) {
      end = std::min(raw.find("\r\n", begin), raw.size());
      longest = std::max(longest, end - begin);
    }
    EXPECT_LE(longest, 998u) << "message " << number;
  }
}

TEST_F(DeliveryTest, TextThatIsNotAsciiReachesEveryReaderIntact) {
  client.HdrSubject = "Zug 2405 für Spieler 3 — " + std::string(30, 'x') + " Grüße aus der Galaxis";
  client.HdrFrom = "\"Jörg Wirt\" <host@example.org>";
  const std::string longLine = std::string(100, '=') + " é ";
  memo = {"Grüße, player 3!", longLine};
  writeAttachment("spielstand-ä ü.m3", "turn");
  deliver();
  EXPECT_EQ(server.message(1, "subject"), client.HdrSubject);
  EXPECT_EQ(server.message(1, "from"), "Jörg Wirt <host@example.org>");
  EXPECT_EQ(server.message(1, "attachments"), "spielstand-ä ü.m3\n");
  EXPECT_EQ(server.message(1, "text"), "Grüße, player 3!\r\n" + longLine + "\r\n");
  const std::string raw = server.message(1, "raw");
  EXPECT_EQ(raw.find("\xC3"), std::string::npos) << "every byte of the message is ASCII";
  EXPECT_TRUE(std::regex_search(raw, std::regex("\r\nDate: [A-Z][a-z]{2}, [0-9]{1,2} [A-Z][a-z]{2} "
                                                "[0-9]{4} [0-9:]{8} [+-][0-9]{4}\r\n")))
      << raw.substr(0, 600);
  EXPECT_TRUE(std::regex_search(raw, std::regex("\r\nMessage-ID: <[0-9a-f]+@example\\.org>\r\n")));
}

// A login makes the client greet with EHLO, and aiosmtpd announces 8BITMIME.
class EightBitDeliveryTest : public test::SmtpCliFixture {
 protected:
  test::AiosmtpdServer server{{"user=host", "password=pw"}};
};

TEST_F(EightBitDeliveryTest, TextGoesAsItIsWhereTheServerAnnouncedIt) {
  client.Username = "host";
  client.Password = "pw";
  client.Port = std::to_string(server.port());
  std::vector<std::string> commands;
  client.OnCommand = [&commands](net::TCustomSmtpClient&, const std::string& line) {
    commands.push_back(line);
  };
  memo = {"Grüße, player 3!"};
  ASSERT_EQ(open(), (End{net::rqOpen, 0})) << client.ErrorMessage();
  ASSERT_TRUE(client.Capabilities().eightBitMime);
  ASSERT_EQ(mail(), (End{net::rqMail, 0})) << client.ErrorMessage();
  ASSERT_EQ(quit(), (End{net::rqQuit, 0}));
  EXPECT_NE(
      std::find_if(commands.begin(), commands.end(),
                   [](const std::string& line) {
                     return line.starts_with("MAIL FROM:<host@example.org> BODY=8BITMIME SIZE=");
                   }),
      commands.end())
      << ::testing::PrintToString(commands);
  ASSERT_TRUE(test::waitUntil([this] { return server.hasMessage(1); }));
  EXPECT_NE(server.message(1, "raw").find("Content-Transfer-Encoding: 8bit\r\n"),
            std::string::npos);
  EXPECT_EQ(server.message(1, "text"), "Grüße, player 3!\r\n");
}

}  // namespace
}  // namespace zelvaro::send
