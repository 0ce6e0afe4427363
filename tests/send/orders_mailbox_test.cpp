// One pass over the orders mailbox against a real Dovecot (and, for a UIDVALIDITY that
// changes, the scripted server): what is judged, where it goes, and that nothing is judged
// twice; and the watch woken by a delivery.

#include "send/orders_mailbox.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "send/mailbox_account.h"
#include "support/dovecot_server.h"
#include "support/scripted_imap_server.h"
#include "support/temp_dir.h"
#include "support/wait.h"

namespace zelvaro::send {
namespace {

using test::DovecotServer;

std::string mail(const std::string& subject, const std::string& body = "Text.\r\n") {
  return "From: Player <p@example.org>\r\nTo: host@example.org\r\nSubject: " + subject +
         "\r\nMessage-ID: <" + subject + "@example.org>\r\n\r\n" + body;
}

core::Settings mailboxSettings(const std::string& server, const std::string& security,
                               const std::string& caFile) {
  core::Settings settings;
  settings.mailbox.server = server;
  settings.mailbox.security = security;
  settings.mailbox.user = DovecotServer::kUser;
  settings.mailbox.passwordCommand = std::string("printf %s ") + DovecotServer::kPassword;
  settings.account.caFile = caFile;
  return settings;
}

// Judges by the subject: "orders ..." done, "late ..." rejected, anything else left.
struct Judge {
  MailboxVerdict operator()(const MailboxMessage& message) {
    seen.push_back(message);
    if (message.bytes.find("Subject: orders") != std::string::npos) return MailboxVerdict::Done;
    if (message.bytes.find("Subject: late") != std::string::npos) return MailboxVerdict::Rejected;
    return MailboxVerdict::Leave;
  }
  std::vector<MailboxMessage> seen;
};

TEST(OrdersMailbox, FilesJudgedMailAndNeverJudgesItTwice) {
  DovecotServer server;
  for (const char* subject : {"orders-1", "hello", "late-2", "orders-3"})
    server.deliver(mail(subject));
  const std::string big = mail("orders-big", std::string(5 * 1024 * 1024, 'x') + "\r\n");
  server.deliver(big);
  test::TempDir state;
  MailboxPassOptions options;
  options.statePath = state.file("mailbox-state.tsv");
  const core::Settings settings =
      mailboxSettings("localhost:" + std::to_string(server.imapsPort()), "tls", server.caFile());

  Judge judge;
  MailboxPassReport report = takeMailboxPass(
      settings, [&](const MailboxMessage& m) { return judge(m); }, options);
  ASSERT_TRUE(report.ok) << (report.failures.empty() ? "" : report.failures[0]) << server.log();
  EXPECT_EQ(report.judged, 5);
  EXPECT_EQ(report.done, 3);
  EXPECT_EQ(report.rejected, 1);
  ASSERT_EQ(judge.seen.size(), 5u);
  EXPECT_EQ(judge.seen[0].bytes, mail("orders-1"));
  EXPECT_FALSE(judge.seen[0].headerOnly);
  // Over 4 MB only the header comes, with the whole size.
  EXPECT_TRUE(judge.seen[4].headerOnly);
  EXPECT_EQ(judge.seen[4].size, big.size());
  EXPECT_EQ(judge.seen[4].bytes, big.substr(0, big.find("\r\n\r\n") + 4));

  EXPECT_EQ(server.messages("INBOX"), std::vector<std::string>{mail("hello")});
  EXPECT_EQ(server.messages("Zelvaro").size(), 3u);
  EXPECT_EQ(server.messages("Zelvaro.Rejected"), std::vector<std::string>{mail("late-2")});

  Judge again;
  report = takeMailboxPass(
      settings, [&](const MailboxMessage& m) { return again(m); }, options);
  EXPECT_TRUE(report.ok);
  EXPECT_TRUE(again.seen.empty()) << "the message left in the folder is not judged again";

  server.deliver(mail("orders-4"));
  report = takeMailboxPass(
      settings, [&](const MailboxMessage& m) { return again(m); }, options);
  ASSERT_EQ(again.seen.size(), 1u);
  EXPECT_EQ(again.seen[0].bytes, mail("orders-4"));
  EXPECT_EQ(server.messages("Zelvaro").size(), 4u);
}

TEST(OrdersMailbox, AChangedUidValidityStartsFromTheBeginning) {
  test::ScriptedImapServer server;
  // First pass: two messages, neither for us.
  server.greetAndLogIn().answerSelect("A2", 2, 41);
  server.reply("* SEARCH 8 9").line("A3 OK Search completed");
  server.reply("* 1 FETCH (UID 8 RFC822.SIZE 15)").line("* 2 FETCH (UID 9 RFC822.SIZE 15)");
  server.line("A4 OK Fetch completed").expectLine();
  server.send(test::ScriptedImapServer::fetchResponse(1, 8, "Subject: a\r\n\r\n") +
              test::ScriptedImapServer::fetchResponse(2, 9, "Subject: b\r\n\r\n"));
  server.line("A5 OK Fetch completed").reply("* BYE").line("A6 OK Logout completed").expectClose();
  // Second: nothing new (a server answers 10:* with the last UID when none is higher).
  server.greetAndLogIn().answerSelect("A2", 2, 41);
  server.reply("* SEARCH 9").line("A3 OK Search completed");
  server.reply("* BYE").line("A4 OK Logout completed").expectClose();
  // Third: the folder was rebuilt; its UIDs start again.
  server.greetAndLogIn().answerSelect("A2", 2, 42);
  server.reply("* SEARCH").line("A3 OK Search completed");
  server.reply("* BYE").line("A4 OK Logout completed").expectClose();

  test::TempDir state;
  MailboxPassOptions options;
  options.statePath = state.file("mailbox-state.tsv");
  const core::Settings settings =
      mailboxSettings("127.0.0.1:" + std::to_string(server.port()), "none", "");
  std::vector<int> judged;
  for (int pass = 0; pass < 3; ++pass) {
    const MailboxPassReport report = takeMailboxPass(
        settings, [](const MailboxMessage&) { return MailboxVerdict::Leave; }, options);
    EXPECT_TRUE(report.ok) << (report.failures.empty() ? "" : report.failures[0]);
    judged.push_back(report.judged);
  }
  EXPECT_EQ(judged, (std::vector<int>{2, 0, 0}));
  std::vector<std::string> searches;
  for (const std::string& line : server.transcript()) {
    if (line.find("UID SEARCH") != std::string::npos) searches.push_back(line);
  }
  EXPECT_EQ(searches,
            (std::vector<std::string>{"C: A3 UID SEARCH UID 1:*", "C: A3 UID SEARCH UID 10:*",
                                      "C: A3 UID SEARCH UID 1:*"}));
  EXPECT_TRUE(test::waitUntil([&] { return server.finished(); }));
}

TEST(OrdersMailbox, PasswordsInClearOnlyToThisMachine) {
  core::Settings settings = mailboxSettings("imap.example.invalid", "none", "");
  net::ImapClient client;
  EXPECT_EQ(applyMailboxAccount(client, settings),
            "imapsecurity none would send the mailbox password in clear to imap.example.invalid: "
            "it is only for a server on this machine; use tls or starttls");
  settings.mailbox.server = "127.0.0.1:1143";
  EXPECT_EQ(applyMailboxAccount(client, settings), "");
  EXPECT_EQ(client.port, "1143");
  EXPECT_EQ(client.password, DovecotServer::kPassword);
  settings.mailbox.server = "imap.example.invalid";
  settings.mailbox.security = "starttls";
  settings.mailbox.auth = "cram";
  EXPECT_EQ(applyMailboxAccount(client, settings),
            "Unknown imapauth \"cram\" in the settings: use auto, plain, login or xoauth2");
  settings.mailbox.auth = "xoauth2";
  EXPECT_EQ(applyMailboxAccount(client, settings), "");
  EXPECT_EQ(client.port, "143");
}

TEST(OrdersMailbox, TheWatchWakesOnDelivery) {
  DovecotServer server;
  const core::Settings settings = mailboxSettings("localhost:" + std::to_string(server.imapPort()),
                                                  "starttls", server.caFile());
  int calls = 0;
  std::vector<std::string> problems;
  MailboxWatch watch(
      settings, [&] { ++calls; }, [&](const std::string& p) { problems.push_back(p); });
  watch.start();
  ASSERT_TRUE(test::waitUntil([&] { return calls == 1 && watch.idling(); }))
      << (problems.empty() ? "" : problems[0]);
  test::waitUntil([] { return false; }, 300);
  server.deliver(mail("orders-7"));
  ASSERT_TRUE(test::waitUntil([&] { return calls == 2; }, 30000));
  EXPECT_TRUE(test::waitUntil([&] { return watch.idling(); }));
  EXPECT_TRUE(problems.empty());
}

}  // namespace
}  // namespace zelvaro::send
