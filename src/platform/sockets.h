#pragma once

// Non-blocking IPv4 sockets with readiness notification in the manner of asynchronous select
// of Windows Sockets 1.1: a socket asks for events and its owner receives one posted
// notification per event. Every routine returns -1 (or kInvalidSocket) on failure and leaves the
// socket error number (socketerrors.h) in lastSocketError().
//
// Event rules:
// - Read: posted when data is waiting, then not again until the socket has been read; data left
//   unread after a read gives another notification.
// - Write: posted when a connection comes up (and when events are asked for on a connected
//   socket), then only after a send was refused with would-block and room has come back.
// - Connect: posted once when a connect ends, with its error.
// - Close: posted once when the peer has closed (error 0) or reset the connection, and only
//   after the data before it has been read.
// - Accept: posted when a listening socket has a connection waiting, re-armed by accept.
// - Out-of-band: posted when urgent data waits, re-armed by an urgent read.
// Handles are never reused, so a notification left over from a closed socket can always be
// told from one of its successor.

#include <cstdint>
#include <vector>

#include "platform/eventloop.h"

namespace zelvaro::platform {

using SocketHandle = std::uintptr_t;
inline constexpr SocketHandle kInvalidSocket = ~SocketHandle{0};

// Event bits, as asked for and as carried by a notification.
namespace SocketEvent {
inline constexpr unsigned Read = 1;
inline constexpr unsigned Write = 2;
inline constexpr unsigned Oob = 4;
inline constexpr unsigned Accept = 8;
inline constexpr unsigned Connect = 16;
inline constexpr unsigned Close = 32;
}  // namespace SocketEvent

// A socket notification is {message, handle, event bits in the low 16 bits of lparam and the
// error number in the high 16 bits}.
inline unsigned selectEvent(std::intptr_t lparam) {
  return static_cast<unsigned>(lparam) & 0xFFFF;
}
inline int selectError(std::intptr_t lparam) {
  return static_cast<int>((static_cast<std::uintptr_t>(lparam) >> 16) & 0xFFFF);
}
inline std::intptr_t makeSelectReply(unsigned event, int error) {
  return static_cast<std::intptr_t>((static_cast<unsigned>(error) << 16) | (event & 0xFFFF));
}

// Send and receive flags.
inline constexpr int kMsgOob = 1;
inline constexpr int kMsgPeek = 2;

enum class ShutdownHow { Receive = 0, Send = 1, Both = 2 };

struct Ipv4Endpoint {
  std::uint32_t address = 0;  // host order; 0 is any
  std::uint16_t port = 0;     // host order; 0 is any
};

SocketHandle socketOpen(bool datagram, int protocol);
// Asks for `events` of the socket, posted to `owner` as `message`; 0 (or no owner) stops them.
// Events that already hold are posted at once.
int socketSelect(SocketHandle socket, NotificationOwner* owner, unsigned message, unsigned events);
// Starts connecting; a connection under way gives -1 with WSAEWOULDBLOCK, as in Windows.
int socketConnect(SocketHandle socket, const Ipv4Endpoint& to);
int socketBind(SocketHandle socket, const Ipv4Endpoint& at);
int socketListen(SocketHandle socket, int backlog);
SocketHandle socketAccept(SocketHandle socket, Ipv4Endpoint* from);
// For tests: each send on a stream socket takes at most the next of these byte counts, in turn,
// as a nearly full connection does; an empty list lifts the limit.
void limitStreamSends(std::vector<int> counts);
// Sends never raise SIGPIPE: a peer that went away is an error like any other.
int socketSend(SocketHandle socket, const void* data, int length, int flags);
int socketSendTo(SocketHandle socket, const void* data, int length, int flags,
                 const Ipv4Endpoint& to);
int socketReceive(SocketHandle socket, void* buffer, int length, int flags);
int socketReceiveFrom(SocketHandle socket, void* buffer, int length, int flags, Ipv4Endpoint* from);
// Bytes that a receive would return now.
int socketPending(SocketHandle socket, unsigned long* count);
int socketShutdown(SocketHandle socket, ShutdownHow how);
// Closes and forgets the handle; nothing more is posted for it.
int socketClose(SocketHandle socket);
int socketLocalEndpoint(SocketHandle socket, Ipv4Endpoint* endpoint);
int socketPeerEndpoint(SocketHandle socket, Ipv4Endpoint* endpoint);

int socketSetLinger(SocketHandle socket, bool on, int seconds);
// NoDelay: TCP sends small writes at once instead of waiting for the peer's acknowledgement.
enum class SocketOption { KeepAlive, ReuseAddress, Broadcast, OobInline, NoDelay };
int socketSetOption(SocketHandle socket, SocketOption option, bool on);

}  // namespace zelvaro::platform
