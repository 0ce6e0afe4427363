// The IMAP engine against the scripted server: exact transcripts of what intake does, and every
// fault Dovecot will not produce (literals split at every byte, BYE mid-fetch, NO to MOVE, an
// endless response, STARTTLS withheld).

#include "net/imap_client.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "net/tls_errors.h"
#include "support/scripted_imap_server.h"
#include "support/test_certificates.h"
#include "support/wait.h"

namespace zelvaro::net {
namespace {

using test::ScriptedImapServer;
using Lines = std::vector<std::string>;

const std::string kOrders =
    "From: Player One <one@example.org>\r\nSubject: orders\r\n\r\nattached.\r\n";

struct Client {
  explicit Client(int port, ImapSecurity security = ImapSecurity::None) {
    imap.host = "127.0.0.1";
    imap.port = std::to_string(port);
    imap.security = security;
    imap.username = "host@example.org";
    imap.password = "s3cret";
    imap.onTrace = [this](const std::string& line) { trace.push_back(line); };
    imap.onRequestDone = [this](ImapClient&, ImapRequest, int error) { done = error; };
    imap.onFetched = [this](ImapClient&, ImapFetched& message) {
      fetched.push_back(std::move(message));
    };
  }

  // Starts a request and waits for its end: its error.
  int run(const std::function<void(ImapClient&)>& request) {
    done.reset();
    request(imap);
    EXPECT_TRUE(test::waitUntil([this] { return done.has_value(); }));
    return done.value_or(-1);
  }

  ImapClient imap;
  std::optional<int> done;
  Lines trace;
  std::vector<ImapFetched> fetched;
};

Lines clientLines(const Lines& transcript) {
  Lines lines;
  for (const std::string& entry : transcript) {
    if (entry.rfind("C: ", 0) == 0) lines.push_back(entry.substr(3));
  }
  return lines;
}

TEST(ImapClient, TakesNewMessagesAndMovesThemAway) {
  ScriptedImapServer server;
  server.greetAndLogIn().answerSelect("A2", 3, 1765200000);
  server.reply("* SEARCH 7 8").line("A3 OK Search completed");
  // The literals come a byte per segment.
  server.expectLine()
      .sendByteByByte(ScriptedImapServer::fetchResponse(2, 7, kOrders) +
                      ScriptedImapServer::fetchResponse(3, 8, "Subject: hi\r\n\r\n"))
      .line("A4 OK Fetch completed");
  server.reply("* OK [COPYUID 5 7 1] Moved").line("* 2 EXPUNGE").line("A5 OK Move completed");
  server.reply("* BYE Logging out").line("A6 OK Logout completed").expectClose();

  Client client(server.port());
  ASSERT_EQ(client.run([](ImapClient& c) { c.open(); }), 0) << client.imap.errorMessage();
  EXPECT_TRUE(client.imap.hasCapability("MOVE"));
  ASSERT_EQ(client.run([](ImapClient& c) { c.select("INBOX"); }), 0);
  EXPECT_EQ(client.imap.uidValidity(), 1765200000u);
  EXPECT_EQ(client.imap.exists(), 3u);
  ASSERT_EQ(client.run([](ImapClient& c) { c.searchFrom(7); }), 0);
  EXPECT_EQ(client.imap.foundUids(), (std::vector<std::uint32_t>{7, 8}));
  ASSERT_EQ(client.run([](ImapClient& c) { c.fetch({7, 8}, false); }), 0);
  ASSERT_EQ(client.fetched.size(), 2u);
  EXPECT_EQ(client.fetched[0].uid, 7u);
  EXPECT_EQ(client.fetched[0].size, kOrders.size());
  EXPECT_EQ(client.fetched[0].bytes, kOrders);
  EXPECT_EQ(client.fetched[1].bytes, "Subject: hi\r\n\r\n");
  ASSERT_EQ(client.run([](ImapClient& c) { c.move({7}, "Zelvaro"); }), 0);
  EXPECT_EQ(client.imap.exists(), 2u);
  ASSERT_EQ(client.run([](ImapClient& c) { c.logout(); }), 0);
  ASSERT_TRUE(test::waitUntil([&] { return server.finished(); }));

  EXPECT_EQ(clientLines(server.transcript()),
            (Lines{"A1 AUTHENTICATE PLAIN AGhvc3RAZXhhbXBsZS5vcmcAczNjcmV0", "A2 SELECT \"INBOX\"",
                   "A3 UID SEARCH UID 7:*", "A4 UID FETCH 7:8 (UID RFC822.SIZE BODY.PEEK[])",
                   "A5 UID MOVE 7 \"Zelvaro\"", "A6 LOGOUT"}));
  EXPECT_EQ(client.trace[1], "> A1 AUTHENTICATE PLAIN ********");
  EXPECT_FALSE(client.imap.connected());
}

TEST(ImapClient, WithoutMoveCopiesAndExpungesOnlyItsOwn) {
  for (const bool uidPlus : {true, false}) {
    ScriptedImapServer server;
    server.greetAndLogIn(uidPlus ? "IMAP4rev1 SASL-IR UIDPLUS AUTH=PLAIN" : "IMAP4rev1 AUTH=LOGIN");
    server.reply("A2 OK Copy completed").reply("A3 OK Store completed");
    if (uidPlus) server.reply("* 1 EXPUNGE").line("A4 OK Expunge completed");

    Client client(server.port());
    client.imap.auth = SaslMechanism::Plain;
    if (!uidPlus) client.imap.auth.reset();
    ASSERT_EQ(client.run([](ImapClient& c) { c.open(); }), 0) << client.imap.errorMessage();
    ASSERT_EQ(client.run([](ImapClient& c) { c.move({4, 5, 6, 9}, "Zelvaro.Rejected"); }), 0);
    Lines expected{"A2 UID COPY 4:6,9 \"Zelvaro.Rejected\"",
                   "A3 UID STORE 4:6,9 +FLAGS.SILENT (\\Deleted)"};
    if (uidPlus) expected.push_back("A4 UID EXPUNGE 4:6,9");
    Lines lines = clientLines(server.transcript());
    // Without AUTH=PLAIN and SASL-IR the plain LOGIN command logs in.
    EXPECT_EQ(lines.front(), uidPlus ? "A1 AUTHENTICATE PLAIN AGhvc3RAZXhhbXBsZS5vcmcAczNjcmV0"
                                     : "A1 LOGIN \"host@example.org\" \"s3cret\"");
    lines.erase(lines.begin());
    EXPECT_EQ(lines, expected) << uidPlus;
  }
}

TEST(ImapClient, IdleTellsOfNewMailAndEndsWithDone) {
  ScriptedImapServer server;
  server.greetAndLogIn().answerSelect("A2", 1, 9);
  server.reply("+ idling").pause(20).line("* 2 EXISTS").reply("A3 OK Idle completed");
  Client client(server.port());
  bool changed = false;
  client.imap.onMailboxChanged = [&](ImapClient& c) {
    changed = true;
    c.stopIdle();
  };
  ASSERT_EQ(client.run([](ImapClient& c) { c.open(); }), 0);
  ASSERT_EQ(client.run([](ImapClient& c) { c.select("INBOX"); }), 0);
  ASSERT_EQ(client.run([](ImapClient& c) { c.idle(); }), 0);
  EXPECT_TRUE(changed);
  EXPECT_EQ(client.imap.exists(), 2u);
  EXPECT_EQ(clientLines(server.transcript()).back(), "DONE");
}

struct Fault {
  const char* name;
  std::function<void(ScriptedImapServer&)> script;
  int error;
  const char* message;
  size_t fetched = 0;
};

TEST(ImapClient, EveryFaultEndsTheRequestWithItsReason) {
  const std::string endless(2 * 1024 * 1024, 'x');
  const std::vector<Fault> faults{
      {"BYE mid-fetch",
       [](ScriptedImapServer& s) {
         s.expectLine()
             .send(ScriptedImapServer::fetchResponse(1, 3, kOrders))
             .line("* BYE Server shutting down")
             .close();
       },
       imapServerClosed, "The server closed the connection: Server shutting down", 1},
      {"closed inside a literal",
       [](ScriptedImapServer& s) {
         s.expectLine()
             .send("* 1 FETCH (UID 3 RFC822.SIZE 500 BODY[] {500}\r\nFrom: a\r\n")
             .close();
       },
       imapServerClosed, "The server closed the connection"},
      {"endless response",
       [&](ScriptedImapServer& s) { s.expectLine().send("* 1 FETCH (" + endless); },
       imapProtocolError, "Response too long"},
      {"answer to another tag", [](ScriptedImapServer& s) { s.reply("B7 OK whatever"); },
       imapProtocolError, "Answer to no command of ours: B7 OK whatever"},
      {"literal larger than any message",
       [](ScriptedImapServer& s) { s.reply("* 1 FETCH (UID 3 BODY[] {4000000000}"); },
       imapProtocolError, "Literal too large: {4000000000}"},
      {"NO to FETCH", [](ScriptedImapServer& s) { s.reply("A2 NO Mailbox is locked"); },
       imapRefused, "A2 NO Mailbox is locked"},
  };
  for (const Fault& fault : faults) {
    ScriptedImapServer server;
    server.greetAndLogIn();
    fault.script(server);
    Client client(server.port());
    ASSERT_EQ(client.run([](ImapClient& c) { c.open(); }), 0) << fault.name;
    EXPECT_EQ(client.run([](ImapClient& c) { c.fetch({3}, false); }), fault.error) << fault.name;
    EXPECT_EQ(client.imap.errorMessage(), fault.message) << fault.name;
    EXPECT_EQ(client.fetched.size(), fault.fetched) << fault.name;
  }
}

TEST(ImapClient, NoToMoveLeavesTheMessagesAndTheConnection) {
  ScriptedImapServer server;
  server.greetAndLogIn().reply("A2 NO [TRYCREATE] Mailbox doesn't exist: Zelvaro");
  server.reply("A3 OK Noop completed");
  Client client(server.port());
  ASSERT_EQ(client.run([](ImapClient& c) { c.open(); }), 0);
  EXPECT_EQ(client.run([](ImapClient& c) { c.move({3}, "Zelvaro"); }), imapRefused);
  EXPECT_EQ(client.imap.errorMessage(), "A2 NO [TRYCREATE] Mailbox doesn't exist: Zelvaro");
  EXPECT_EQ(client.run([](ImapClient& c) { c.noop(); }), 0);
}

TEST(ImapClient, StartTlsOrNothing) {
  const test::TestCertificates pki;
  {
    ScriptedImapServer server;
    server.line("* OK ready")
        .reply("* CAPABILITY IMAP4rev1 STARTTLS LOGINDISABLED")
        .line("A1 OK done");
    server.reply("A2 OK Begin TLS negotiation now").startTls(pki.certificateFile(), pki.keyFile());
    server.reply("* CAPABILITY IMAP4rev1 AUTH=PLAIN").line("A3 OK done");
    server.expectLine()
        .line("+ ")
        .reply("A4 OK Logged in")
        .reply("* CAPABILITY IMAP4rev1 IDLE")
        .line("A5 OK done");
    Client client(server.port(), ImapSecurity::StartTls);
    client.imap.host = "localhost";
    client.imap.caFile = pki.caFile();
    ASSERT_EQ(client.run([](ImapClient& c) { c.open(); }), 0) << client.imap.errorMessage();
    EXPECT_FALSE(client.imap.tlsSummary().empty());
    EXPECT_TRUE(client.imap.hasCapability("IDLE"));
    EXPECT_EQ(clientLines(server.transcript()),
              (Lines{"A1 CAPABILITY", "A2 STARTTLS", "A3 CAPABILITY", "A4 AUTHENTICATE PLAIN",
                     "AGhvc3RAZXhhbXBsZS5vcmcAczNjcmV0", "A5 CAPABILITY"}));
  }
  ScriptedImapServer server;
  server.line("* OK [CAPABILITY IMAP4rev1 AUTH=PLAIN] ready").expectClose();
  Client client(server.port(), ImapSecurity::StartTls);
  EXPECT_EQ(client.run([](ImapClient& c) { c.open(); }), tlsStartTlsNotOffered);
  ASSERT_TRUE(test::waitUntil([&] { return server.finished(); }));
  EXPECT_TRUE(clientLines(server.transcript()).empty());
}

}  // namespace
}  // namespace zelvaro::net
