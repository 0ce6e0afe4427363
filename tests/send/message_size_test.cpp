// SIZE (RFC 1870): the size MAIL FROM announces is the message DATA then sends, whatever the
// message holds; a message over the server's limit goes nowhere.

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "net/tls_errors.h"
#include "send/smtp_cli_fixture.h"
#include "support/aiosmtpd_server.h"
#include "support/scripted_smtp_server.h"
#include "support/wait.h"

namespace zelvaro::send {
namespace {

using test::ScriptedSmtpServer;
using Lines = std::vector<std::string>;

class MessageSizeTest : public test::SmtpCliFixture {
 protected:
  void greetWithSize(ScriptedSmtpServer& server, const std::string& limit) {
    client.Port = std::to_string(server.port());
    client.Username = "host";
    client.Password = "pw";
    server.line("220 scripted.test")
        .expectLine()
        .line("250-scripted.test")
        .line("250-AUTH PLAIN")
        .line("250 SIZE" + limit)
        .reply("235 welcome");
  }
};

TEST_F(MessageSizeTest, TheAnnouncedSizeIsWhatDataSends) {
  struct Case {
    const char* what;
    Lines text;
    std::vector<std::string> files;
  };
  const std::string longLine(1500, 'x');
  const Case cases[] = {
      {"plain text with dots to stuff", {"Turn 2405.", ".", ".hidden", "x."}, {}},
      {"text that must go quoted-printable", {longLine, "Grüße vom Host"}, {}},
      {"files of 0, 45, 46 and 1000 bytes",
       {"Your turn."},
       {"", std::string(45, 'a'), std::string(46, '.'), std::string(1000, '\n')}},
  };
  for (const Case& c : cases) {
    ScriptedSmtpServer server;
    memo = c.text;
    client.EmailFiles.clear();
    for (size_t i = 0; i < c.files.size(); ++i) {
      writeAttachment("abc.m" + std::to_string(i + 1), c.files[i]);
    }
    greetWithSize(server, " 10000000");
    server.reply("250 ok").reply("250 ok").reply("354 go").expectData().line("250 queued");
    ASSERT_EQ(open().error, 0) << c.what;
    ASSERT_EQ(mail().error, 0) << c.what;
    ASSERT_TRUE(test::waitUntil([&server] { return server.finished(); })) << c.what;
    std::smatch size;
    const Lines& transcript = server.transcript();
    const auto mailFrom = std::find_if(transcript.begin(), transcript.end(), [](auto& line) {
      return line.rfind("C: MAIL FROM:", 0) == 0;
    });
    ASSERT_NE(mailFrom, transcript.end());
    ASSERT_TRUE(std::regex_search(*mailFrom, size, std::regex(" SIZE=([0-9]+)$"))) << *mailFrom;
    // What the server keeps: every line with its CR LF, a stuffed dot taken off again.
    size_t kept = 0;
    for (const std::string& line : server.messageLines()) {
      kept += line.size() + 2 - (line.rfind("..", 0) == 0 ? 1 : 0);
    }
    EXPECT_EQ(std::stoull(size[1]), kept) << c.what;
    client.Abort();
  }
}

TEST_F(MessageSizeTest, AMessageOverTheLimitIsNotUploaded) {
  // A sparse file: the size is known from the file's length, nothing of it is read.
  const std::string path = dir.file("abc.m1");
  test::writeFile(path, "");
  std::filesystem::resize_file(path, 40'450'000);
  client.EmailFiles.push_back(path);
  memo = {"Your turn."};
  ScriptedSmtpServer server;
  greetWithSize(server, " 52428800");
  server.reply("221 bye");
  ASSERT_EQ(open().error, 0);
  EXPECT_EQ(mail().error, net::messageTooBig);
  EXPECT_EQ(client.ErrorMessage(), "the message would be 53.2 MB, the server takes at most 50 MB");
  EXPECT_EQ(quit().error, 0);
  ASSERT_TRUE(test::waitUntil([&server] { return server.finished(); }));
  EXPECT_EQ(server.transcript().back(), "S: 221 bye");
  EXPECT_EQ(server.transcript()[server.transcript().size() - 2], "C: QUIT")
      << "no MAIL FROM, no DATA";
}

// A real server reads the announcement too: aiosmtpd takes what fits and turns away the rest
// before any data.
TEST(MessageSizeAgainstAiosmtpd, TheServerSeesTheSizeAndNoDataForAMessageTooBig) {
  test::AiosmtpdServer server({"user=host", "password=pw", "sizelimit=2000"});
  for (size_t bytes : {size_t{100}, size_t{3000}}) {
    test::TempDir dir;
    TSmtpCli client;
    test::SmtpRequests requests(client);
    client.Host = "127.0.0.1";
    client.Port = std::to_string(server.port());
    client.Username = "host";
    client.Password = "pw";
    client.FromName = "host@example.org";
    client.RcptName = {"player@example.org"};
    const std::string path = dir.file("abc.m1");
    test::writeFile(path, std::string(bytes, 'z'));
    client.EmailFiles.push_back(path);
    ASSERT_EQ(requests.run([&] { client.Open(); }).error, 0);
    EXPECT_EQ(requests.run([&] { client.Mail(); }).error, bytes > 1000 ? net::messageTooBig : 0);
    requests.run([&] { client.Quit(); });
  }
  EXPECT_TRUE(server.hasMessage(1));
  EXPECT_FALSE(server.hasMessage(2));
  EXPECT_EQ(server.mailCommands(), "host@example.org\n") << "the big one never reached MAIL";
}

}  // namespace
}  // namespace zelvaro::send
