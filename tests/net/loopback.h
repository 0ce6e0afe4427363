#pragma once

// Test peers on loopback. `Peer` is the far end of a connection, driven by the platform layer
// directly so that it does not depend on the socket under test. `Probe` is the socket under test
// with every event written to a log and every raw send recorded.

#include <functional>
#include <string>
#include <vector>

#include "net/twsocket.h"
#include "platform/eventloop.h"
#include "platform/sockets.h"

namespace zelvaro::net::test {

// A listening socket on 127.0.0.1 that accepts one connection.
class Peer : public platform::NotificationOwner {
 public:
  Peer();
  ~Peer() override;

  std::string port() const { return std::to_string(port_); }
  // Waits (with a deadline) for the connection, for `count` bytes in total, for the close.
  bool waitAccepted();
  bool waitReceived(std::size_t count);
  bool waitClosed();

  void send(const std::string& bytes);
  void shutdownSend();
  void close();
  // Closes with a reset instead of an orderly end.
  void reset();
  // Reads what is waiting now (for a peer that is not reading by itself).
  void readNow();

  std::string received;
  std::string urgent;   // out-of-band bytes
  bool reading = true;  // false: a slow reader that leaves the data waiting
  // Runs after each read: scripted peers answer from here.
  std::function<void(Peer&)> onData;
  bool closed = false;
  int closeError = -1;

 protected:
  void handleNotification(const platform::Notification& n) override;

 private:
  platform::SocketHandle listener_ = platform::kInvalidSocket;
  platform::SocketHandle connection_ = platform::kInvalidSocket;
  int port_ = 0;
};

// A port on which nothing listens (it was free a moment ago).
std::string unusedPort();

class Probe : public TWSocket {
 public:
  Probe();
  std::vector<std::string> log;     // "connected 0", "data 0", "sent 0", "closed 0", "dns 0"
  std::vector<int> rawSends;        // length asked of every raw send
  int shortSends = 0;               // raw sends that took less than asked (would-block included)
  std::string received;             // what the data handler read
  bool readData = true;             // false: the data handler reads nothing
  std::vector<std::string> states;  // "closed>opened", ...

  bool has(const std::string& entry) const;
  bool waitFor(const std::string& entry, int timeoutMs = 20000);
  // Connect to 127.0.0.1:port.
  void connectTo(const std::string& port);

 protected:
  int RawSend(const void* data, int length) override;
};

std::string stateName(TSocketState state);

// Runs `action` and returns the text of the ESocketException it raises ("" when none).
template <typename Action>
std::string failure(Action action) {
  try {
    action();
  } catch (const ESocketException& e) {
    return e.what();
  }
  return "";
}

// Connects the probe to the peer and waits until both ends see the connection.
bool connectBoth(Probe& probe, Peer& peer);

}  // namespace zelvaro::net::test
