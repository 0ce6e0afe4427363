// Notices through the turns' account against a real server: the headers an automatic answer
// carries, one connection for several, and a refusal said with what to set.

#include "send/notice_mailer.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "support/aiosmtpd_server.h"
#include "support/test_certificates.h"

namespace zelvaro::send {
namespace {

int count(const std::vector<std::string>& trace, const std::string& start) {
  return static_cast<int>(std::count_if(trace.begin(), trace.end(), [&](const std::string& line) {
    return line.rfind(start, 0) == 0;
  }));
}

TEST(NoticeMailer, TwoNoticesOverOneSecureConnectionWithTheAnswerHeaders) {
  test::TestCertificates certificates;
  test::AiosmtpdServer server({"security=require-starttls",
                               "cert=" + certificates.certificateFile(),
                               "key=" + certificates.keyFile(), "user=host", "password=s3cret"});
  core::Settings settings;
  settings.server = "localhost:" + std::to_string(server.port());
  settings.email = "host@example.org";
  settings.defalias = "Nebula Host";
  settings.account.security = "starttls";
  settings.account.user = "host";
  settings.account.passwordCommand = "echo s3cret";
  settings.account.caFile = certificates.caFile();
  std::vector<std::string> trace;
  NoticeMailer mailer(settings, {[&trace](const std::string& line) { trace.push_back(line); }});

  Notice receipt;
  receipt.to = "ann@example.org";
  receipt.subject = "Orders received: Nebula Cup 2426 player 3";
  receipt.body = {"Your orders are in.", "", "Still out: player 5 (Bo Ström)."};
  receipt.inReplyTo = "<4711@mail.example.org>";
  receipt.autoSubmitted = "auto-replied";
  const NoticeOutcome first = mailer.send(receipt);
  EXPECT_TRUE(first.sent) << first.failure;
  EXPECT_EQ(first.reply, "250 Message accepted for delivery");
  Notice reminder;
  reminder.to = " bo@example.org ";
  reminder.subject = "Reminder";
  reminder.body = {"Your orders are due."};
  reminder.inReplyTo = "<forged@x>\r\nBcc: everyone@example.org";
  reminder.fromName = "The \"Host\"";
  EXPECT_TRUE(mailer.send(reminder).sent);
  mailer.close();

  ASSERT_TRUE(server.hasMessage(2));
  EXPECT_EQ(server.message(1, "envelope"), "host@example.org\nann@example.org\n");
  EXPECT_EQ(server.message(1, "from"), "Nebula Host <host@example.org>");
  EXPECT_EQ(server.message(1, "subject"), receipt.subject);
  EXPECT_EQ(server.message(1, "text"),
            "Your orders are in.\r\n\r\nStill out: player 5 (Bo Ström).\r\n");
  EXPECT_EQ(server.message(1, "attachments"), "");
  EXPECT_EQ(server.message(1, "defects"), "");
  const std::string raw = server.message(1, "raw");
  EXPECT_NE(raw.find("\r\nIn-Reply-To: <4711@mail.example.org>\r\n"), std::string::npos) << raw;
  EXPECT_NE(raw.find("\r\nReferences: <4711@mail.example.org>\r\n"), std::string::npos);
  EXPECT_NE(raw.find("\r\nAuto-Submitted: auto-replied\r\n"), std::string::npos);
  EXPECT_NE(raw.find("\r\nMessage-ID: " + first.messageId + "\r\n"), std::string::npos);

  const std::string second = server.message(2, "raw");
  EXPECT_EQ(server.message(2, "envelope"), "host@example.org\nbo@example.org\n");
  EXPECT_EQ(server.message(2, "from"), "\"The \\\"Host\\\"\" <host@example.org>");
  EXPECT_NE(second.find("\r\nAuto-Submitted: auto-generated\r\n"), std::string::npos);
  EXPECT_EQ(second.find("In-Reply-To"), std::string::npos) << "a value that breaks the line";
  EXPECT_EQ(second.find("Bcc"), std::string::npos);

  EXPECT_EQ(count(trace, "> STARTTLS"), 1) << "one connection for both";
  EXPECT_EQ(count(trace, "> AUTH"), 1);
  EXPECT_EQ(count(trace, "> RSET"), 1);
  EXPECT_EQ(count(trace, "> QUIT"), 1);
}

TEST(NoticeMailer, ARefusalSaysWhatToSetAndTheNextNoticeStillGoes) {
  test::AiosmtpdServer server({"sender=host@example.org"});
  core::Settings settings;
  settings.server = "127.0.0.1:" + std::to_string(server.port());
  settings.email = "someone@example.org";
  {
    NoticeMailer mailer(settings);
    Notice notice{"ann@example.org", "Orders received", {"In."}};
    const NoticeOutcome refused = mailer.send(notice);
    EXPECT_FALSE(refused.sent);
    EXPECT_NE(refused.failure.find("553 5.7.1 <someone@example.org>: Sender address rejected"),
              std::string::npos)
        << refused.failure;
    EXPECT_NE(refused.failure.find("someone@example.org"), std::string::npos);
    EXPECT_EQ(mailer.send({"not an address", "x", {}}).failure,
              "\"not an address\" is not one address to mail to");
  }
  settings.email = "host@example.org";
  NoticeMailer mailer(settings);
  EXPECT_TRUE(mailer.send({"ann@example.org", "Orders received", {"In."}}).sent);
  EXPECT_TRUE(server.hasMessage(1));
  EXPECT_FALSE(server.hasMessage(2));
}

}  // namespace
}  // namespace zelvaro::send
