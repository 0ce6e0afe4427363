// The engine's text rules that need no connection: reply lines and codes, the Date header,
// header values and folding, body lines.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "net/smtp_date.h"
#include "net/smtp_limits.h"
#include "net/smtp_reply.h"
#include "net/smtp_text.h"

namespace zelvaro::net {
namespace {

TEST(ReplyLines, AreTakenOneAtATimeAndOnlyWhenComplete) {
  char buffer[smtp_limits::kReplyBufferSize] = {};
  const std::string pending = "250-first\r\n250 second\r\n25";
  std::memcpy(buffer, pending.data(), pending.size());
  int length = static_cast<int>(pending.size());

  EXPECT_EQ(takeReplyLine(buffer, length), "250-first");
  EXPECT_EQ(takeReplyLine(buffer, length), "250 second");
  EXPECT_EQ(takeReplyLine(buffer, length), std::nullopt);
  ASSERT_EQ(length, 2);
  EXPECT_STREQ(buffer, "25");

  // A lone CR or LF does not end a line; a zero byte does not hide the CR LF behind it.
  const std::string rest("0 a\rb\nc\0d\r\n", 11);
  std::memcpy(buffer + length, rest.data(), rest.size());
  length += static_cast<int>(rest.size());
  EXPECT_EQ(takeReplyLine(buffer, length), std::string("250 a\rb\nc\0d", 11));
  EXPECT_EQ(length, 0);
}

TEST(ReplyCodes, AreThreeDigitsThenASpaceADashOrTheEnd) {
  struct Case {
    std::string line;
    int code;
    bool continuation;
  };
  const Case good[] = {{"250 OK", 250, false},
                       {"250-more follows", 250, true},
                       {"250", 250, false},
                       {"554 no", 554, false}};
  for (const Case& c : good) {
    const ReplyCode parsed = parseReplyCode(c.line);
    EXPECT_TRUE(parsed.wellFormed) << '"' << c.line << '"';
    EXPECT_EQ(parsed.code, c.code) << '"' << c.line << '"';
    EXPECT_EQ(parsed.continuation, c.continuation) << '"' << c.line << '"';
  }
  const std::string bad[] = {"",
                             "abc",
                             std::string("\0"
                                         "250 ok",
                                         7),
                             " 250 ok",
                             "+354 go",
                             "65536 rejected",
                             "2500 ok",
                             "250ok",
                             "199 info",
                             "600 no",
                             "25 short",
                             "ok thanks"};
  for (const std::string& line : bad) {
    const ReplyCode parsed = parseReplyCode(line);
    EXPECT_FALSE(parsed.wellFormed) << '"' << line << '"';
    EXPECT_EQ(parsed.code, 0) << '"' << line << '"';
  }
}

TEST(EhloCapabilities, AreReadLineByLineWhateverTheCase) {
  SmtpCapabilities caps;
  for (const char* line :
       {"250-mail.example.com greets [127.0.0.1]", "250-starttls", "250-AUTH PLAIN login",
        "250-AUTH=LOGIN XOAUTH2", "250-SIZE 35882577", "250-8BITMIME", "250 HELP"}) {
    addCapabilityLine(caps, line);
  }
  EXPECT_TRUE(caps.startTls);
  EXPECT_TRUE(caps.eightBitMime);
  EXPECT_EQ(caps.authMechanisms, (std::vector<std::string>{"PLAIN", "LOGIN", "XOAUTH2"}));
  EXPECT_EQ(caps.size, 35882577u);
  EXPECT_EQ(caps.lines.size(), 7u);

  // The greeting line is no capability, and a SIZE that is no number sets no limit.
  SmtpCapabilities odd;
  for (const char* line : {"250-STARTTLS is my name", "250 SIZE 99999999999999999999999"}) {
    addCapabilityLine(odd, line);
  }
  EXPECT_FALSE(odd.startTls);
  EXPECT_EQ(odd.size, 0u);
}

TEST(MailDate, UsesEnglishNamesAndNoLeadingZeroOnTheDay) {
  std::tm when{};
  when.tm_year = 2026 - 1900;
  when.tm_mon = 11;
  when.tm_mday = 7;
  when.tm_hour = 9;
  when.tm_min = 5;
  when.tm_sec = 3;
  when.tm_wday = 1;
  when.tm_gmtoff = 3600;
  EXPECT_EQ(FormatMailDate(when), "Mon, 7 Dec 2026 09:05:03 +0100");

  when.tm_mon = 6;
  when.tm_mday = 25;
  when.tm_hour = 23;
  when.tm_wday = 6;
  when.tm_gmtoff = -(4 * 3600 + 30 * 60);
  EXPECT_EQ(FormatMailDate(when), "Sat, 25 Jul 2026 23:05:03 -0430");
}

TEST(HeaderValues, NeverCarryALineBreak) {
  EXPECT_EQ(singleLine("Turn 5\r\nBcc: victim@example.org"), "Turn 5  Bcc: victim@example.org");
  EXPECT_EQ(singleLine("a\rb\nc"), "a b c");
  EXPECT_EQ(singleLine("plain"), "plain");
}

std::vector<std::string> physicalLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(text.substr(start, end - start));
  }
  lines.push_back(text.substr(start));
  return lines;
}

std::string unfold(const std::string& text) {
  std::string out;
  for (const std::string& line : physicalLines(text)) out += line;
  return out;
}

TEST(HeaderFolding, LeavesLinesWithinTheLimitAlone) {
  const std::string line = "Subject: " + std::string(989, 'x');
  ASSERT_EQ(line.size(), 998u);
  EXPECT_EQ(foldHeaderLine(line), line);
  const std::string hooked = "From: a\r\nComments: b";
  EXPECT_EQ(foldHeaderLine(hooked), hooked);
}

TEST(HeaderFolding, KeepsEveryRecipientOfALongToLine) {
  std::vector<std::string> addresses;
  std::string to = "To: ";
  for (int i = 0; i < 120; ++i) {
    addresses.push_back("player" + std::to_string(i) + "@example.org");
    to += (i ? "," : "") + addresses.back();
  }
  const std::string folded = foldHeaderLine(to);
  for (const std::string& line : physicalLines(folded)) {
    EXPECT_LE(line.size(), 78u) << line;
    EXPECT_FALSE(line.empty());
  }
  // Unfolded, the list reads back to the same addresses (a fold after a comma adds a blank).
  std::string value = unfold(folded).substr(4);
  std::vector<std::string> found;
  for (size_t start = 0, comma;; start = comma + 1) {
    comma = value.find(',', start);
    std::string item = value.substr(start, comma - start);
    item.erase(0, item.find_first_not_of(' '));
    found.push_back(item);
    if (comma == std::string::npos) break;
  }
  EXPECT_EQ(found, addresses);
}

TEST(HeaderFolding, BreaksTextWithoutBlanksRatherThanLoseIt) {
  const std::string line = "Subject: " + std::string(2500, 'y');
  const std::string folded = foldHeaderLine(line);
  const std::vector<std::string> lines = physicalLines(folded);
  ASSERT_GT(lines.size(), 1u);
  std::string joined;
  for (size_t i = 0; i < lines.size(); ++i) {
    EXPECT_LE(lines[i].size(), 998u);
    if (i > 0) {
      ASSERT_EQ(lines[i][0], ' ');  // every folded line continues the header
      joined += lines[i].substr(1);
    } else {
      joined += lines[i];
    }
  }
  EXPECT_EQ(joined, line);
}

// What a reader does with quoted-printable lines: soft breaks joined, =XX decoded.
std::string decodeQuotedPrintable(const std::vector<std::string>& lines) {
  std::string text;
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string line = lines[i];
    if (i + 1 < lines.size()) {
      EXPECT_EQ(line.back(), '=') << "soft break on every line but the last";
      line.pop_back();
    }
    for (size_t j = 0; j < line.size(); ++j) {
      if (line[j] != '=') {
        text += line[j];
        continue;
      }
      text += static_cast<char>(std::stoi(line.substr(j + 1, 2), nullptr, 16));
      j += 2;
    }
  }
  return text;
}

TEST(QuotedPrintable, KeepsEveryByteInLinesOfAtMost76) {
  EXPECT_EQ(quotedPrintableLines(""), (std::vector<std::string>{""}));
  EXPECT_EQ(quotedPrintableLines("a=b \t.x "), (std::vector<std::string>{"a=3Db \t.x=20"}));
  std::string bytes;
  for (int i = 0; i < 5000; ++i) bytes += static_cast<char>(i % 7 == 0 ? ' ' : (i * 37) % 256);
  for (const std::string& text : {std::string(5000, 'x'), bytes, std::string(1010, '=')}) {
    const std::vector<std::string> lines = quotedPrintableLines(text);
    for (const std::string& line : lines) {
      EXPECT_LE(line.size(), 76u);
      EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos);
      EXPECT_NE(line.back(), ' ') << "no blank at a line's end";
    }
    EXPECT_EQ(decodeQuotedPrintable(lines), text);
  }
}

std::string encode(const std::string& bytes) {
  return base64Line(bytes);
}

TEST(Base64Line, MatchesTheStandardVectorsAndPadding) {
  EXPECT_EQ(encode(""), "");
  EXPECT_EQ(encode("f"), "Zg==");
  EXPECT_EQ(encode("fo"), "Zm8=");
  EXPECT_EQ(encode("foo"), "Zm9v");
  EXPECT_EQ(encode("foobar"), "Zm9vYmFy");
  EXPECT_EQ(encode(std::string("\xff\xfe\x00\x3f", 4)), "//4APw==");
  std::string full;
  for (int i = 0; i < 15; ++i) full += "+/v7";
  EXPECT_EQ(encode(std::string(45, '\xfb')), full);
}

TEST(BodyLines, AreCutAtEveryKindOfLineBreak) {
  using Pieces = std::vector<std::string_view>;
  EXPECT_EQ(splitBodyLine("plain"), Pieces{"plain"});
  EXPECT_EQ(splitBodyLine(""), Pieces{""});
  EXPECT_EQ(splitBodyLine("a\r\nb\rc\nd"), (Pieces{"a", "b", "c", "d"}));
  EXPECT_EQ(splitBodyLine("a\n\n.b"), (Pieces{"a", "", ".b"}));
  EXPECT_EQ(splitBodyLine("x\r\n.\r\n"), (Pieces{"x", ".", ""}));
}

}  // namespace
}  // namespace zelvaro::net
