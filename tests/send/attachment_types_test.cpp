// Each attachment's content type from its name and bytes, as a real MIME parser (Python's email
// package) reads it back, and what SpamAssassin makes of a text file among the attachments.

#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "platform/process_runner.h"
#include "smtp_cli_fixture.h"
#include "support/aiosmtpd_server.h"
#include "support/stars_turn.h"
#include "support/wait.h"

namespace zelvaro::send {
namespace {

using End = test::SmtpRequests::End;

class AttachmentTypesTest : public test::SmtpCliFixture {
 protected:
  AttachmentTypesTest() {
    client.Port = std::to_string(server.port());
    memo = {"Turn 2405 is ready.", "The diary is attached."};
  }

  void deliver() {
    ASSERT_EQ(open(), (End{net::rqOpen, 0})) << client.ErrorMessage();
    ASSERT_EQ(mail(), (End{net::rqMail, 0})) << client.ErrorMessage();
    ASSERT_EQ(quit(), (End{net::rqQuit, 0})) << client.ErrorMessage();
    ASSERT_TRUE(test::waitUntil([this] { return server.hasMessage(1); }));
    EXPECT_EQ(server.message(1, "defects"), "");
  }

  // SpamAssassin's report on a message, its local tests only (no network).
  std::string spamReport(const std::string& message) {
    const std::string path = dir.file("scanned.eml");
    test::writeFile(path, message);
    const platform::ProcessResult run =
        platform::runProcess("spamassassin -L -t < '" + path + "'", {std::chrono::seconds(120)});
    EXPECT_TRUE(run.succeeded()) << run.errors;
    EXPECT_NE(run.output.find("Content analysis details"), std::string::npos) << run.output;
    return run.output;
  }

  test::AiosmtpdServer server;
};

TEST_F(AttachmentTypesTest, TextFilesAreTextAndStarsFilesBinaryByteForByte) {
  const std::string result = test::starsTurn(2405, 1);
  const std::string universe = test::starsUniverse();
  // Stars! files of bytes that happen to be printable are still the game's, not text.
  const std::string printable = "HELLO THIS LOOKS LIKE TEXT\n";
  const std::string diary = "Jahr 2405: Grüße an alle.\n";
  writeAttachment("abc.m1", result);
  writeAttachment("abc.xy", universe);
  writeAttachment("ABC.X12", printable);
  writeAttachment("notes.txt", "Plain notes.\r\n");
  writeAttachment("tagebuch.txt", diary);
  writeAttachment("Latin1.txt",
                  "Gr\xFC\xDF"
                  "e\n");
  writeAttachment("empty.txt", "");
  deliver();
  EXPECT_EQ(server.message(1, "attachment-types"),
            "application/octet-stream\n"
            "application/octet-stream\n"
            "application/octet-stream\n"
            "text/plain; charset=us-ascii\n"
            "text/plain; charset=utf-8\n"
            "text/plain\n"
            "text/plain; charset=us-ascii\n");
  EXPECT_TRUE(server.message(1, "attachment-1") == result);
  EXPECT_TRUE(server.message(1, "attachment-2") == universe);
  EXPECT_EQ(server.message(1, "attachment-3"), printable);
  EXPECT_EQ(server.message(1, "attachment-4"), "Plain notes.\r\n");
  EXPECT_EQ(server.message(1, "attachment-5"), diary);
  EXPECT_EQ(server.message(1, "attachment-6"),
            "Gr\xFC\xDF"
            "e\n");
  // Still base64 on the wire, whatever the type: no line end or byte is changed in transit.
  const std::string raw = server.message(1, "raw");
  EXPECT_NE(raw.find("Content-Type: text/plain; charset=utf-8;\r\n\tname=\"tagebuch.txt\"\r\n"
                     "Content-Transfer-Encoding: base64\r\n"),
            std::string::npos);
}

TEST_F(AttachmentTypesTest, SpamAssassinFindsNoTextFileInDisguise) {
  if (!platform::runProcess("command -v spamassassin").succeeded()) {
    GTEST_SKIP() << "spamassassin is not installed (scripts/install-deps installs it)";
  }
  writeAttachment("abc.m1", test::starsTurn(2405, 1));
  writeAttachment("diary.txt", "Year 2405: we took Vega.\n");
  deliver();
  const std::string raw = server.message(1, "raw");
  EXPECT_EQ(spamReport(raw).find("OBFU_TEXT_ATTACH"), std::string::npos);
  // The same message with the text file typed as before is caught, so the check can fail.
  const std::string disguised =
      std::regex_replace(raw, std::regex("text/plain; charset=us-ascii;(\r\n\tname=\"diary.txt\")"),
                         "application/octet-stream;$1");
  ASSERT_NE(disguised, raw);
  EXPECT_NE(spamReport(disguised).find("OBFU_TEXT_ATTACH"), std::string::npos);
}

}  // namespace
}  // namespace zelvaro::send
