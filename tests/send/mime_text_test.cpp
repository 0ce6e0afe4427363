// MIME pieces of the composer that need no connection.

#include <gtest/gtest.h>

#include <string>

#include "net/smtp_text.h"
#include "send/mime_text.h"

namespace zelvaro::send {
namespace {

TEST(MimeBoundary, IsMonthDayYearHourMinuteThenTheRandomBits) {
  std::tm when{};
  when.tm_year = 99;
  when.tm_mon = 6;
  when.tm_mday = 5;
  when.tm_hour = 14;
  when.tm_min = 32;
  when.tm_sec = 59;
  EXPECT_EQ(mimeBoundary(when, 0x0123456789abcdefULL),
            "= Multipart Boundary 0705991432.0123456789abcdef");
  when.tm_year = 126;
  when.tm_hour = 3;
  when.tm_min = 7;
  EXPECT_EQ(mimeBoundary(when, 5), "= Multipart Boundary 0705260307.0000000000000005");
}

TEST(AttachmentNames, AreTheLastPathComponentQuotedSafely) {
  EXPECT_EQ(attachmentFileName("/home/host/games/abc.m3"), "abc.m3");
  EXPECT_EQ(attachmentFileName("abc.m3"), "abc.m3");
  EXPECT_EQ(quotedParameter("abc.m3"), "abc.m3");
  EXPECT_EQ(quotedParameter("say \"hi\" \\ bye"), "say \\\"hi\\\" \\\\ bye");
  EXPECT_EQ(quotedParameter("two\r\nlines"), "two  lines");
}

TEST(EncodedWords, StayWithinTheirLengthAndNeverSplitACharacter) {
  EXPECT_EQ(encodedWords("Turn 5 of abc"), "Turn 5 of abc");
  EXPECT_EQ(encodedWords("Grüße"), "=?UTF-8?B?R3LDvMOfZQ==?=");
  // 44 ASCII bytes, then a two-byte character that must not be cut at byte 45.
  const std::string text = std::string(44, 'a') + "é" + std::string(50, 'b');
  const std::string words = encodedWords(text);
  size_t begin = 0;
  int count = 0;
  for (;; ++count) {
    const size_t end = words.find("\r\n ", begin);
    const std::string word = words.substr(begin, end - begin);
    EXPECT_LE(word.size(), 75u) << word;
    EXPECT_EQ(word.rfind("=?UTF-8?B?", 0), 0u) << word;
    if (end == std::string::npos) break;
    begin = end + 3;
  }
  EXPECT_EQ(count, 2);
  EXPECT_EQ(words.substr(0, words.find("\r\n")),
            "=?UTF-8?B?" +
                net::base64Line(reinterpret_cast<const unsigned char*>(text.data()), 44) + "?=");
}

TEST(EncodedMailbox, EncodesOnlyANameThatIsNotAscii) {
  EXPECT_EQ(encodedMailbox("\"Game Host\" <h@example.org>"), "\"Game Host\" <h@example.org>");
  EXPECT_EQ(encodedMailbox("\"Grüße\" <h@example.org>"),
            "=?UTF-8?B?R3LDvMOfZQ==?= <h@example.org>");
  EXPECT_EQ(encodedMailbox("h@example.org"), "h@example.org");
}

TEST(FileNameParameter, QuotesAsciiAndPercentEncodesTheRest) {
  EXPECT_EQ(fileNameParameter("name", "abc.m3"), "name=\"abc.m3\"");
  EXPECT_EQ(fileNameParameter("filename", "ä b%.m3"), "filename*=UTF-8''%C3%A4%20b%25.m3");
}

TEST(MessageId, TakesTheDomainOfTheReturnAddress) {
  const std::string first = messageId("host@nebula.example");
  EXPECT_EQ(first.substr(first.find('@')), "@nebula.example>");
  EXPECT_NE(first, messageId("host@nebula.example")) << "unique";
  EXPECT_EQ(messageId("nobody").substr(33), "@zelvaro.invalid>");
}

}  // namespace
}  // namespace zelvaro::send
