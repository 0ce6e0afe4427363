#include <gtest/gtest.h>

#include <netdb.h>
#include <cerrno>
#include <string>
#include <vector>

#include "platform/eventloop.h"
#include "platform/hostlookup.h"
#include "platform/netnames.h"
#include "platform/socketerrors.h"
#include "platform/sockets.h"
#include "support/wait.h"

namespace zelvaro::platform {
namespace {

constexpr unsigned kSocketMessage = 1025;
constexpr std::uint32_t kLoopback = 0x7F000001;

// Keeps every socket notification as {handle, event, error}.
struct Event {
  SocketHandle handle;
  unsigned event;
  int error;
  bool operator==(const Event&) const = default;
};

class EventLog : public NotificationOwner {
 public:
  std::vector<Event> events;
  std::vector<Notification> others;
  int count(SocketHandle handle, unsigned event) const {
    int n = 0;
    for (const Event& e : events) n += e.handle == handle && e.event == event;
    return n;
  }
  bool waitFor(SocketHandle handle, unsigned event, int times = 1) {
    return test::waitUntil([&] { return count(handle, event) >= times; });
  }

 protected:
  void handleNotification(const Notification& n) override {
    if (n.message != kSocketMessage) {
      others.push_back(n);
      return;
    }
    events.push_back({n.wparam, selectEvent(n.lparam), selectError(n.lparam)});
  }
};

constexpr unsigned kAll = SocketEvent::Read | SocketEvent::Write | SocketEvent::Oob |
                          SocketEvent::Accept | SocketEvent::Connect | SocketEvent::Close;

// A listening socket on a free loopback port, a client connected to it and the accepted end.
struct Pair {
  EventLog log;
  SocketHandle listener = socketOpen(false, 6);
  SocketHandle client = kInvalidSocket;
  SocketHandle server = kInvalidSocket;
  Ipv4Endpoint at{kLoopback, 0};

  Pair() {
    EXPECT_EQ(socketBind(listener, at), 0);
    EXPECT_EQ(socketListen(listener, 5), 0);
    EXPECT_EQ(socketLocalEndpoint(listener, &at), 0);
    EXPECT_EQ(socketSelect(listener, &log, kSocketMessage, kAll), 0);
    client = socketOpen(false, 6);
    EXPECT_EQ(socketSelect(client, &log, kSocketMessage, kAll), 0);
    int result = socketConnect(client, at);
    EXPECT_TRUE(result == 0 || lastSocketError() == WSAEWOULDBLOCK) << lastSocketError();
    EXPECT_TRUE(log.waitFor(listener, SocketEvent::Accept));
    server = socketAccept(listener, nullptr);
    EXPECT_NE(server, kInvalidSocket) << lastSocketError();
    EXPECT_EQ(socketSelect(server, &log, kSocketMessage, kAll), 0);
    EXPECT_TRUE(log.waitFor(client, SocketEvent::Connect));
  }
  ~Pair() {
    for (SocketHandle h : {listener, client, server}) {
      if (h != kInvalidSocket) socketClose(h);
    }
  }
  int send(SocketHandle h, const std::string& text) {
    return socketSend(h, text.data(), static_cast<int>(text.size()), 0);
  }
  std::string receive(SocketHandle h, int most = 4096) {
    std::string buffer(static_cast<std::size_t>(most), '\0');
    int n = socketReceive(h, buffer.data(), most, 0);
    return n > 0 ? buffer.substr(0, static_cast<std::size_t>(n)) : std::string();
  }
};

TEST(SocketErrors, TextsAndMappings) {
  EXPECT_EQ(SocketErrorText(0), "No Error");
  EXPECT_EQ(SocketErrorText(10061), "Connection refused");
  EXPECT_EQ(SocketErrorText(10047), "Address family not supported by protocol family");
  EXPECT_EQ(SocketErrorText(11004), "No Data");
  EXPECT_EQ(SocketErrorText(10001), "Not a WinSock error");
  EXPECT_EQ(socketErrorFromErrno(ECONNREFUSED), 10061);
  EXPECT_EQ(socketErrorFromErrno(EAGAIN), 10035);
  EXPECT_EQ(socketErrorFromErrno(ENOTCONN), 10057);
  EXPECT_EQ(socketErrorFromErrno(EPIPE), 10054);
  EXPECT_EQ(socketErrorFromErrno(ETIMEDOUT), 10060);
  EXPECT_EQ(socketErrorFromErrno(EHOSTUNREACH), 10065);
  EXPECT_EQ(socketErrorFromResolver(EAI_NONAME, 0), 11001);
  EXPECT_EQ(socketErrorFromResolver(EAI_SYSTEM, ECONNREFUSED), 10061);
}

TEST(NetNames, AddressesServicesProtocolsAndHostName) {
  EXPECT_EQ(parseDottedAddress("10.0.0.1"), 0x0A000001u);
  EXPECT_EQ(parseDottedAddress("10.1"), 0x0A000001u);
  EXPECT_EQ(parseDottedAddress("255.255.255.255"), 0xFFFFFFFFu);
  EXPECT_EQ(parseDottedAddress("1.2.3.4 x"), std::nullopt);
  EXPECT_EQ(parseDottedAddress("mail.example.org"), std::nullopt);
  EXPECT_EQ(dottedAddress(0x7F000001), "127.0.0.1");
  EXPECT_EQ(lookupService("smtp", "tcp"), 25);
  EXPECT_EQ(lookupService("smtp", ""), 25);
  EXPECT_EQ(lookupService("no-such-service", "tcp"), std::nullopt);
  EXPECT_EQ(lookupProtocol("tcp"), 6);
  EXPECT_EQ(lookupProtocol("udp"), 17);
  EXPECT_EQ(lookupHostAddress("localhost"), kLoopback);
  ASSERT_TRUE(localHostName().has_value());
  EXPECT_FALSE(localHostName()->empty());
}

TEST(SocketReadiness, ConnectThenWriteOnceThenReadUntilRead) {
  Pair p;
  ASSERT_GE(p.log.events.size(), 2u);
  // The client's connect comes with one write notification and nothing more.
  ASSERT_TRUE(p.log.waitFor(p.client, SocketEvent::Write));
  EXPECT_EQ(p.log.count(p.client, SocketEvent::Connect), 1);
  EXPECT_EQ(p.log.count(p.client, SocketEvent::Write), 1);

  ASSERT_EQ(p.send(p.client, "hello world"), 11);
  ASSERT_TRUE(p.log.waitFor(p.server, SocketEvent::Read));
  // Not posted again while nobody reads.
  processMessages();
  processMessages();
  EXPECT_EQ(p.log.count(p.server, SocketEvent::Read), 1);

  // A partial read leaves data: another notification.
  EXPECT_EQ(p.receive(p.server, 5), "hello");
  ASSERT_TRUE(p.log.waitFor(p.server, SocketEvent::Read, 2));
  EXPECT_EQ(p.receive(p.server), " world");
  processMessages();
  EXPECT_EQ(p.log.count(p.server, SocketEvent::Read), 2);
  EXPECT_EQ(p.log.count(p.client, SocketEvent::Write), 1);
}

TEST(SocketReadiness, PeerCloseComesAfterTheDataBeforeIt) {
  Pair p;
  ASSERT_EQ(p.send(p.client, "last words"), 10);
  ASSERT_EQ(socketShutdown(p.client, ShutdownHow::Send), 0);
  ASSERT_TRUE(p.log.waitFor(p.server, SocketEvent::Read));
  processMessages();
  EXPECT_EQ(p.log.count(p.server, SocketEvent::Close), 0) << "close before the data was read";
  EXPECT_EQ(p.receive(p.server), "last words");
  ASSERT_TRUE(p.log.waitFor(p.server, SocketEvent::Close));
  EXPECT_EQ(p.log.events.back(), (Event{p.server, SocketEvent::Close, 0}));
}

TEST(SocketReadiness, ResetArrivesAsCloseWithItsError) {
  Pair p;
  ASSERT_EQ(socketSetLinger(p.client, true, 0), 0);
  ASSERT_EQ(socketClose(p.client), 0);
  p.client = kInvalidSocket;
  ASSERT_TRUE(p.log.waitFor(p.server, SocketEvent::Close));
  processMessages();
  EXPECT_EQ(p.log.events.back(), (Event{p.server, SocketEvent::Close, WSAECONNRESET}))
      << "an error condition must not pass for urgent data";
}

TEST(SocketReadiness, WriteIsPostedWhenRoomComesBackAfterWouldBlock) {
  Pair p;
  std::string chunk(65536, 'x');
  int result = 0;
  long total = 0;
  while ((result = p.send(p.client, chunk)) > 0) total += result;
  EXPECT_EQ(lastSocketError(), WSAEWOULDBLOCK);
  int writesBefore = p.log.count(p.client, SocketEvent::Write);
  long drained = 0;
  std::string buffer(65536, '\0');
  ASSERT_TRUE(test::waitUntil([&] {
    int n;
    while ((n = socketReceive(p.server, buffer.data(), 65536, 0)) > 0) drained += n;
    return p.log.count(p.client, SocketEvent::Write) > writesBefore;
  }));
  EXPECT_GT(drained, 0);
  EXPECT_GT(total, 0);
}

TEST(SocketReadiness, RefusedConnectAndNoEventsWhileDeselected) {
  EventLog log;
  // A port that was just free: bind one, note it, close it.
  SocketHandle probe = socketOpen(false, 6);
  Ipv4Endpoint at{kLoopback, 0};
  ASSERT_EQ(socketBind(probe, at), 0);
  ASSERT_EQ(socketLocalEndpoint(probe, &at), 0);
  ASSERT_EQ(socketClose(probe), 0);

  SocketHandle client = socketOpen(false, 6);
  EXPECT_NE(client, probe) << "handles must never be reused";
  ASSERT_EQ(socketSelect(client, &log, kSocketMessage, kAll), 0);
  socketConnect(client, at);
  ASSERT_TRUE(log.waitFor(client, SocketEvent::Connect));
  EXPECT_EQ(log.events.front(), (Event{client, SocketEvent::Connect, WSAECONNREFUSED}));
  socketClose(client);

  // Paused: nothing posted, and a handle gone: errors.
  Pair p;
  processMessages();  // what was posted before
  ASSERT_EQ(socketSelect(p.server, &p.log, kSocketMessage, 0), 0);
  p.send(p.client, "x");
  std::size_t before = p.log.events.size();
  processMessages();
  processMessages();
  for (std::size_t i = before; i < p.log.events.size(); ++i) {
    EXPECT_NE(p.log.events[i].handle, p.server);
  }
  // Asking again finds the data already waiting.
  ASSERT_EQ(socketSelect(p.server, &p.log, kSocketMessage, kAll), 0);
  EXPECT_TRUE(p.log.waitFor(p.server, SocketEvent::Read));
  char byte;
  EXPECT_EQ(socketReceive(999999, &byte, 1, 0), -1);
  EXPECT_EQ(lastSocketError(), WSAENOTSOCK);
}

TEST(SocketReadiness, UrgentDataIsPostedAsOutOfBand) {
  Pair p;
  ASSERT_EQ(socketSend(p.client, "!", 1, kMsgOob), 1);
  ASSERT_TRUE(p.log.waitFor(p.server, SocketEvent::Oob));
  char byte = 0;
  ASSERT_EQ(socketReceive(p.server, &byte, 1, kMsgOob), 1);
  EXPECT_EQ(byte, '!');
}

// Posts lookup ends into a list: {handle, error}.
class LookupLog : public NotificationOwner {
 public:
  std::vector<std::pair<std::uintptr_t, int>> ends;

 protected:
  void handleNotification(const Notification& n) override {
    ends.emplace_back(n.wparam, static_cast<int>(n.lparam));
  }
};

TEST(HostLookup, ByNameByAddressAndFailure) {
  LookupLog log;
  HostLookup lookup(log);
  std::uintptr_t handle = lookup.byName("localhost", 1026);
  ASSERT_NE(handle, 0u);
  EXPECT_EQ(lookup.inProgress(), handle);
  ASSERT_TRUE(test::waitUntil([&] { return !log.ends.empty(); }));
  EXPECT_EQ(log.ends[0], std::make_pair(handle, 0));
  std::vector<std::string> found = lookup.take(handle);
  ASSERT_FALSE(found.empty());
  EXPECT_EQ(found[0], "127.0.0.1");
  EXPECT_EQ(lookup.inProgress(), 0u);

  handle = lookup.byAddress(kLoopback, 1027);
  ASSERT_TRUE(test::waitUntil([&] { return log.ends.size() == 2; }));
  EXPECT_EQ(log.ends[1], std::make_pair(handle, 0));
  EXPECT_EQ(lookup.take(handle), std::vector<std::string>{"localhost"});

  handle = lookup.byName("no-such-host.invalid", 1026);
  ASSERT_TRUE(test::waitUntil([&] { return log.ends.size() == 3; }, 60000));
  EXPECT_GE(log.ends[2].second, WSAHOST_NOT_FOUND);
  EXPECT_LE(log.ends[2].second, WSANO_DATA);
  EXPECT_TRUE(lookup.take(handle).empty());
}

TEST(HostLookup, OnlyTheLookupInProgressDelivers) {
  LookupLog log;
  HostLookup lookup(log);
  std::uintptr_t first = lookup.byName("localhost", 1026);
  std::uintptr_t second = lookup.byName("localhost", 1026);
  EXPECT_NE(first, second);
  EXPECT_TRUE(lookup.cancel());
  EXPECT_FALSE(lookup.cancel());
  std::uintptr_t last = lookup.byName("localhost", 1026);
  {
    HostLookup doomed(log);
    doomed.byName("localhost", 1026);
  }  // destroyed with its lookup in progress
  ASSERT_TRUE(test::waitUntil([&] {
    for (auto& end : log.ends) {
      if (end.first == last) return true;
    }
    return false;
  }));
  // An earlier lookup may have ended before it was dropped; its late notification is told
  // apart by its handle and yields nothing.
  for (auto& end : log.ends) {
    if (end.first != last) {
      EXPECT_TRUE(lookup.take(end.first).empty());
    }
  }
  EXPECT_EQ(lookup.inProgress(), last);
  EXPECT_FALSE(lookup.take(last).empty());
}

}  // namespace
}  // namespace zelvaro::platform
