#include "loopback.h"

#include <algorithm>

#include "support/wait.h"

namespace zelvaro::net::test {

using namespace platform;

namespace {

constexpr unsigned kPeerMessage = 2000;
constexpr std::uint32_t kLoopback = 0x7F000001;
constexpr unsigned kAllEvents = SocketEvent::Read | SocketEvent::Write | SocketEvent::Oob |
                                SocketEvent::Accept | SocketEvent::Connect | SocketEvent::Close;

}  // namespace

Peer::Peer() {
  listener_ = socketOpen(false, 6);
  Ipv4Endpoint at{kLoopback, 0};
  socketBind(listener_, at);
  socketListen(listener_, 5);
  socketLocalEndpoint(listener_, &at);
  port_ = at.port;
  socketSelect(listener_, this, kPeerMessage, kAllEvents);
}

Peer::~Peer() {
  if (connection_ != kInvalidSocket) socketClose(connection_);
  socketClose(listener_);
}

bool Peer::waitAccepted() {
  return zelvaro::test::waitUntil([&] { return connection_ != kInvalidSocket; });
}

bool Peer::waitReceived(std::size_t count) {
  return zelvaro::test::waitUntil([&] { return received.size() >= count; }, 60000);
}

bool Peer::waitClosed() {
  return zelvaro::test::waitUntil([&] { return closed; });
}

void Peer::send(const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    int n = socketSend(connection_, bytes.data() + done, static_cast<int>(bytes.size() - done), 0);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
    } else if (lastSocketError() == WSAEWOULDBLOCK) {
      waitMessage();
    } else {
      return;  // the connection is gone
    }
  }
}

void Peer::shutdownSend() {
  socketShutdown(connection_, ShutdownHow::Send);
}

void Peer::close() {
  socketClose(connection_);
  connection_ = kInvalidSocket;
}

void Peer::reset() {
  socketSetLinger(connection_, true, 0);
  close();
}

void Peer::readNow() {
  char buffer[65536];
  int n;
  while ((n = socketReceive(connection_, buffer, sizeof buffer, 0)) > 0) {
    received.append(buffer, static_cast<std::size_t>(n));
  }
}

void Peer::handleNotification(const Notification& n) {
  unsigned event = selectEvent(n.lparam);
  if (n.wparam == listener_ && event == SocketEvent::Accept) {
    connection_ = socketAccept(listener_, nullptr);
    socketSelect(connection_, this, kPeerMessage, kAllEvents);
  } else if (n.wparam == connection_ && event == SocketEvent::Read && reading) {
    readNow();
    if (onData) onData(*this);
  } else if (n.wparam == connection_ && event == SocketEvent::Oob) {
    char byte;
    if (socketReceive(connection_, &byte, 1, kMsgOob) == 1) urgent += byte;
  } else if (n.wparam == connection_ && event == SocketEvent::Close) {
    readNow();
    closed = true;
    closeError = selectError(n.lparam);
  }
}

std::string unusedPort() {
  SocketHandle probe = socketOpen(false, 6);
  Ipv4Endpoint at{kLoopback, 0};
  socketBind(probe, at);
  socketLocalEndpoint(probe, &at);
  socketClose(probe);
  return std::to_string(at.port);
}

std::string stateName(TSocketState state) {
  static const char* const names[] = {"invalid",   "opened",    "bound",     "connecting",
                                      "connected", "accepting", "listening", "closed"};
  return names[state];
}

Probe::Probe() {
  auto record = [this](const char* what) {
    return [this, what](TCustomWSocket&, std::uint16_t error) {
      log.push_back(std::string(what) + " " + std::to_string(error));
    };
  };
  OnSessionConnected = record("connected");
  OnDataSent = record("sent");
  OnSessionClosed = record("closed");
  OnDnsLookupDone = record("dns");
  OnSessionAvailable = record("available");
  OnDataAvailable = [this](TCustomWSocket&, std::uint16_t error) {
    log.push_back("data " + std::to_string(error));
    if (!readData) return;
    char buffer[4096];
    int n = Receive(buffer, sizeof buffer);
    if (n > 0) received.append(buffer, static_cast<std::size_t>(n));
  };
  OnChangeState = [this](TCustomWSocket&, TSocketState from, TSocketState to) {
    states.push_back(stateName(from) + ">" + stateName(to));
  };
}

bool Probe::has(const std::string& entry) const {
  return std::find(log.begin(), log.end(), entry) != log.end();
}

bool Probe::waitFor(const std::string& entry, int timeoutMs) {
  return zelvaro::test::waitUntil([&] { return has(entry); }, timeoutMs);
}

void Probe::connectTo(const std::string& port) {
  SetAddr("127.0.0.1");
  SetPort(port);
  Connect();
}

bool connectBoth(Probe& probe, Peer& peer) {
  probe.connectTo(peer.port());
  return peer.waitAccepted() && probe.waitFor("connected 0");
}

int Probe::RawSend(const void* data, int length) {
  rawSends.push_back(length);
  int sent = TWSocket::RawSend(data, length);
  if (sent < length) ++shortSends;
  return sent;
}

}  // namespace zelvaro::net::test
