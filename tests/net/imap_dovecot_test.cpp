// The IMAP engine against a real Dovecot: both kinds of TLS, the folders intake makes, UIDs that
// hold, MOVE and its COPY/STORE/EXPUNGE stand-in, and IDLE woken by a delivery.

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "net/imap_client.h"
#include "support/dovecot_server.h"
#include "support/wait.h"

namespace zelvaro::net {
namespace {

using test::DovecotServer;

std::string message(int number) {
  return "From: Player " + std::to_string(number) + " <p" + std::to_string(number) +
         "@example.org>\r\nTo: host@example.org\r\nSubject: orders " + std::to_string(number) +
         "\r\nMessage-ID: <" + std::to_string(number) + "@example.org>\r\n\r\nOrders attached.\r\n";
}

struct Session {
  Session(const DovecotServer& server, ImapSecurity security) {
    imap.host = "localhost";
    imap.port =
        std::to_string(security == ImapSecurity::Tls ? server.imapsPort() : server.imapPort());
    imap.security = security;
    imap.caFile = server.caFile();
    imap.username = DovecotServer::kUser;
    imap.password = DovecotServer::kPassword;
    imap.onRequestDone = [this](ImapClient&, ImapRequest, int error) { done = error; };
    imap.onFetched = [this](ImapClient&, ImapFetched& m) { fetched.push_back(std::move(m)); };
  }
  int run(const std::function<void(ImapClient&)>& request) {
    done.reset();
    request(imap);
    EXPECT_TRUE(test::waitUntil([this] { return done.has_value(); }));
    return done.value_or(-1);
  }
  ImapClient imap;
  std::optional<int> done;
  std::vector<ImapFetched> fetched;
};

TEST(ImapDovecot, FetchesWithoutSeenAndMovesIntoFoldersItMakes) {
  for (const bool withMove : {true, false}) {
    DovecotServer server(withMove ? std::vector<std::string>{} : std::vector<std::string>{"MOVE"});
    for (int i = 1; i <= 3; ++i) server.deliver(message(i));
    Session session(server, withMove ? ImapSecurity::Tls : ImapSecurity::StartTls);
    ASSERT_EQ(session.run([](ImapClient& c) { c.open(); }), 0)
        << session.imap.errorMessage() << server.log();
    EXPECT_EQ(session.imap.hasCapability("MOVE"), withMove);
    EXPECT_FALSE(session.imap.tlsSummary().empty());
    ASSERT_EQ(session.run([](ImapClient& c) { c.select("INBOX"); }), 0);
    EXPECT_EQ(session.imap.exists(), 3u);
    ASSERT_EQ(session.run([](ImapClient& c) { c.searchFrom(2); }), 0);
    EXPECT_EQ(session.imap.foundUids(), (std::vector<std::uint32_t>{2, 3}));
    ASSERT_EQ(session.run([](ImapClient& c) { c.fetch({2, 3}, false); }), 0);
    ASSERT_EQ(session.fetched.size(), 2u);
    EXPECT_EQ(session.fetched[0].bytes, message(2));
    EXPECT_EQ(session.fetched[1].size, message(3).size());

    ASSERT_EQ(session.run([](ImapClient& c) { c.list(""); }), 0);
    ASSERT_EQ(session.imap.folders().size(), 1u);
    EXPECT_EQ(session.imap.folders()[0].separator, '.');
    ASSERT_EQ(session.run([](ImapClient& c) { c.create("Zelvaro.Rejected"); }), 0)
        << session.imap.errorMessage();
    ASSERT_EQ(session.run([](ImapClient& c) { c.create("Zelvaro.Rejected"); }), 0)
        << "a folder that exists is no failure";
    ASSERT_EQ(session.run([](ImapClient& c) { c.move({2}, "Zelvaro.Rejected"); }), 0)
        << session.imap.errorMessage();
    ASSERT_EQ(session.run([](ImapClient& c) { c.logout(); }), 0);

    EXPECT_EQ(server.messages("Zelvaro.Rejected").size(), 1u);
    const std::vector<std::string> left = server.messages("INBOX");
    ASSERT_EQ(left.size(), 2u) << withMove;
    EXPECT_EQ(left[0], message(1));
    // What stays keeps its UID for the next pass.
    Session again(server, ImapSecurity::Tls);
    ASSERT_EQ(again.run([](ImapClient& c) { c.open(); }), 0);
    ASSERT_EQ(again.run([](ImapClient& c) { c.select("INBOX"); }), 0);
    ASSERT_EQ(again.run([](ImapClient& c) { c.searchFrom(1); }), 0);
    EXPECT_EQ(again.imap.foundUids(), (std::vector<std::uint32_t>{1, 3}));
  }
}

TEST(ImapDovecot, IdleWakesOnDelivery) {
  DovecotServer server;
  Session session(server, ImapSecurity::StartTls);
  ASSERT_EQ(session.run([](ImapClient& c) { c.open(); }), 0) << session.imap.errorMessage();
  ASSERT_EQ(session.run([](ImapClient& c) { c.select("INBOX"); }), 0);
  ASSERT_TRUE(session.imap.hasCapability("IDLE"));
  bool changed = false;
  session.imap.onMailboxChanged = [&](ImapClient& c) {
    changed = true;
    c.stopIdle();
  };
  session.done.reset();
  session.imap.idle();
  // Dovecot answers "+ idling" at once; the delivery comes while it idles.
  ASSERT_TRUE(test::waitUntil([&] { return session.imap.idling(); }));
  test::waitUntil([] { return false; }, 300);
  server.deliver(message(9));
  ASSERT_TRUE(test::waitUntil([&] { return session.done.has_value(); }, 30000));
  EXPECT_EQ(*session.done, 0);
  EXPECT_TRUE(changed);
  EXPECT_EQ(session.imap.exists(), 1u);
}

}  // namespace
}  // namespace zelvaro::net
