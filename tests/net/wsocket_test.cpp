#include <gtest/gtest.h>

#include <memory>

#include "loopback.h"
#include "net/buffer.h"
#include "support/wait.h"

namespace zelvaro::net {
namespace {

using test::connectBoth;
using test::failure;
using test::Peer;
using test::Probe;
using zelvaro::test::waitUntil;

std::vector<std::string> Log(std::initializer_list<const char*> entries) {
  return {entries.begin(), entries.end()};
}

// A connected probe and its peer, with the events of the connect taken and forgotten.
struct Connected {
  Peer peer;
  Probe probe;
  Connected() {
    probe.connectTo(peer.port());
    EXPECT_TRUE(peer.waitAccepted());
    // The connect's write event reports an empty chain as sent.
    EXPECT_TRUE(probe.waitFor("sent 0"));
    EXPECT_EQ(probe.log, (std::vector<std::string>{"connected 0", "sent 0"}));
    probe.log.clear();
  }
};

TEST(TBuffer, WritesPeeksAndRemovesWithinItsCapacity) {
  TBuffer block(0);
  EXPECT_EQ(block.Size(), 1514);
  std::string data(2000, 'a');
  EXPECT_EQ(block.Write(data.data(), 2000), 1514);
  EXPECT_EQ(block.Write("b", 1), 0) << "a full block takes nothing";
  const char* unsent = nullptr;
  EXPECT_EQ(block.Remove(1000), 1000);
  EXPECT_EQ(block.Peek(&unsent), 514);
  EXPECT_EQ(block.Write("b", 1), 0) << "space freed at the front is not reused yet";
  EXPECT_EQ(block.Remove(600), 514);
  EXPECT_EQ(block.Peek(&unsent), 0);
  EXPECT_EQ(block.Write("xyz", 3), 3) << "an emptied block starts again from the front";
  block.SetSize(2);
  EXPECT_EQ(block.Peek(&unsent), 2);
  EXPECT_EQ(std::string(unsent, 2), "xy");
}

TEST(Resolution, PortsProtocolsAndHosts) {
  EXPECT_EQ(WSocketResolvePort("25x", "tcp"), 25);
  EXPECT_EQ(WSocketResolvePort(" 587 ", "tcp"), 587);
  EXPECT_EQ(WSocketResolvePort("smtp", "tcp"), 25);
  EXPECT_EQ(failure([] { WSocketResolvePort("no-such-service", "tcp"); }),
            "WSocketResolvePort: Cannot convert port 'no-such-service'");
  EXPECT_EQ(failure([] { WSocketResolvePort("", "tcp"); }), "WSocketResolvePort: Invalid Port.");
  EXPECT_EQ(WSocketResolveProto("tcp"), 6);
  EXPECT_EQ(WSocketResolveProto("17"), 17);
  EXPECT_EQ(failure([] { WSocketResolveProto("bogus"); }),
            "WSocketResolveProto: Cannot convert protocol 'bogus'");
  EXPECT_EQ(WSocketResolveHost(" 10.0.0.1 "), 0x0A000001u);
  EXPECT_EQ(WSocketResolveHost("localhost"), 0x7F000001u);
  EXPECT_EQ(failure([] { WSocketResolveHost(""); }), "WSocketResolveHost: Invalid Hostname.");
  EXPECT_FALSE(OwnHostName().empty());
}

TEST(DnsLookup, DottedAddressAnswersInsideTheCall) {
  Probe probe;
  probe.DnsLookup("10.0.0.1");
  EXPECT_EQ(probe.log, Log({"dns 0"}));
  EXPECT_EQ(probe.DnsResult(), "10.0.0.1");
  EXPECT_TRUE(probe.DnsResultList().empty());
}

TEST(DnsLookup, EmptyNameFailsOrReportsThroughOnError) {
  Probe probe;
  EXPECT_EQ(failure([&] { probe.DnsLookup(""); }), "DNS lookup: invalid host name.");
  int errors = 0;
  probe.OnError = [&](TCustomWSocket&) { ++errors; };
  probe.DnsLookup("");
  EXPECT_EQ(errors, 1);
  EXPECT_EQ(probe.log, Log({"dns 10022"}));
}

TEST(DnsLookup, NamesResolveLaterAndUnknownNamesFail) {
  Probe probe;
  probe.DnsLookup("localhost");
  EXPECT_TRUE(probe.log.empty()) << "a name lookup must not end inside the call";
  ASSERT_TRUE(waitUntil([&] { return !probe.log.empty(); }));
  EXPECT_EQ(probe.log, Log({"dns 0"}));
  EXPECT_EQ(probe.DnsResult(), "127.0.0.1");
  ASSERT_FALSE(probe.DnsResultList().empty());
  EXPECT_EQ(probe.DnsResultList().front(), "127.0.0.1");

  probe.DnsLookup("no-such-host.invalid");
  EXPECT_TRUE(probe.DnsResult().empty());
  ASSERT_TRUE(waitUntil([&] { return probe.log.size() == 2; }, 60000));
  EXPECT_NE(probe.log[1], "dns 0");
  EXPECT_EQ(probe.log[1].substr(0, 7), "dns 110") << probe.log[1];

  probe.ReverseLookup("127.0.0.1");
  ASSERT_TRUE(waitUntil([&] { return probe.log.size() == 3; }));
  EXPECT_EQ(probe.log[2], "dns 0");
  EXPECT_EQ(probe.DnsResultList(), std::vector<std::string>{probe.DnsResult()});
}

TEST(DnsLookup, CancelEndsWith10004AndDropsTheLateAnswer) {
  Probe probe;
  probe.DnsLookup("localhost");
  probe.CancelLookup();
  EXPECT_EQ(probe.log, Log({"dns 10004"}));
  probe.CancelLookup();  // nothing in progress: nothing to report
  // Another socket's lookup that ends gives the dropped one time to have answered.
  Probe witness;
  witness.DnsLookup("localhost");
  ASSERT_TRUE(witness.waitFor("dns 0"));
  platform::processMessages();
  EXPECT_EQ(probe.log, Log({"dns 10004"}));
}

TEST(Properties, ChangeOnlyWhileClosedAndMustBeSetAgainAfterAClose) {
  Connected c;
  c.probe.SetPort(c.peer.port());  // its own value: nothing happens
  EXPECT_EQ(failure([&] { c.probe.SetPort("26"); }), "Cannot change Port if not closed");
  EXPECT_EQ(failure([&] { c.probe.SetAddr("10.0.0.2"); }), "Cannot change Addr if not closed");
  EXPECT_EQ(failure([&] { c.probe.SetProto("udp"); }), "Cannot change Proto if not closed");
  EXPECT_EQ(failure([&] { c.probe.Connect(); }), "Connect: Socket already in use");
  c.probe.Close();
  EXPECT_EQ(c.probe.Port(), c.peer.port()) << "the text is kept";
  EXPECT_EQ(failure([&] { c.probe.Connect(); }), "Connect: No Port Specified");
  c.probe.SetPort(c.peer.port());
  EXPECT_EQ(failure([&] { c.probe.Connect(); }), "Connect: No IP Address Specified");
  c.probe.SetAddr("127.0.0.1");
  c.probe.SetProto("");
  EXPECT_EQ(failure([&] { c.probe.Connect(); }), "Connect: No Protocol Specified");
  c.probe.SetProto("tcp");
  c.probe.SetPort("no-such-service");
  EXPECT_EQ(failure([&] { c.probe.Connect(); }),
            "connect: WSocketResolvePort: Cannot convert port 'no-such-service'");
  EXPECT_EQ(failure([&] { c.probe.SetSendFlags(static_cast<TSocketSendFlags>(7)); }),
            "Invalid SendFlags");
}

TEST(Connect, StatesEventsAndTheRemoteAddress) {
  Connected c;
  EXPECT_EQ(c.probe.states, (std::vector<std::string>{"closed>opened", "opened>connecting",
                                                      "connecting>connected"}));
  EXPECT_EQ(c.probe.State(), wsConnected);
  EXPECT_EQ(c.probe.RemoteAddrText(), "127.0.0.1");
  EXPECT_NE(c.probe.LocalPortText(), "error");
  c.probe.Close();
  EXPECT_EQ(c.probe.states.back(), "connected>closed");
  EXPECT_EQ(c.probe.RemoteAddrText(), "error");
  EXPECT_EQ(c.probe.LocalPortText(), "error");
}

TEST(Connect, RefusedConnectionReports10061ThenCloses) {
  Probe probe;
  probe.connectTo(test::unusedPort());
  ASSERT_TRUE(probe.waitFor("closed 0"));
  EXPECT_EQ(probe.log, Log({"connected 10061", "closed 0"}));
  EXPECT_EQ(probe.State(), wsClosed);
}

TEST(Send, FiveThousandBytesGoInFrameSizedBlocksWithOneDataSentAfterSendReturned) {
  Connected c;
  std::string data(5000, '\0');
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>('a' + i % 26);
  EXPECT_EQ(c.probe.SendText(data), 5000);
  EXPECT_EQ(c.probe.rawSends, (std::vector<int>{1514, 1514, 1514, 458}));
  EXPECT_FALSE(c.probe.has("sent 0")) << "OnDataSent raised inside Send";
  ASSERT_TRUE(c.probe.waitFor("sent 0"));
  ASSERT_TRUE(c.peer.waitReceived(5000));
  EXPECT_EQ(c.peer.received, data);
  platform::processMessages();
  EXPECT_EQ(std::count(c.probe.log.begin(), c.probe.log.end(), "sent 0"), 1);
}

TEST(Send, ManyMegabytesToASlowReaderArriveWhole) {
  Connected c;
  c.peer.reading = false;
  std::string data(32 * 1024 * 1024, '\0');
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7 + i / 4096);
  ASSERT_EQ(c.probe.SendText(data), static_cast<int>(data.size()));
  // The system's buffers are full long before the end: the rest waits for room.
  EXPECT_GT(c.probe.shortSends, 0);
  platform::processMessages();
  EXPECT_FALSE(c.probe.has("sent 0"));
  // The reader takes a piece per tick.
  platform::Timer reader;
  reader.onTick = [&] { c.peer.readNow(); };
  reader.setInterval(1);
  reader.setEnabled(true);
  ASSERT_TRUE(c.peer.waitReceived(data.size()));
  ASSERT_TRUE(c.probe.waitFor("sent 0"));
  EXPECT_TRUE(c.peer.received == data) << "the received bytes differ from the sent ones";
  EXPECT_EQ(std::count(c.probe.log.begin(), c.probe.log.end(), "sent 0"), 1);
}

TEST(Send, WhileNotConnectedFailsWith10057AndLeavesTheSocketClosed) {
  Probe probe;
  EXPECT_EQ(failure([&] { probe.SendText("x"); }),
            "Error 10057 in function Send\r\nSocket is not connected");
  EXPECT_EQ(probe.State(), wsClosed);
  EXPECT_EQ(probe.LastError(), 10057);
  probe.OnError = [](TCustomWSocket&) {};
  EXPECT_EQ(probe.SendText("x"), -1);
}

TEST(Send, QueuedDataGoesWithTheNextSendAndFlushDrainsIt) {
  Connected c;
  c.probe.QueueData("HELO ", 5);
  EXPECT_TRUE(c.probe.rawSends.empty());
  c.probe.SendText("x\r\n");
  c.probe.QueueData("QUIT", 4);
  c.probe.Flush();
  ASSERT_TRUE(c.peer.waitReceived(12));
  EXPECT_EQ(c.peer.received, "HELO x\r\nQUIT");
}

TEST(Receive, PeerCloseWithDataPendingDeliversTheDataFirst) {
  Connected c;
  c.peer.send("250 last words\r\n");
  c.peer.close();
  ASSERT_TRUE(c.probe.waitFor("closed 0"));
  EXPECT_EQ(c.probe.received, "250 last words\r\n");
  auto data = std::find(c.probe.log.begin(), c.probe.log.end(), "data 0");
  auto closed = std::find(c.probe.log.begin(), c.probe.log.end(), "closed 0");
  EXPECT_LT(data, closed);
  EXPECT_EQ(c.probe.State(), wsClosed);
  EXPECT_EQ(c.probe.ReadCount(), 0) << "fields are reset after the close";
}

TEST(Receive, WithoutAHandlerDataIsReadAndThrownAway) {
  Connected c;
  c.probe.OnDataAvailable = nullptr;
  c.peer.send(std::string(5000, 'z'));
  c.peer.shutdownSend();
  ASSERT_TRUE(c.probe.waitFor("closed 0"));
}

TEST(Receive, AHandlerThatThrowsEndsTheReadLoopQuietly) {
  Connected c;
  int calls = 0;
  c.probe.OnDataAvailable = [&](TCustomWSocket& socket, std::uint16_t) {
    ++calls;
    char byte;
    socket.Receive(&byte, 1);
    throw std::runtime_error("handler failed");
  };
  c.peer.send("abc");
  EXPECT_TRUE(waitUntil([&] { return calls >= 1; }));
  // The loop ended after the first call; the data left over is announced again.
  EXPECT_TRUE(waitUntil([&] { return calls >= 3; }));
  EXPECT_EQ(c.probe.State(), wsConnected);
}

TEST(Receive, AHandlerThatReadsNothingDoesNotHangTheLoop) {
  Connected c;
  c.probe.readData = false;
  c.peer.send("waiting");
  ASSERT_TRUE(c.probe.waitFor("data 0"));
  platform::processMessages();
  EXPECT_EQ(c.probe.RcvdCount(), 7);
  EXPECT_EQ(c.probe.ReceiveText(), "waiting");
  EXPECT_EQ(c.probe.ReadCount(), 7);
}

TEST(Receive, DrainUntilClosedDeliversTheRestAndReturnsOnThePeersClose) {
  Connected c;
  c.peer.send("rest of it");
  c.peer.close();
  bool timedOut = false;
  platform::Timer deadline;  // ends the wait (by aborting) instead of hanging the test
  deadline.onTick = [&] {
    timedOut = true;
    c.probe.Abort();
  };
  deadline.setInterval(20000);
  deadline.setEnabled(true);
  c.probe.DrainUntilClosed();
  EXPECT_FALSE(timedOut);
  EXPECT_EQ(c.probe.received, "rest of it");
  EXPECT_EQ(c.probe.State(), wsClosed);
}

TEST(Close, SessionClosedIsRaisedOncePerConnection) {
  Connected c;
  c.probe.Close();
  EXPECT_EQ(c.probe.log.back(), "closed 0") << "Close reports inside the call";
  c.probe.Close();
  ASSERT_TRUE(c.peer.waitClosed());
  platform::processMessages();
  EXPECT_EQ(std::count(c.probe.log.begin(), c.probe.log.end(), "closed 0"), 1);

  // The peer's close first, then our Close.
  Connected d;
  d.peer.close();
  ASSERT_TRUE(d.probe.waitFor("closed 0"));
  d.probe.Close();
  EXPECT_EQ(std::count(d.probe.log.begin(), d.probe.log.end(), "closed 0"), 1);
}

TEST(Close, PeerResetArrivesAsSessionClosedWithItsError) {
  Connected c;
  c.peer.reset();
  ASSERT_TRUE(waitUntil([&] { return c.probe.State() == wsClosed; }));
  EXPECT_EQ(c.probe.log.back(), "closed 10054");
}

TEST(Close, AbortDropsTheChainAndClosesAtOnce) {
  Connected c;
  c.peer.reading = false;
  c.probe.SendText(std::string(4 * 1024 * 1024, 'q'));
  c.probe.Abort();
  EXPECT_EQ(c.probe.log.back(), "closed 0");
  EXPECT_EQ(c.probe.State(), wsClosed);
  c.peer.reading = true;
  c.peer.readNow();
  ASSERT_TRUE(c.peer.waitClosed());
  EXPECT_LT(c.peer.received.size(), 4u * 1024 * 1024);
  platform::processMessages();
  EXPECT_FALSE(c.probe.has("sent 0"));
}

TEST(Close, HandlersMayCloseOrDestroyTheSocket) {
  // Closing from inside the data handler, with the peer's close queued behind: the close is
  // still reported once.
  Connected c;
  c.probe.OnDataAvailable = [](TCustomWSocket& socket, std::uint16_t) { socket.Close(); };
  c.peer.send("one");
  c.peer.close();
  ASSERT_TRUE(c.probe.waitFor("closed 0"));
  Probe witness;
  witness.DnsLookup("localhost");
  ASSERT_TRUE(witness.waitFor("dns 0"));
  EXPECT_EQ(c.probe.log, (std::vector<std::string>{"closed 0"}));

  // Destroying it from inside each kind of handler.
  for (int which = 0; which < 3; ++which) {
    Peer peer;
    auto probe = std::make_unique<Probe>();
    auto destroy = [&](TCustomWSocket&, std::uint16_t) { probe.reset(); };
    if (which == 0) probe->OnSessionConnected = destroy;
    if (which == 1) probe->OnDataAvailable = destroy;
    if (which == 2) probe->OnSessionClosed = destroy;
    probe->connectTo(peer.port());
    ASSERT_TRUE(peer.waitAccepted());
    peer.send("data");
    peer.close();
    ASSERT_TRUE(waitUntil([&] { return probe == nullptr; })) << "handler " << which;
    platform::processMessages();
  }
}

TEST(Errors, OnErrorReplacesTheException) {
  Probe probe;
  int errors = 0;
  probe.OnError = [&](TCustomWSocket&) { ++errors; };
  probe.Connect();
  EXPECT_EQ(errors, 1);
  EXPECT_EQ(probe.Accept(), INVALID_SOCKET);
  EXPECT_EQ(probe.LastError(), 10022);
  EXPECT_EQ(errors, 2);
}

TEST(Errors, ExceptionsOfOtherHandlersReachWhoeverRunsTheLoop) {
  Peer peer;
  Probe probe;
  probe.OnSessionConnected = [](TCustomWSocket&, std::uint16_t) {
    throw ESocketException("from the connected handler");
  };
  probe.connectTo(peer.port());
  EXPECT_THROW(waitUntil([] { return false; }, 5000), ESocketException);
}

TEST(SocketCount, FollowsConstructionAndDestruction) {
  int before = TCustomWSocket::SocketCount();
  {
    Probe a, b;
    EXPECT_EQ(TCustomWSocket::SocketCount(), before + 2);
  }
  EXPECT_EQ(TCustomWSocket::SocketCount(), before);
}

}  // namespace
}  // namespace zelvaro::net
