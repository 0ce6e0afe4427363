#include <gtest/gtest.h>

#include <memory>

#include "loopback.h"
#include "support/wait.h"

namespace zelvaro::net {
namespace {

using test::connectBoth;
using test::failure;
using test::Peer;
using test::Probe;
using zelvaro::test::waitUntil;

// A listening probe on a free loopback port.
struct Listening {
  Probe server;
  Listening(const std::string& proto = "tcp") {
    server.SetProto(proto);
    server.SetAddr("127.0.0.1");
    server.SetPort("0");
    server.Listen();
  }
  std::string port() { return server.LocalPortText(); }
};

TEST(Listen, TwoSocketsOfOursListenAcceptAndTalk) {
  Listening l;
  EXPECT_EQ(l.server.State(), wsListening);
  EXPECT_EQ(l.server.states, (std::vector<std::string>{"closed>bound", "bound>listening"}));
  ASSERT_NE(l.port(), "error");

  Probe accepted;
  l.server.OnSessionAvailable = [&](TCustomWSocket& server, std::uint16_t error) {
    EXPECT_EQ(error, 0);
    accepted.AttachHandle(server.Accept());
  };
  Probe client;
  client.connectTo(l.port());
  ASSERT_TRUE(client.waitFor("connected 0"));
  ASSERT_TRUE(waitUntil([&] { return accepted.State() == wsConnected; }));
  EXPECT_EQ(accepted.RemoteAddrText(), "127.0.0.1");

  client.SendText("ping");
  ASSERT_TRUE(waitUntil([&] { return accepted.received == "ping"; }));
  accepted.SendText("pong");
  ASSERT_TRUE(waitUntil([&] { return client.received == "pong"; }));
  accepted.Close();
  ASSERT_TRUE(client.waitFor("closed 0"));
  EXPECT_EQ(l.server.State(), wsListening) << "the listener goes on listening";
}

TEST(Listen, RefusalsComeInTheirOrderWithTheirTexts) {
  Probe socket;
  socket.SetProto("");
  EXPECT_EQ(failure([&] { socket.Listen(); }),
            "Error 10022 in function listen: port not assigned\r\nInvalid argument");
  socket.SetPort("0");
  EXPECT_EQ(failure([&] { socket.Listen(); }),
            "Error 10022 in function listen: protocol not assigned\r\nInvalid argument");
  socket.SetProto("tcp");
  EXPECT_EQ(failure([&] { socket.Listen(); }),
            "Error 10022 in function listen: address not assigned\r\nInvalid argument");
  EXPECT_EQ(failure([&] { socket.Accept(); }),
            "Error 10022 in function not a listening socket\r\nInvalid argument");
  EXPECT_EQ(failure([&] { socket.AttachHandle(0); }),
            "Error 10022 in function Dup\r\nInvalid argument");
  socket.OnError = [](TCustomWSocket&) {};
  EXPECT_EQ(socket.Accept(), INVALID_SOCKET);
  EXPECT_EQ(socket.LastError(), 10022);
}

TEST(Listen, APortInUseFailsAtBindAndLeavesNothingOpen) {
  Listening first;
  Probe second;
  second.SetAddr("127.0.0.1");
  second.SetPort(first.port());
  EXPECT_EQ(failure([&] { second.Listen(); }),
            "Error 10048 in function Bind\r\nAddress already in use");
  EXPECT_EQ(second.State(), wsClosed);
  EXPECT_EQ(second.HSocket(), INVALID_SOCKET);
}

TEST(Listen, DatagramSocketsConnectAtOnceAndExchange) {
  Listening l("udp");
  EXPECT_EQ(l.server.State(), wsConnected);
  EXPECT_EQ(l.server.log, (std::vector<std::string>{"connected 0"}));
  l.server.OnDataAvailable = [&](TCustomWSocket& socket, std::uint16_t) {
    char buffer[100];
    platform::Ipv4Endpoint from;
    int n = socket.ReceiveFrom(buffer, sizeof buffer, &from);
    if (n > 0) l.server.received.append(buffer, static_cast<std::size_t>(n));
  };
  Probe client;
  client.SetProto("udp");
  client.connectTo(l.port());
  EXPECT_EQ(client.State(), wsConnected);
  EXPECT_EQ(client.log, (std::vector<std::string>{"connected 0"}));
  EXPECT_GT(client.LocalPortNum(), 0);
  client.SendText("datagram");
  ASSERT_TRUE(waitUntil([&] { return l.server.received == "datagram"; }));
}

TEST(PauseResume, NothingIsDeliveredWhilePaused) {
  Peer peer;
  Probe probe;
  ASSERT_TRUE(connectBoth(probe, peer));
  probe.Pause();
  peer.send("held back");
  // A second connection's data proves the loop has run meanwhile.
  Peer witness;
  Probe other;
  other.connectTo(witness.port());
  ASSERT_TRUE(witness.waitAccepted());
  witness.send("x");
  ASSERT_TRUE(waitUntil([&] { return other.received == "x"; }));
  EXPECT_EQ(probe.received, "");
  probe.Resume();
  ASSERT_TRUE(waitUntil([&] { return probe.received == "held back"; }));
}

TEST(PauseResume, AResumedListenerAcceptsAgain) {
  Listening l;
  l.server.Pause();
  l.server.Resume();
  Probe client;
  client.connectTo(l.port());
  ASSERT_TRUE(l.server.waitFor("available 0"));
  TSocket handle = l.server.Accept();
  EXPECT_NE(handle, INVALID_SOCKET);
  Probe accepted;
  accepted.AttachHandle(handle);
}

TEST(SendFlags, UrgentDataGoesOutOfBand) {
  Peer peer;
  Probe probe;
  ASSERT_TRUE(connectBoth(probe, peer));
  EXPECT_EQ(probe.SendFlags(), wsSendNormal);
  probe.SetSendFlags(wsSendUrgent);
  EXPECT_EQ(probe.SendFlags(), wsSendUrgent);
  probe.SendText("!");
  ASSERT_TRUE(waitUntil([&] { return peer.urgent == "!"; }));
}

// A probe in line mode that keeps each piece a data event read.
struct LineProbe : Probe {
  std::vector<std::string> pieces;
  LineProbe() {
    SetLineMode(true);
    OnDataAvailable = [this](TCustomWSocket& socket, std::uint16_t) {
      char buffer[100];
      int n = socket.Receive(buffer, sizeof buffer);
      if (n > 0) pieces.emplace_back(buffer, static_cast<std::size_t>(n));
    };
  }
};

TEST(LineMode, DeliversWholeLinesEvenWhenTheLineEndIsSplit) {
  Peer peer;
  LineProbe probe;
  ASSERT_TRUE(connectBoth(probe, peer));
  peer.send("HELO there\r");
  ASSERT_TRUE(waitUntil([&] { return probe.RcvdCount() == 11; }));
  EXPECT_TRUE(probe.pieces.empty()) << "half a line end is no line";
  peer.send("\nsecond\r\nthird\r\nunfinished");
  ASSERT_TRUE(waitUntil([&] { return probe.pieces.size() == 3; }));
  EXPECT_EQ(probe.pieces, (std::vector<std::string>{"HELO there\r\n", "second\r\n", "third\r\n"}));
  peer.close();
  ASSERT_TRUE(probe.waitFor("closed 0"));
  EXPECT_EQ(probe.pieces.back(), "unfinished") << "held bytes are the last line";
}

TEST(LineMode, AHandlerReadsALineInPiecesAndNeverBeyondIt) {
  Peer peer;
  LineProbe probe;
  probe.OnDataAvailable = [&](TCustomWSocket& socket, std::uint16_t) {
    char buffer[4];
    int n = socket.Receive(buffer, sizeof buffer);
    if (n > 0) probe.pieces.emplace_back(buffer, static_cast<std::size_t>(n));
  };
  probe.connectTo(peer.port());
  ASSERT_TRUE(peer.waitAccepted());
  peer.send("abcdefg\nxy\n");
  probe.SetLineEnd("\n");
  ASSERT_TRUE(waitUntil([&] { return probe.pieces.size() == 3; }));
  EXPECT_EQ(probe.pieces, (std::vector<std::string>{"abcd", "efg\n", "xy\n"}));
}

TEST(LineMode, SwitchingItOffHandsOutWhatIsHeld) {
  Peer peer;
  LineProbe probe;
  auto reader = probe.OnDataAvailable;
  probe.OnDataAvailable = [&](TCustomWSocket& socket, std::uint16_t error) {
    reader(socket, error);
    if (probe.pieces.size() == 1) probe.SetLineMode(false);
  };
  probe.connectTo(peer.port());
  ASSERT_TRUE(peer.waitAccepted());
  peer.send("first\r\nsecond\r\nthird");
  ASSERT_TRUE(waitUntil([&] { return probe.pieces.size() == 2; }));
  EXPECT_EQ(probe.pieces, (std::vector<std::string>{"first\r\n", "second\r\nthird"}));
  EXPECT_EQ(probe.RcvdCount(), 0);

  // Switched on again while a line is held: the held-lines notification delivers it.
  peer.send("one\r\ntwo\r\n");
  ASSERT_TRUE(waitUntil([&] { return probe.pieces.size() == 3; }));
}

TEST(RunAndWait, EndsWhenAHandlerSetsTheFlag) {
  Peer peer;
  Probe probe;
  bool connected = false;
  probe.OnSessionConnected = [&](TCustomWSocket&, std::uint16_t) { connected = true; };
  EXPECT_EQ(probe.RunAndWait(connected, [&] { probe.connectTo(peer.port()); }), 0);
  EXPECT_EQ(probe.State(), wsConnected);
}

TEST(RunAndWait, EndsWith12001WhenTheApplicationTerminatesOrTheTimeRunsOut) {
  Probe probe;
  bool never = false;
  platform::Timer quit;
  quit.onTick = [] { platform::setApplicationTerminating(true); };
  quit.setInterval(10);
  quit.setEnabled(true);
  EXPECT_EQ(probe.RunAndWait(never), 12001);
  platform::setApplicationTerminating(false);
  quit.setEnabled(false);

  probe.SetTimeout(20);
  EXPECT_EQ(probe.WaitForFlag(never), 12001);
  bool already = true;
  EXPECT_EQ(probe.WaitForFlag(already), 0);
}

}  // namespace
}  // namespace zelvaro::net
