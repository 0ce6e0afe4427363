#include "send/mail_parts.h"

#include <gtest/gtest.h>

#include "net/smtp_text.h"
#include "support/stars_turn.h"

namespace zelvaro::send {
namespace {

// Player 3's orders for 2426 of game 5c3a19e7 as the game writes them (28 bytes).
std::string orders() {
  return test::starsOrders(2426, 3, "orders", false, 0x5C3A19E7);
}

std::string base64(const std::string& bytes) {
  std::string lines;
  for (size_t at = 0; at < bytes.size(); at += 57) {
    lines += net::base64Line(std::string_view(bytes).substr(at, 57)) + "\r\n";
  }
  return lines;
}

// As Thunderbird sends a file it does not know: application/octet-stream, the name that is
// not ASCII in RFC 2231 form, in continuations.
std::string thunderbird() {
  return "Return-Path: <ann@example.org>\r\n"
         "Message-ID: <8f3e2a1c-77d0-4c5e@example.org>\r\n"
         "Date: Tue, 8 Dec 2026 14:02:11 +0100\r\n"
         "MIME-Version: 1.0\r\n"
         "User-Agent: Mozilla Thunderbird\r\n"
         "From: =?UTF-8?Q?Ann_M=C3=BCller?= <ann@example.org>\r\n"
         "To: host@example.net\r\n"
         "Subject: =?UTF-8?Q?Z=C3=BCge_2426?=\r\n"
         "Content-Type: multipart/mixed; boundary=\"------------0aB9\"\r\n"
         "\r\n"
         "This is a multi-part message in MIME format.\r\n"
         "--------------0aB9\r\n"
         "Content-Type: text/plain; charset=UTF-8; format=flowed\r\n"
         "Content-Transfer-Encoding: 7bit\r\n"
         "\r\n"
         "Here are my orders.\r\n"
         "\r\n"
         "--------------0aB9\r\n"
         "Content-Type: application/octet-stream; name*0*=UTF-8''%C3%BCber%20orion;\r\n"
         " name*1=\".x3\"\r\n"
         "Content-Disposition: attachment; filename*0*=UTF-8''%C3%BCber%20orion;\r\n"
         " filename*1=\".x3\"\r\n"
         "Content-Transfer-Encoding: base64\r\n"
         "\r\n" +
         base64(orders()) + "\r\n--------------0aB9--\r\n";
}

TEST(MailParts, AttachmentsWhateverTheSenderDid) {
  const MailParts tb = takeApart(thunderbird());
  ASSERT_TRUE(tb.parsed);
  EXPECT_EQ(tb.sender, "ann@example.org");
  EXPECT_EQ(tb.messageId, "<8f3e2a1c-77d0-4c5e@example.org>");
  EXPECT_EQ(tb.subject, "Z\xC3\xBCge 2426");
  EXPECT_TRUE(tb.answerable());
  ASSERT_EQ(tb.attachments.size(), 1u) << "a text without a name is no file";
  EXPECT_EQ(tb.attachments[0].name,
            "\xC3\xBC"
            "ber orion.x3");
  EXPECT_EQ(tb.attachments[0].bytes, orders());

  // Outlook: the file inside a multipart/mixed beside a multipart/alternative, its name as an
  // RFC 2047 word, quoted-printable.
  const std::string outlook =
      "From: \"Bob\" <Bob@Example.COM>\r\nMessage-ID: <AM0PR01@outlook.com>\r\n"
      "Subject: orders\r\nMIME-Version: 1.0\r\n"
      "Content-Type: multipart/mixed; boundary=\"_004_\"\r\n\r\n"
      "--_004_\r\nContent-Type: multipart/alternative; boundary=\"_000_\"\r\n\r\n"
      "--_000_\r\nContent-Type: text/plain; charset=\"us-ascii\"\r\n\r\nOrders.\r\n"
      "--_000_\r\nContent-Type: text/html; charset=\"us-ascii\"\r\n\r\n<p>Orders.</p>\r\n"
      "--_000_--\r\n"
      "--_004_\r\nContent-Type: application/octet-stream; name=\"=?utf-8?B?b3Jpb24ueDQ=?=\"\r\n"
      "Content-Disposition: attachment; filename=\"=?utf-8?B?b3Jpb24ueDQ=?=\"\r\n"
      "Content-Transfer-Encoding: quoted-printable\r\n\r\n"
      "=10 J3J3=E7=19:\\`*=1A=00=C2`=01=A0=06=18orders=00=00\r\n"
      "--_004_--\r\n";
  const MailParts ol = takeApart(outlook);
  EXPECT_EQ(ol.sender, "Bob@Example.COM");
  ASSERT_EQ(ol.attachments.size(), 1u);
  EXPECT_EQ(ol.attachments[0].name, "orion.x4");
  EXPECT_EQ(ol.attachments[0].bytes, orders());

  // An old mail program: the file uuencoded inside the text, and once more as an x-uuencode part.
  const std::string uu =
      "begin 644 orion.x3\r\n<$\"!*,THSYQDZ7&`J&@#\"8`&@!AAO<F1E<G,`````\r\n`\r\nend\r\n";
  const MailParts inlined = takeApart(
      "From: carl@example.net\r\nSubject: turn\r\n\r\nMy orders:\r\n\r\n" + uu + "\r\nCarl\r\n");
  ASSERT_EQ(inlined.attachments.size(), 1u);
  EXPECT_EQ(inlined.attachments[0].name, "orion.x3");
  EXPECT_EQ(inlined.attachments[0].bytes, orders());
  const MailParts part = takeApart(
      "From: carl@example.net\r\nMIME-Version: 1.0\r\n"
      "Content-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\n"
      "Content-Type: application/octet-stream; name=orion.x3\r\n"
      "Content-Transfer-Encoding: x-uuencode\r\n\r\n" +
      uu + "--b--\r\n");
  ASSERT_EQ(part.attachments.size(), 1u);
  EXPECT_EQ(part.attachments[0].bytes, orders());
}

TEST(MailParts, NoAutomaticAnswerToAutomaticMail) {
  const std::string head = "From: someone@example.org\r\nMessage-ID: <x@y>\r\n";
  EXPECT_TRUE(takeApart(head + "Auto-Submitted: no\r\n\r\nhi\r\n").answerable());
  EXPECT_TRUE(takeApart(head + "Auto-Submitted: auto-replied\r\n\r\nhi\r\n").autoSubmitted);
  EXPECT_TRUE(takeApart("Return-Path: <>\r\n" + head + "\r\nhi\r\n").bounce);
  EXPECT_TRUE(takeApart(head + "MIME-Version: 1.0\r\nContent-Type: multipart/report; "
                               "report-type=delivery-status; boundary=r\r\n\r\n--r\r\n"
                               "Content-Type: text/plain\r\n\r\nundeliverable\r\n--r--\r\n")
                  .bounce);
  EXPECT_TRUE(takeApart(head + "List-Id: <stars.lists.example.org>\r\n\r\nhi\r\n").fromList);
  EXPECT_TRUE(takeApart(head + "Precedence: bulk\r\n\r\nhi\r\n").fromList);
  EXPECT_FALSE(takeApart(head + "Precedence: bulk\r\n\r\nhi\r\n").answerable());
  EXPECT_FALSE(takeApart("Subject: no sender\r\n\r\nhi\r\n").answerable());
}

}  // namespace
}  // namespace zelvaro::send
