#include "platform/sockets.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>
#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <unordered_map>

#include "platform/socketerrors.h"

namespace zelvaro::platform {

namespace {

enum class Phase { Idle, Connecting, Connected, Listening, Failed };

// What the system's sockets lack to behave like asynchronous select: which events were asked
// for, and which have been posted and await their re-enabling call.
struct Entry {
  SocketHandle handle = kInvalidSocket;
  int fd = -1;
  bool datagram = false;
  Phase phase = Phase::Idle;
  NotificationOwner* owner = nullptr;
  std::weak_ptr<const void> ownerLife;
  unsigned message = 0;
  unsigned events = 0;
  bool readArmed = true;
  bool acceptArmed = true;
  bool oobArmed = true;
  bool writeWanted = false;
  bool closePosted = false;
  std::unique_ptr<QSocketNotifier> readNotifier;
  std::unique_ptr<QSocketNotifier> writeNotifier;
  std::unique_ptr<QSocketNotifier> oobNotifier;
};

// Never destroyed: notifiers must not outlive the application object in a static destructor.
std::unordered_map<SocketHandle, std::unique_ptr<Entry>>& registry() {
  static auto* entries = new std::unordered_map<SocketHandle, std::unique_ptr<Entry>>;
  return *entries;
}

SocketHandle nextHandle = 1;

std::vector<int>& sendLimits() {
  static std::vector<int> limits;
  return limits;
}
size_t nextSendLimit = 0;

int failWith(int error) {
  setLastSocketError(error);
  return -1;
}

int failFromErrno() {
  return failWith(socketErrorFromErrno(errno));
}

Entry* find(SocketHandle handle) {
  auto it = registry().find(handle);
  if (it == registry().end()) {
    setLastSocketError(WSAENOTSOCK);
    return nullptr;
  }
  return it->second.get();
}

void post(const Entry& entry, unsigned event, int error) {
  if (entry.owner == nullptr || entry.ownerLife.expired() || (entry.events & event) == 0) return;
  entry.owner->post({entry.message, entry.handle, makeSelectReply(event, error)});
}

bool wantsRead(const Entry& e) {
  if (e.owner == nullptr) return false;
  if (e.phase == Phase::Listening) return (e.events & SocketEvent::Accept) && e.acceptArmed;
  if (e.datagram) return (e.events & SocketEvent::Read) && e.readArmed;
  return e.phase == Phase::Connected && (e.events & (SocketEvent::Read | SocketEvent::Close)) &&
         e.readArmed && !e.closePosted;
}

bool wantsWrite(const Entry& e) {
  if (e.owner == nullptr) return false;
  // The end of a connect shows as writability, whether it worked or not.
  if (e.phase == Phase::Connecting) return e.events & (SocketEvent::Connect | SocketEvent::Write);
  return (e.events & SocketEvent::Write) && e.writeWanted;
}

bool wantsOob(const Entry& e) {
  return e.owner != nullptr && !e.datagram && e.phase == Phase::Connected &&
         (e.events & SocketEvent::Oob) && e.oobArmed;
}

void onReadable(SocketHandle handle);
void onWritable(SocketHandle handle);
void onOob(SocketHandle handle);

void arm(std::unique_ptr<QSocketNotifier>& notifier, const Entry& e, QSocketNotifier::Type type,
         bool on, void (*handler)(SocketHandle)) {
  if (!on) {
    if (notifier) notifier->setEnabled(false);
    return;
  }
  if (!notifier) {
    notifier = std::make_unique<QSocketNotifier>(e.fd, type);
    QObject::connect(notifier.get(), &QSocketNotifier::activated,
                     [handle = e.handle, handler] { handler(handle); });
  }
  notifier->setEnabled(true);
}

void update(Entry& e) {
  arm(e.readNotifier, e, QSocketNotifier::Read, wantsRead(e), onReadable);
  arm(e.writeNotifier, e, QSocketNotifier::Write, wantsWrite(e), onWritable);
  arm(e.oobNotifier, e, QSocketNotifier::Exception, wantsOob(e), onOob);
}

void onReadable(SocketHandle handle) {
  Entry* e = find(handle);
  if (e == nullptr) return;
  if (e->phase == Phase::Listening) {
    e->acceptArmed = false;
    post(*e, SocketEvent::Accept, 0);
  } else if (e->datagram) {
    e->readArmed = false;
    post(*e, SocketEvent::Read, 0);
  } else {
    // Readable is data, the peer's end, or its reset: a peek tells which. The end shows only
    // once everything before it has been read.
    char byte;
    ssize_t n = ::recv(e->fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    if (n > 0) {
      e->readArmed = false;
      post(*e, SocketEvent::Read, 0);
    } else if (n == 0) {
      e->closePosted = true;
      post(*e, SocketEvent::Close, 0);
    } else if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
      e->closePosted = true;
      post(*e, SocketEvent::Close, socketErrorFromErrno(errno));
    }
  }
  update(*e);
}

void onWritable(SocketHandle handle) {
  Entry* e = find(handle);
  if (e == nullptr) return;
  if (e->phase == Phase::Connecting) {
    int error = 0;
    socklen_t length = sizeof error;
    if (getsockopt(e->fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) error = errno;
    if (error == 0) {
      e->phase = Phase::Connected;
      post(*e, SocketEvent::Connect, 0);
      post(*e, SocketEvent::Write, 0);
    } else {
      e->phase = Phase::Failed;
      post(*e, SocketEvent::Connect, socketErrorFromErrno(error));
    }
  } else {
    e->writeWanted = false;
    post(*e, SocketEvent::Write, 0);
  }
  update(*e);
}

void onOob(SocketHandle handle) {
  Entry* e = find(handle);
  if (e == nullptr) return;
  // The exception condition also reports a socket error; only urgent data is posted. Either
  // way the next receive re-arms it, so an error condition cannot make it spin.
  e->oobArmed = false;
  char byte;
  if (::recv(e->fd, &byte, 1, MSG_OOB | MSG_PEEK | MSG_DONTWAIT) == 1) {
    post(*e, SocketEvent::Oob, 0);
  }
  update(*e);
}

SocketHandle adopt(int fd, bool datagram, Phase phase) {
  auto entry = std::make_unique<Entry>();
  entry->handle = nextHandle++;
  entry->fd = fd;
  entry->datagram = datagram;
  entry->phase = phase;
  SocketHandle handle = entry->handle;
  registry().emplace(handle, std::move(entry));
  return handle;
}

sockaddr_in toSockaddr(const Ipv4Endpoint& endpoint) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(endpoint.port);
  address.sin_addr.s_addr = htonl(endpoint.address);
  return address;
}

Ipv4Endpoint fromSockaddr(const sockaddr_in& address) {
  return {ntohl(address.sin_addr.s_addr), ntohs(address.sin_port)};
}

int systemFlags(int flags) {
  return MSG_NOSIGNAL | ((flags & kMsgOob) ? MSG_OOB : 0) | ((flags & kMsgPeek) ? MSG_PEEK : 0);
}

// A receive re-enables the notification it answers; any receive re-arms urgent data too,
// which a spurious exception condition may have disarmed.
void rearmAfterReceive(Entry& e, int flags) {
  if ((flags & kMsgOob) == 0) e.readArmed = true;
  e.oobArmed = true;
  update(e);
}

// A refused or partial send means the system's buffer is full: room coming back is posted.
int finishSend(Entry& e, ssize_t sent, int length) {
  if (sent < 0) {
    int error = errno;
    if (error == EAGAIN || error == EWOULDBLOCK) {
      e.writeWanted = true;
      update(e);
    }
    return failWith(socketErrorFromErrno(error));
  }
  if (sent < length && !e.datagram) {
    e.writeWanted = true;
    update(e);
  }
  return static_cast<int>(sent);
}

template <typename Call>
int endpointQuery(SocketHandle socket, Ipv4Endpoint* endpoint, Call call) {
  Entry* e = find(socket);
  if (e == nullptr) return -1;
  sockaddr_in address{};
  socklen_t length = sizeof address;
  if (call(e->fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) return failFromErrno();
  if (endpoint != nullptr) *endpoint = fromSockaddr(address);
  return 0;
}

}  // namespace

SocketHandle socketOpen(bool datagram, int protocol) {
  int fd = ::socket(AF_INET, (datagram ? SOCK_DGRAM : SOCK_STREAM) | SOCK_NONBLOCK | SOCK_CLOEXEC,
                    protocol);
  if (fd < 0) {
    failFromErrno();
    return kInvalidSocket;
  }
  return adopt(fd, datagram, Phase::Idle);
}

int socketSelect(SocketHandle socket, NotificationOwner* owner, unsigned message, unsigned events) {
  Entry* e = find(socket);
  if (e == nullptr) return -1;
  e->owner = events != 0 ? owner : nullptr;
  e->ownerLife = e->owner != nullptr ? owner->lifetime() : std::weak_ptr<const void>();
  e->message = message;
  e->events = e->owner != nullptr ? events : 0;
  // Asking again looks at every condition afresh, as a re-enabling call would.
  e->readArmed = e->acceptArmed = e->oobArmed = true;
  e->closePosted = false;
  e->writeWanted = false;
  if (e->phase == Phase::Connected && !e->datagram && (e->events & SocketEvent::Write)) {
    pollfd p{e->fd, POLLOUT, 0};
    if (::poll(&p, 1, 0) == 1 && (p.revents & POLLOUT)) {
      post(*e, SocketEvent::Write, 0);
    } else {
      e->writeWanted = true;
    }
  }
  update(*e);
  return 0;
}

int socketConnect(SocketHandle socket, const Ipv4Endpoint& to) {
  Entry* e = find(socket);
  if (e == nullptr) return -1;
  sockaddr_in address = toSockaddr(to);
  int result = ::connect(e->fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  int error = result == 0 ? 0 : errno;
  if (e->datagram) {
    if (result != 0) return failWith(socketErrorFromErrno(error));
    e->phase = Phase::Connected;
    return 0;
  }
  if (result == 0 || error == EINPROGRESS) {
    e->phase = Phase::Connecting;
    update(*e);
    return result == 0 ? 0 : failWith(WSAEWOULDBLOCK);
  }
  return failWith(socketErrorFromErrno(error));
}

int socketBind(SocketHandle socket, const Ipv4Endpoint& at) {
  Entry* e = find(socket);
  if (e == nullptr) return -1;
  sockaddr_in address = toSockaddr(at);
  if (::bind(e->fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    return failFromErrno();
  }
  return 0;
}

int socketListen(SocketHandle socket, int backlog) {
  Entry* e = find(socket);
  if (e == nullptr) return -1;
  if (::listen(e->fd, backlog) != 0) return failFromErrno();
  e->phase = Phase::Listening;
  update(*e);
  return 0;
}

SocketHandle socketAccept(SocketHandle socket, Ipv4Endpoint* from) {
  Entry* e = find(socket);
  if (e == nullptr) return kInvalidSocket;
  sockaddr_in address{};
  socklen_t length = sizeof address;
  int fd = ::accept4(e->fd, reinterpret_cast<sockaddr*>(&address), &length,
                     SOCK_NONBLOCK | SOCK_CLOEXEC);
  int error = errno;
  e->acceptArmed = true;
  update(*e);
  if (fd < 0) {
    failWith(socketErrorFromErrno(error));
    return kInvalidSocket;
  }
  if (from != nullptr) *from = fromSockaddr(address);
  return adopt(fd, false, Phase::Connected);
}

void limitStreamSends(std::vector<int> counts) {
  sendLimits() = std::move(counts);
  nextSendLimit = 0;
}

int socketSend(SocketHandle socket, const void* data, int length, int flags) {
  Entry* e = find(socket);
  if (e == nullptr) return -1;
  int take = length;
  if (!sendLimits().empty() && !e->datagram) {
    take = std::min(take, sendLimits()[nextSendLimit]);
    nextSendLimit = (nextSendLimit + 1) % sendLimits().size();
  }
  ssize_t sent = ::send(e->fd, data, static_cast<size_t>(take), systemFlags(flags));
  return finishSend(*e, sent, length);
}

int socketSendTo(SocketHandle socket, const void* data, int length, int flags,
                 const Ipv4Endpoint& to) {
  Entry* e = find(socket);
  if (e == nullptr) return -1;
  sockaddr_in address = toSockaddr(to);
  ssize_t sent = ::sendto(e->fd, data, static_cast<size_t>(length), systemFlags(flags),
                          reinterpret_cast<sockaddr*>(&address), sizeof address);
  return finishSend(*e, sent, length);
}

int socketReceive(SocketHandle socket, void* buffer, int length, int flags) {
  return socketReceiveFrom(socket, buffer, length, flags, nullptr);
}

int socketReceiveFrom(SocketHandle socket, void* buffer, int length, int flags,
                      Ipv4Endpoint* from) {
  Entry* e = find(socket);
  if (e == nullptr) return -1;
  sockaddr_in address{};
  socklen_t addressLength = sizeof address;
  ssize_t n = ::recvfrom(e->fd, buffer, static_cast<size_t>(length < 0 ? 0 : length),
                         systemFlags(flags) & ~MSG_NOSIGNAL,
                         from != nullptr ? reinterpret_cast<sockaddr*>(&address) : nullptr,
                         from != nullptr ? &addressLength : nullptr);
  int error = errno;
  rearmAfterReceive(*e, flags);
  if (n < 0) return failWith(socketErrorFromErrno(error));
  if (from != nullptr) *from = fromSockaddr(address);
  return static_cast<int>(n);
}

int socketPending(SocketHandle socket, unsigned long* count) {
  Entry* e = find(socket);
  if (e == nullptr) return -1;
  int pending = 0;
  if (::ioctl(e->fd, FIONREAD, &pending) != 0) return failFromErrno();
  *count = static_cast<unsigned long>(pending);
  return 0;
}

int socketShutdown(SocketHandle socket, ShutdownHow how) {
  Entry* e = find(socket);
  if (e == nullptr) return -1;
  if (::shutdown(e->fd, static_cast<int>(how)) != 0) return failFromErrno();
  return 0;
}

int socketClose(SocketHandle socket) {
  auto it = registry().find(socket);
  if (it == registry().end()) return failWith(WSAENOTSOCK);
  std::unique_ptr<Entry> entry = std::move(it->second);
  registry().erase(it);
  // The notifiers go before the descriptor they watch.
  entry->readNotifier.reset();
  entry->writeNotifier.reset();
  entry->oobNotifier.reset();
  // The descriptor is gone even when close reports an interruption.
  if (::close(entry->fd) != 0 && errno != EINTR) return failFromErrno();
  return 0;
}

int socketLocalEndpoint(SocketHandle socket, Ipv4Endpoint* endpoint) {
  return endpointQuery(socket, endpoint, ::getsockname);
}

int socketPeerEndpoint(SocketHandle socket, Ipv4Endpoint* endpoint) {
  return endpointQuery(socket, endpoint, ::getpeername);
}

int socketSetLinger(SocketHandle socket, bool on, int seconds) {
  Entry* e = find(socket);
  if (e == nullptr) return -1;
  linger value{on ? 1 : 0, seconds};
  if (::setsockopt(e->fd, SOL_SOCKET, SO_LINGER, &value, sizeof value) != 0) {
    return failFromErrno();
  }
  return 0;
}

int socketSetOption(SocketHandle socket, SocketOption option, bool on) {
  Entry* e = find(socket);
  if (e == nullptr) return -1;
  int level = SOL_SOCKET;
  int name = SO_KEEPALIVE;
  switch (option) {
    case SocketOption::KeepAlive:
      name = SO_KEEPALIVE;
      break;
    case SocketOption::ReuseAddress:
      name = SO_REUSEADDR;
      break;
    case SocketOption::Broadcast:
      name = SO_BROADCAST;
      break;
    case SocketOption::OobInline:
      name = SO_OOBINLINE;
      break;
    case SocketOption::NoDelay:
      level = IPPROTO_TCP;
      name = TCP_NODELAY;
      break;
  }
  int value = on ? 1 : 0;
  if (::setsockopt(e->fd, level, name, &value, sizeof value) != 0) return failFromErrno();
  return 0;
}

}  // namespace zelvaro::platform
