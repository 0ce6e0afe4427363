// MIME pieces of the composer that need no connection.

#include <gtest/gtest.h>

#include <string>

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

}  // namespace
}  // namespace zelvaro::send
