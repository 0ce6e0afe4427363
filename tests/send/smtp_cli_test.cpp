// The message composer: the exact wire lines of plain and multipart messages against our
// scripted server, what happens when an attachment fails, and the list of files.

#include <gtest/gtest.h>
#include <strings.h>

#include <cstring>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "core/errors.h"
#include "send/smtp_cli.h"
#include "smtp_cli_fixture.h"
#include "support/scripted_smtp_server.h"
#include "support/temp_dir.h"
#include "support/wait.h"

namespace zelvaro::send {
namespace {

using net::rqMail;
using net::rqOpen;
using net::rqQuit;
using test::ScriptedSmtpServer;
using test::SmtpRequests;
using End = SmtpRequests::End;
using Lines = std::vector<std::string>;

class SmtpCliTest : public test::SmtpCliFixture {
 protected:
  // Sends one message to the scripted server and returns the lines between DATA and ".".
  Lines send() {
    server.acceptMessage(static_cast<int>(client.RcptName.size()));
    client.Port = std::to_string(server.port());
    EXPECT_EQ(open(), (End{rqOpen, 0}));
    EXPECT_EQ(mail(), (End{rqMail, 0}));
    EXPECT_EQ(quit(), (End{rqQuit, 0}));
    EXPECT_TRUE(test::waitUntil([this] { return server.finished(); }))
        << ::testing::PrintToString(server.transcript());
    static const std::regex id("Message-ID: <[0-9a-f]{32}@example\\.org>");
    Lines lines = server.messageLines();
    for (std::string& line : lines) {
      if (line.rfind("Date: ", 0) == 0) line = "Date: <date>";
      if (line.rfind("Message-ID: ", 0) != 0) continue;
      EXPECT_TRUE(std::regex_match(line, id)) << line;
      line = "Message-ID: <id>";
    }
    return lines;
  }

  // The boundary announced in the header, checked for its form.
  static std::string boundaryOf(const Lines& lines) {
    static const std::regex announced(
        "\tboundary=\"(= Multipart Boundary [0-9]{10}\\.[0-9a-f]{16})\"");
    std::smatch match;
    if (lines.size() < 7 || !std::regex_match(lines[6], match, announced)) {
      ADD_FAILURE() << "no boundary line: " << ::testing::PrintToString(lines);
      return "";
    }
    return match[1];
  }

  static Lines partHeader(const std::string& boundary, const std::string& name) {
    return {"",
            "--" + boundary,
            "Content-Type: application/octet-stream;",
            "\tname=\"" + name + "\"",
            "Content-Transfer-Encoding: base64",
            "Content-Disposition: attachment;",
            "\tfilename=\"" + name + "\"",
            ""};
  }

  static Lines multipartHead(const std::string& boundary, const std::string& encoding) {
    return {"From: \"Game Host\" <host@example.org>",
            "Comments: This email was sent with Zelvaro.",
            "To: player@example.org",
            "Subject: Turn 2405 of abc",
            "Mime-Version: 1.0",
            "Content-Type: multipart/mixed;",
            "\tboundary=\"" + boundary + "\"",
            "Date: <date>",
            "Message-ID: <id>",
            "",
            "This is a multipart MIME message.",
            "",
            "--" + boundary,
            "Content-Type: text/plain; charset=\"utf-8\"",
            "Content-Transfer-Encoding: " + encoding,
            ""};
  }

  ScriptedSmtpServer server;
};

Lines operator+(Lines a, const Lines& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST_F(SmtpCliTest, APlainMessageIsHeaderEmptyLineAndBody) {
  memo = {"Hello player 3,", ".end", "", "bye"};
  EXPECT_EQ(send(), (Lines{"From: \"Game Host\" <host@example.org>",
                           "Comments: This email was sent with Zelvaro.", "To: player@example.org",
                           "Subject: Turn 2405 of abc", "Mime-Version: 1.0",
                           "Content-Type: text/plain; charset=\"utf-8\"", "Date: <date>",
                           "Message-ID: <id>", "", "Hello player 3,", "..end", "", "bye"}));
}

TEST_F(SmtpCliTest, AttachmentsBecomeBase64PartsWithOneEmptyLineBetween) {
  memo = {"Your turn.", "Good luck!"};
  const std::string full(45, 'A');
  writeAttachment("abc.m3", full);
  writeAttachment("abc.xy", full + "B");
  const Lines lines = send();
  const std::string b = boundaryOf(lines);
  std::string sixty;
  for (int i = 0; i < 15; ++i) sixty += "QUFB";
  EXPECT_EQ(lines, (multipartHead(b, "7bit") + Lines{"Your turn.", "Good luck!"} +
                    partHeader(b, "abc.m3") + Lines{sixty} + partHeader(b, "abc.xy") +
                    Lines{sixty, "Qg==", "", "--" + b + "--"}));
}

TEST_F(SmtpCliTest, AnEmptyFileGivesOneEmptyBase64Line) {
  memo = {"x"};
  writeAttachment("empty.m1", "");
  const Lines lines = send();
  const std::string b = boundaryOf(lines);
  EXPECT_EQ(lines, (multipartHead(b, "7bit") + Lines{"x"} + partHeader(b, "empty.m1") +
                    Lines{"", "", "--" + b + "--"}));
}

TEST_F(SmtpCliTest, TextWithHighBytesIsQuotedPrintableWithout8BitMime) {
  memo = {"Grüße aus der Galaxis", std::string(80, '-') + "é"};
  writeAttachment("abc.m2", "z");
  const Lines lines = send();
  const std::string b = boundaryOf(lines);
  EXPECT_EQ(lines,
            (multipartHead(b, "quoted-printable") +
             Lines{"Gr=C3=BC=C3=9Fe aus der Galaxis", std::string(75, '-') + "=", "-----=C3=A9"} +
             partHeader(b, "abc.m2") + Lines{"eg==", "", "--" + b + "--"}));
}

TEST_F(SmtpCliTest, SubjectAndNameThatAreNotAsciiBecomeEncodedWords) {
  memo = {"Grüße"};
  client.HdrSubject = "Zug für Spieler 3";
  client.HdrFrom = "\"Jörg \\\"der Wirt\\\"\" <host@example.org>";
  const Lines plain = send();
  EXPECT_EQ(Lines(plain.begin(), plain.begin() + 10),
            (Lines{"From: =?UTF-8?B?SsO2cmcgImRlciBXaXJ0Ig==?= <host@example.org>",
                   "Comments: This email was sent with Zelvaro.", "To: player@example.org",
                   "Subject: =?UTF-8?B?WnVnIGbDvHIgU3BpZWxlciAz?=", "Mime-Version: 1.0",
                   "Content-Type: text/plain; charset=\"utf-8\"", "Date: <date>",
                   "Message-ID: <id>", "Content-Transfer-Encoding: quoted-printable", ""}));
}

TEST_F(SmtpCliTest, AnOverlongHeaderLineIsFoldedWholeWithTheCommentAfterIt) {
  client.HdrFrom = std::string(1100, 'f');
  memo = {"x"};
  const Lines lines = send();
  std::string from;
  size_t i = 0;
  for (; i < lines.size() && (i == 0 || lines[i][0] == ' '); ++i) from += lines[i];
  EXPECT_EQ(std::regex_replace(from, std::regex(" "), ""), "From:" + std::string(1100, 'f'));
  EXPECT_EQ(lines[i], "Comments: This email was sent with Zelvaro.");
}

// An attachment that fails when its turn comes: the message must not reach the server as if
// it were whole.
class AttachmentFailureTest : public SmtpCliTest {
 protected:
  void expectAborted(const std::string& errorPart, int linesBeforeAbort) {
    server.acceptEnvelope().reply("354 go").expectClose();
    client.Port = std::to_string(server.port());
    EXPECT_EQ(open(), (End{rqOpen, 0}));
    EXPECT_EQ(mail(), (End{rqMail, 10053}));
    EXPECT_NE(client.ErrorMessage().find(errorPart), std::string::npos) << client.ErrorMessage();
    ASSERT_TRUE(test::waitUntil([this] { return server.finished(); }));
    const Lines& transcript = server.transcript();
    EXPECT_EQ(transcript.back(), "* closed by client");
    EXPECT_EQ(std::count(transcript.begin(), transcript.end(), "C: ."), 0);
    EXPECT_EQ(static_cast<int>(server.messageLines().size()), linesBeforeAbort);
    SmtpRequests::settle();
    EXPECT_EQ(requests.ends.size(), 2u);
    EXPECT_FALSE(client.Connected());
  }
};

TEST_F(AttachmentFailureTest, AFileRemovedAfterItWasListed) {
  memo = {"x"};
  const std::string path = writeAttachment("abc.m3", "data");
  std::filesystem::remove(path);
  // 10 header lines, 6 of the text part, the text line; the failing file's empty line is not
  // sent.
  expectAborted("Cannot open attachment " + path + ": No such file or directory", 10 + 6 + 1);
}

TEST_F(AttachmentFailureTest, AFileThatCannotBeRead) {
  memo = {"x"};
  const std::string path = dir.file("folder.m3");
  std::filesystem::create_directory(path);
  client.EmailFiles.push_back(path);
  expectAborted("Cannot read attachment " + path + ": Is a directory", 10 + 6 + 1 + 8);
}

// A client whose disk fails in the middle of a file.
class FailingReadClient : public TSmtpCli {
 protected:
  void EncodeAttachmentLine(AttachmentReader& file, std::string& line, bool& more) override {
    if (++lines_ == 3) throw core::EInOutError("Cannot read attachment", file.path(), EIO);
    TSmtpCli::EncodeAttachmentLine(file, line, more);
  }

 private:
  int lines_ = 0;
};

TEST(AttachmentFailure, AReadThatFailsMidFile) {
  test::TempDir dir;
  ScriptedSmtpServer server;
  FailingReadClient client;
  test::SmtpRequests requests(client);
  client.Host = "127.0.0.1";
  client.Port = std::to_string(server.port());
  client.FromName = "host@example.org";
  client.RcptName = {"player@example.org"};
  test::writeFile(dir.file("abc.m3"), std::string(1000, 'q'));
  client.EmailFiles.push_back(dir.file("abc.m3"));
  server.acceptEnvelope().reply("354 go").expectClose();
  EXPECT_EQ(requests.run([&] { client.Open(); }), (End{rqOpen, 0}));
  EXPECT_EQ(requests.run([&] { client.Mail(); }), (End{rqMail, 10053}));
  EXPECT_EQ(client.ErrorMessage(),
            "Cannot read attachment " + dir.file("abc.m3") + ": Input/output error");
  ASSERT_TRUE(test::waitUntil([&] { return server.finished(); }));
  const Lines lines = server.messageLines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[lines.size() - 1].size(), 60u);  // two good lines went out, then the abort
  EXPECT_EQ(lines[lines.size() - 2].size(), 60u);
  EXPECT_EQ(server.transcript().back(), "* closed by client");
}

TEST(EmailFiles, AssigningAListTrimsSkipsEmptyLinesAndRefusesMissingFiles) {
  test::TempDir dir;
  test::writeFile(dir.file("a.m1"), "1");
  test::writeFile(dir.file("b.xy"), "2");
  TSmtpCli client;
  client.EmailFiles = {"  " + dir.file("a.m1") + "\t", "", "   ", dir.file("b.xy")};
  EXPECT_EQ(Lines(client.EmailFiles.begin(), client.EmailFiles.end()),
            (Lines{dir.file("a.m1"), dir.file("b.xy")}));
  try {
    client.EmailFiles = {dir.file("a.m1"), " " + dir.file("gone.m3")};
    ADD_FAILURE() << "a missing file was accepted";
  } catch (const net::SmtpException& e) {
    EXPECT_EQ(std::string(e.what()), "File not found '" + dir.file("gone.m3") + "'");
  }
  EXPECT_EQ(client.EmailFiles.size(), 2u) << "a refused list leaves the old one";
  EXPECT_EQ(client.CharSet, "utf-8");
}

}  // namespace
}  // namespace zelvaro::send
