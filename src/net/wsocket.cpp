#include "net/wsocket.h"

#include <cctype>
#include <cstdio>

#include "platform/netnames.h"

namespace zelvaro::net {

using namespace platform;

namespace {

int socketCount = 0;

// Leading digits as a number, capped so that a long digit string cannot overflow.
int leadingNumber(const std::string& text) {
  long long value = 0;
  for (char c : text) {
    if (!std::isdigit(static_cast<unsigned char>(c))) break;
    value = std::min(value * 10 + (c - '0'), 1LL << 31);
  }
  return static_cast<int>(std::min(value, static_cast<long long>(INT32_MAX)));
}

bool startsWithDigit(const std::string& text) {
  return !text.empty() && std::isdigit(static_cast<unsigned char>(text[0]));
}

}  // namespace

std::string TrimText(const std::string& text) {
  std::size_t first = 0, last = text.size();
  while (first < last && static_cast<unsigned char>(text[first]) <= ' ') ++first;
  while (last > first && static_cast<unsigned char>(text[last - 1]) <= ' ') --last;
  return text.substr(first, last - first);
}

std::uint32_t WSocketResolveHost(const std::string& host) {
  if (host.empty() || host.size() > 256) {
    throw ESocketException("WSocketResolveHost: Invalid Hostname.");
  }
  std::string text = TrimText(host);
  if (auto address = parseDottedAddress(text)) return *address;
  if (auto address = lookupHostAddress(text)) return *address;
  throw ESocketException("WSocketResolveHost: Cannot convert host address '" + text + "'");
}

int WSocketResolvePort(const std::string& port, const std::string& proto) {
  if (port.empty() || port.size() >= 32)
    throw ESocketException("WSocketResolvePort: Invalid Port.");
  std::string text = TrimText(port);
  if (startsWithDigit(text)) return leadingNumber(text);
  if (!text.empty()) {
    if (auto number = lookupService(text, TrimText(proto))) return *number;
  }
  throw ESocketException("WSocketResolvePort: Cannot convert port '" + text + "'");
}

int WSocketResolveProto(const std::string& proto) {
  if (proto.empty() || proto.size() >= 32) {
    throw ESocketException("WSocketResolveProto: Invalid Protocol.");
  }
  std::string text = TrimText(proto);
  if (startsWithDigit(text)) return leadingNumber(text);
  if (!text.empty()) {
    if (auto number = lookupProtocol(text)) return *number;
  }
  throw ESocketException("WSocketResolveProto: Cannot convert protocol '" + proto + "'");
}

std::string OwnHostName() {
  if (auto name = localHostName()) return *name;
  throw ESocketException("Winsock.GetHostName failed");
}

// Nothing to start: the system's sockets need no library start-up; the count is kept only.
TCustomWSocket::TCustomWSocket() {
  ++socketCount;
  ResetFields();
}

TCustomWSocket::~TCustomWSocket() {
  destroying_ = true;
  try {
    CancelLookup();
  } catch (...) {
  }
  try {
    if (state_ != wsClosed || hSocket_ != INVALID_SOCKET) Close();
  } catch (...) {
  }
  if (hSocket_ != INVALID_SOCKET) socketClose(hSocket_);
  socketCount = std::max(socketCount - 1, 0);
}

int TCustomWSocket::SocketCount() {
  return socketCount;
}

void TCustomWSocket::ResetFields() {
  hSocket_ = INVALID_SOCKET;
  state_ = wsClosed;
  sin_ = {};
  portAssigned_ = addrAssigned_ = false;
  protoStr_ = "tcp";
  protoAssigned_ = true;
  proto_ = 6;
  datagram_ = false;
  portResolved_ = addrResolved_ = protoResolved_ = false;
  lingerOnOff_ = wsLingerOn;
  lingerTimeout_ = 0;
  allSent_ = true;
  paused_ = false;
  readCount_ = 0;
  closeInvoked_ = false;
  flushTimeout_ = 60;
}

// Addr, Port and Proto: the same value changes nothing while open; anything else waits for a
// close. Each assignment is resolved afresh at the next Connect or Listen.
void TCustomWSocket::AssignText(const std::string& value, std::string& text, bool& assigned,
                                bool& resolved, const char* refusal) {
  std::string trimmed = TrimText(value);
  if (state_ != wsClosed) {
    if (trimmed != text) Fail(refusal);
    return;
  }
  text = trimmed;
  assigned = !trimmed.empty();
  resolved = false;
}

void TCustomWSocket::SetAddr(const std::string& value) {
  AssignText(value, addrStr_, addrAssigned_, addrResolved_, "Cannot change Addr if not closed");
}

void TCustomWSocket::SetPort(const std::string& value) {
  AssignText(value, portStr_, portAssigned_, portResolved_, "Cannot change Port if not closed");
}

void TCustomWSocket::SetProto(const std::string& value) {
  AssignText(value, protoStr_, protoAssigned_, protoResolved_, "Cannot change Proto if not closed");
}

TSocketSendFlags TCustomWSocket::SendFlags() {
  switch (sendFlags_) {
    case 0:
      return wsSendNormal;
    case kMsgOob:
      return wsSendUrgent;
    default:
      Fail("Invalid internal SendFlags");
      return wsSendNormal;
  }
}

void TCustomWSocket::SetSendFlags(TSocketSendFlags value) {
  switch (value) {
    case wsSendNormal:
      sendFlags_ = 0;
      break;
    case wsSendUrgent:
      sendFlags_ = kMsgOob;
      break;
    default:
      Fail("Invalid SendFlags");
  }
}

int TCustomWSocket::RcvdCount() {
  if (hSocket_ == INVALID_SOCKET) return HeldCount();
  unsigned long count = 0;
  if (socketPending(hSocket_, &count) != 0) {
    SocketError("ioctlSocket");
    return -1;
  }
  return static_cast<int>(count) + HeldCount();
}

// ---- Dispatch ----

void TCustomWSocket::WndProc(const Notification& message) {
  switch (message.message) {
    case WM_ASYNCSELECT:
      OnSocketMessage(message);
      break;
    case WM_ASYNCGETHOSTBYNAME:
      OnLookupDone(message, false);
      break;
    case WM_ASYNCGETHOSTBYADDR:
      OnLookupDone(message, true);
      break;
    default:
      break;
  }
}

void TCustomWSocket::OnSocketMessage(const Notification& message) {
  if (message.wparam != hSocket_ || hSocket_ == INVALID_SOCKET || paused_) return;
  unsigned event = selectEvent(message.lparam);
  int error = selectError(message.lparam);
  // After every event raised: a handler that closed the socket (or destroyed it) ends the
  // handling of this notification, which belonged to that connection.
  std::weak_ptr<char> alive = Alive();
  TSocket handle = hSocket_;
  auto gone = [&] { return alive.expired() || hSocket_ != handle; };
  if (event & SocketEvent::Connect) {
    ChangeState(wsConnected);
    if (gone()) return;
    DoSessionConnected(error);
    if (gone()) return;
    if (error != 0 && state_ != wsClosed) Close();
    if (gone()) return;
  }
  if (event & SocketEvent::Read) {
    ReadLoop(error);
    if (gone()) return;
  }
  if (event & SocketEvent::Write) {
    TryToSend();
    // A connection that died while writing has not drained: nothing to report as sent.
    if (gone()) return;
    if (allSent_ && OnDataSent) DoDataSent(error);
    if (gone()) return;
  }
  if (event & SocketEvent::Accept) {
    DoSessionAvailable(error);
    if (gone()) return;
  }
  if ((event & SocketEvent::Close) && state_ != wsConnecting) {
    ReadLoop(0);
    if (gone()) return;
    PeerClosed();
    if (gone()) return;
    if (OnSessionClosed && !closeInvoked_) {
      closeInvoked_ = true;
      DoSessionClosed(error);
      if (gone()) return;
    }
    if (state_ != wsClosed) Close();
  }
}

void TCustomWSocket::OnLookupDone(const Notification& message, bool reverse) {
  if (message.wparam == 0 || message.wparam != lookup_.inProgress()) return;
  int error = static_cast<int>(message.lparam);
  std::vector<std::string> found = lookup_.take(message.wparam);
  if (error == 0 && found.empty()) error = WSANO_DATA;
  if (error == 0) {
    dnsResult_ = found.front();
    // A reverse lookup yields one name; a forward one every address.
    dnsResultList_ = reverse ? std::vector<std::string>{dnsResult_} : std::move(found);
  }
  DoDnsLookupDone(error);
}

// ---- Events ----
// Each handler is called through a copy: it may replace itself while it runs.

bool TCustomWSocket::DoDataAvailable(int error) {
  if (!OnDataAvailable) return false;
  TSessionEvent handler = OnDataAvailable;
  handler(*this, static_cast<std::uint16_t>(error));
  return true;
}

void TCustomWSocket::DoSessionAvailable(int error) {
  if (TSessionEvent handler = OnSessionAvailable) handler(*this, static_cast<std::uint16_t>(error));
}

void TCustomWSocket::DoSessionConnected(int error) {
  if (TSessionEvent handler = OnSessionConnected) handler(*this, static_cast<std::uint16_t>(error));
}

void TCustomWSocket::DoSessionClosed(int error) {
  if (TSessionEvent handler = OnSessionClosed) handler(*this, static_cast<std::uint16_t>(error));
}

void TCustomWSocket::DoDataSent(int error) {
  if (TSessionEvent handler = OnDataSent) handler(*this, static_cast<std::uint16_t>(error));
}

void TCustomWSocket::DoChangeState(TSocketState oldState, TSocketState newState) {
  // A socket being destroyed is no longer one to report about.
  if (destroying_) return;
  if (TChangeStateEvent handler = OnChangeState) handler(*this, oldState, newState);
}

void TCustomWSocket::DoDnsLookupDone(int error) {
  if (TSessionEvent handler = OnDnsLookupDone) handler(*this, static_cast<std::uint16_t>(error));
}

void TCustomWSocket::DoError() {
  if (TNotifyEvent handler = OnError) handler(*this);
}

void TCustomWSocket::ChangeState(TSocketState newState) {
  TSocketState oldState = state_;
  state_ = newState;
  DoChangeState(oldState, newState);
}

// ---- Errors ----

void TCustomWSocket::Fail(const std::string& text) {
  if (OnError) {
    DoError();
    return;
  }
  throw ESocketException(text);
}

void TCustomWSocket::SocketError(const std::string& function) {
  int error = lastSocketError();
  std::string line = "Error " + std::to_string(error) + " in function " + function + "\r\n" +
                     SocketErrorText(error);
  if (error == WSAECONNRESET || error == WSAENOTCONN) {
    if (hSocket_ != INVALID_SOCKET) socketClose(hSocket_);
    hSocket_ = INVALID_SOCKET;
    ChangeState(wsClosed);
  }
  lastError_ = error;
  Fail(line);
}

// ---- Lookup ----

bool TCustomWSocket::StartLookup(const std::string& text) {
  if (text.empty()) {
    Fail("DNS lookup: invalid host name.");
    DoDnsLookupDone(WSAEINVAL);
    return false;
  }
  lookup_.cancel();  // quietly: a new lookup replaces it
  dnsResult_.clear();
  dnsResultList_.clear();
  return true;
}

void TCustomWSocket::CannotStartLookup(const std::string& text) {
  Fail(text + ": can't start DNS lookup, error #" + std::to_string(lastSocketError()));
}

void TCustomWSocket::DnsLookup(const std::string& host) {
  if (!StartLookup(host)) return;
  if (auto address = parseDottedAddress(host)) {
    dnsResult_ = dottedAddress(*address);
    DoDnsLookupDone(0);
  } else if (lookup_.byName(host, WM_ASYNCGETHOSTBYNAME) == 0) {
    CannotStartLookup(host);
  }
}

void TCustomWSocket::ReverseLookup(const std::string& address) {
  if (!StartLookup(address)) return;
  std::optional<std::uint32_t> parsed = parseDottedAddress(TrimText(address));
  if (!parsed) setLastSocketError(WSAEINVAL);
  if (!parsed || lookup_.byAddress(*parsed, WM_ASYNCGETHOSTBYADDR) == 0) {
    CannotStartLookup(address);
  }
}

void TCustomWSocket::CancelLookup() {
  if (!lookup_.cancel()) return;
  if (!destroying_) DoDnsLookupDone(WSAEINTR);
}

// ---- Connecting ----

bool TCustomWSocket::ResolveAndOpen(const std::string& prefix, const char* openFailure) {
  try {
    if (!protoResolved_) {
      proto_ = WSocketResolveProto(protoStr_);
      datagram_ = proto_ == 17;
      protoResolved_ = true;
    }
    if (!portResolved_) {
      sin_.port = static_cast<std::uint16_t>(WSocketResolvePort(ConnectPort(), protoStr_));
      portResolved_ = true;
    }
    if (!addrResolved_) {
      sin_.address = WSocketResolveHost(ConnectAddr());
      addrResolved_ = true;
    }
  } catch (const ESocketException& e) {
    Fail(prefix + e.what());
    return false;
  }
  DeleteBufferedData();
  hSocket_ = socketOpen(datagram_, proto_);
  if (hSocket_ != INVALID_SOCKET) return true;
  SocketError(openFailure);
  return false;
}

void TCustomWSocket::Connect() {
  if (hSocket_ != INVALID_SOCKET && state_ != wsClosed)
    return Fail("Connect: Socket already in use");
  if (!portAssigned_) return Fail("Connect: No Port Specified");
  if (!addrAssigned_) return Fail("Connect: No IP Address Specified");
  if (!protoAssigned_) return Fail("Connect: No Protocol Specified");
  if (!ResolveAndOpen("connect: ", "Connect (socket)")) return;
  ChangeState(wsOpened);
  if (!datagram_) {
    SetLingerOption();
    if (socketSetOption(hSocket_, SocketOption::KeepAlive, true) != 0) {
      return SocketError("setsockopt(SO_KEEPALIVE)");
    }
    if (socketSetOption(hSocket_, SocketOption::ReuseAddress, true) != 0) {
      return SocketError("setsockopt(SO_REUSEADDR)");
    }
  } else {
    BindAnyPort();
    if (sin_.address == 0xFFFFFFFF &&
        socketSetOption(hSocket_, SocketOption::Broadcast, true) != 0) {
      return SocketError("setsockopt(SO_BROADCAST)");
    }
  }
  if (socketSelect(hSocket_, &window_, WM_ASYNCSELECT, SelectedEvents()) != 0) {
    return SocketError("WSAAsyncSelect");
  }
  if (datagram_) {
    ChangeState(wsConnected);
    DoSessionConnected(0);
    return;
  }
  if (socketConnect(hSocket_, sin_) != 0 && lastSocketError() != WSAEWOULDBLOCK) {
    lastError_ = lastSocketError();
    return SocketError("Connect");
  }
  ChangeState(wsConnecting);
}

void TCustomWSocket::SetLingerOption() {
  if (lingerOnOff_ == wsLingerNoSet) return;
  if (hSocket_ == INVALID_SOCKET) return Fail("Cannot set linger option at this time");
  if (socketSetLinger(hSocket_, lingerOnOff_ == wsLingerOn, lingerTimeout_) != 0) {
    SocketError("setsockopt(SO_LINGER)");
  }
}

void TCustomWSocket::BindAnyPort() {
  if (socketBind(hSocket_, Ipv4Endpoint{}) != 0) {
    return Fail("winsock.bind failed, error #" + std::to_string(lastSocketError()));
  }
  Ipv4Endpoint local;
  if (socketLocalEndpoint(hSocket_, &local) != 0) {
    return Fail("winsock.getsockname failed, error #" + std::to_string(lastSocketError()));
  }
  localPortNum_ = local.port;
}

// ---- Sending ----

void TCustomWSocket::DeleteBufferedData() {
  bufList_.clear();
}

void TCustomWSocket::SetSendBlockSize(int size) {
  bufSize_ = size > 0 ? size : TBuffer::kDefaultSize;
  // The idle block kept for reuse takes the new size too.
  for (auto& block : bufList_) {
    const char* unsent = nullptr;
    if (block->Peek(&unsent) == 0) block->SetSize(bufSize_);
  }
}

void TCustomWSocket::QueueData(const void* data, int length) {
  if (length <= 0) return;
  const char* bytes = static_cast<const char*>(data);
  if (bufList_.empty()) bufList_.push_back(std::make_unique<TBuffer>(bufSize_));
  int written = bufList_.back()->Write(bytes, length);
  while (written < length) {
    bufList_.push_back(std::make_unique<TBuffer>(bufSize_));
    written += bufList_.back()->Write(bytes + written, length - written);
  }
}

int TCustomWSocket::Send(const void* data, int length) {
  if (state_ != wsConnected) {
    setLastSocketError(WSAENOTCONN);
    SocketError("Send");
    return -1;
  }
  std::weak_ptr<char> alive = Alive();
  // Written at once: the event still comes from the loop, never from inside Send.
  if (WriteThrough(data, length) && !alive.expired()) {
    window_.post({WM_ASYNCSELECT, hSocket_, makeSelectReply(SocketEvent::Write, 0)});
  }
  return std::max(length, 0);
}

bool TCustomWSocket::SendAtOnce(const void* data, int length) {
  if (state_ != wsConnected) {
    setLastSocketError(WSAENOTCONN);
    SocketError("Send");
    return false;
  }
  return WriteThrough(data, length);
}

bool TCustomWSocket::WriteThrough(const void* data, int length) {
  allSent_ = false;
  QueueData(data, length);
  std::weak_ptr<char> alive = Alive();
  TryToSend();
  return !alive.expired() && allSent_ && hSocket_ != INVALID_SOCKET;
}

int TCustomWSocket::SendText(const std::string& text) {
  return Send(text.data(), static_cast<int>(text.size()));
}

int TCustomWSocket::RawSend(const void* data, int length) {
  if (datagram_) return socketSendTo(hSocket_, data, length, sendFlags_, sin_);
  return socketSend(hSocket_, data, length, sendFlags_);
}

void TCustomWSocket::TryToSend() {
  if (hSocket_ == INVALID_SOCKET) return;
  // An empty chain has drained too (a Send of nothing must not leave the socket unsent).
  if (bufList_.empty()) {
    allSent_ = HeldOutputSent();
    return;
  }
  for (;;) {
    TBuffer& block = *bufList_.front();
    const char* bytes = nullptr;
    int length = block.Peek(&bytes);
    if (length <= 0) {
      if (bufList_.size() > 1) {
        bufList_.pop_front();
        continue;
      }
      allSent_ = HeldOutputSent();  // the last block stays for reuse
      return;
    }
    int sent = RawSend(bytes, length);
    if (sent == 0) return;
    if (sent < 0) {
      int error = lastSocketError();
      if (error == WSAEINVAL || error == WSAENOTSOCK || error == WSAECONNRESET ||
          error == WSAENOTCONN) {
        closeInvoked_ = true;
        Close();
        DoSessionClosed(error);
      } else if (error != WSAEWOULDBLOCK) {
        SocketError("TryToSend failed");
      }
      return;
    }
    block.Remove(sent);
    if (sent < length) return;  // the rest waits for room
  }
}

void TCustomWSocket::Flush() {
  while (hSocket_ != INVALID_SOCKET && !allSent_) {
    TryToSend();
    // Room comes back as an event: wait for it rather than spin.
    if (hSocket_ != INVALID_SOCKET && !allSent_) waitMessage();
  }
}

void TCustomWSocket::MessagePump() {
  processMessages();
}

// ---- Receiving ----

void TCustomWSocket::ReadLoop(int error) {
  std::weak_ptr<char> alive = Alive();
  for (;;) {
    try {
      long long before = consumed_;
      lastError_ = 0;
      bool assigned = DoDataAvailable(error);
      if (alive.expired()) return;
      if (!assigned) {
        char discard[1024];
        if (Receive(discard, sizeof discard) < 0 && lastError_ == WSAEWOULDBLOCK) {
          lastError_ = 0;
          return;
        }
      }
      if (lastError_ != 0) return;
      if (hSocket_ == INVALID_SOCKET) return;
      unsigned long pending = 0;
      if (socketPending(hSocket_, &pending) != 0) {
        lastError_ = lastSocketError();
        return;
      }
      if (pending == 0 && HeldCount() == 0) return;
      // A handler that read nothing would be asked forever: the next read re-arms the event.
      if (consumed_ == before) return;
    } catch (...) {
      // A handler's exception ends the loop here and goes no further.
      return;
    }
  }
}

int TCustomWSocket::RawReceive(void* buffer, int length, int flags) {
  int count = socketReceive(hSocket_, buffer, length, flags);
  if (count > 0) consumed_ += count;
  return count;
}

int TCustomWSocket::Receive(void* buffer, int length) {
  int count = RawReceive(buffer, length, 0);
  if (count < 0) {
    lastError_ = lastSocketError();
  } else {
    readCount_ += count;
  }
  return count;
}

std::string TCustomWSocket::ReceiveText() {
  int pending = RcvdCount();
  if (pending <= 0) return {};
  std::string text(static_cast<std::size_t>(pending), '\0');
  int count = Receive(text.data(), pending);
  if (count <= 0) return {};
  text.resize(static_cast<std::size_t>(count));
  return text;
}

int TCustomWSocket::ReceiveFrom(void* buffer, int length, Ipv4Endpoint* from) {
  int count = socketReceiveFrom(hSocket_, buffer, length, 0, from);
  if (count > 0) consumed_ += count;
  if (count < 0) {
    lastError_ = lastSocketError();
  } else {
    readCount_ += count;
  }
  return count;
}

// ---- Closing ----

void TCustomWSocket::Close() {
  CloseCommon(true, 0);
}

void TCustomWSocket::Abort() {
  CancelLookup();
  DeleteBufferedData();
  if (state_ == wsConnected) {
    lingerOnOff_ = wsLingerOff;
    SetLingerOption();
  }
  CloseCommon(false, 0);
}

void TCustomWSocket::Shutdown(ShutdownHow how) {
  if (hSocket_ != INVALID_SOCKET) socketShutdown(hSocket_, how);
}

void TCustomWSocket::CloseCommon(bool shut, int error) {
  if (hSocket_ == INVALID_SOCKET) {
    if (state_ != wsClosed) {
      ChangeState(wsClosed);
      ResetFields();
    }
    return;
  }
  if (state_ == wsClosed) {
    // A handle made before any state was entered (a Listen whose bind failed): just let it go.
    socketClose(hSocket_);
    hSocket_ = INVALID_SOCKET;
    return;
  }
  if (shut) socketShutdown(hSocket_, ShutdownHow::Send);
  TSocket handle = hSocket_;
  hSocket_ = INVALID_SOCKET;
  if (socketClose(handle) != 0 && lastSocketError() != WSANOTINITIALISED) {
    return SocketError("Disconnect (closesocket)");
  }
  std::weak_ptr<char> alive = Alive();
  ChangeState(wsClosed);
  if (alive.expired()) return;
  if (!destroying_ && !closeInvoked_ && OnSessionClosed) {
    closeInvoked_ = true;
    DoSessionClosed(error);
    if (alive.expired()) return;
  }
  // A handler that has already opened the next connection keeps it.
  if (hSocket_ != INVALID_SOCKET) return;
  try {
    ResetFields();
  } catch (...) {
  }
}

void TCustomWSocket::DrainUntilClosed() {
  while (hSocket_ != INVALID_SOCKET && state_ != wsClosed && !applicationTerminating()) {
    // Waits for an event instead of spinning: the close comes as one.
    waitMessage();
    if (hSocket_ == INVALID_SOCKET) return;
    unsigned long pending = 0;
    if (socketPending(hSocket_, &pending) != 0) return;
    if (pending > 0) DoDataAvailable(0);
    if (hSocket_ == INVALID_SOCKET) return;
    char probe;
    if (socketReceive(hSocket_, &probe, 0, 0) < 0 && lastSocketError() != WSAEWOULDBLOCK) return;
    MessagePump();
  }
}

// ---- Listening ----

void TCustomWSocket::Listen() {
  auto refuse = [this](const char* text) {
    setLastSocketError(WSAEINVAL);
    SocketError(text);
  };
  if (!portAssigned_) return refuse("listen: port not assigned");
  if (!protoAssigned_) return refuse("listen: protocol not assigned");
  if (!addrAssigned_) return refuse("listen: address not assigned");
  if (!ResolveAndOpen("listen: ", "socket")) return;
  if (socketBind(hSocket_, sin_) != 0) {
    // Let the handle go first: a raised error would otherwise leave it open.
    int error = lastSocketError();
    Close();
    setLastSocketError(error);
    return SocketError("Bind");
  }
  ChangeState(wsBound);
  if (datagram_) {
    ChangeState(wsListening);
    ChangeState(wsConnected);
    DoSessionConnected(0);
  } else {
    if (socketListen(hSocket_, 5) != 0) return SocketError("Listen");
    ChangeState(wsListening);
  }
  if (hSocket_ == INVALID_SOCKET) return;
  if (socketSelect(hSocket_, &window_, WM_ASYNCSELECT, SelectedEvents()) != 0) {
    SocketError("WSAASyncSelect");
  }
}

TSocket TCustomWSocket::Accept() {
  if (state_ != wsListening) {
    setLastSocketError(WSAEINVAL);
    SocketError("not a listening socket");
    return INVALID_SOCKET;
  }
  aSocket_ = socketAccept(hSocket_, nullptr);
  if (aSocket_ == INVALID_SOCKET) SocketError("Accept");
  return aSocket_;
}

void TCustomWSocket::AttachHandle(TSocket handle) {
  if (handle == 0 || handle == INVALID_SOCKET) {
    setLastSocketError(WSAEINVAL);
    return SocketError("Dup");
  }
  if (hSocket_ != INVALID_SOCKET) {
    if (socketClose(hSocket_) != 0) return SocketError("Dup (closesocket)");
    hSocket_ = INVALID_SOCKET;
    ChangeState(wsClosed);
  }
  hSocket_ = handle;
  SetLingerOption();
  namespace ev = SocketEvent;
  if (socketSelect(hSocket_, &window_, WM_ASYNCSELECT,
                   ev::Read | ev::Write | ev::Connect | ev::Close) != 0) {
    return SocketError("WSAAsyncSelect");
  }
  ChangeState(wsConnected);
}

void TCustomWSocket::Pause() {
  paused_ = true;
  if (hSocket_ != INVALID_SOCKET) socketSelect(hSocket_, &window_, WM_ASYNCSELECT, 0);
}

void TCustomWSocket::Resume() {
  paused_ = false;
  if (hSocket_ == INVALID_SOCKET) return;
  namespace ev = SocketEvent;
  // A listening socket needs its accept events back too.
  unsigned events =
      ev::Read | ev::Write | ev::Connect | ev::Close | (state_ == wsListening ? ev::Accept : 0);
  if (socketSelect(hSocket_, &window_, WM_ASYNCSELECT, events) != 0) {
    SocketError("WSAAsyncSelect");
  }
}

// ---- Addresses ----

std::string TCustomWSocket::RemoteAddrText() {
  if (state_ != wsConnected) return "error";
  Ipv4Endpoint peer;
  if (socketPeerEndpoint(hSocket_, &peer) != 0) {
    SocketError("GetPeerName");
    return "error";
  }
  return dottedAddress(peer.address);
}

int TCustomWSocket::RemoteSockName(Ipv4Endpoint& address) {
  return socketPeerEndpoint(hSocket_, &address);
}

int TCustomWSocket::SockName(Ipv4Endpoint& address) {
  return socketLocalEndpoint(hSocket_, &address);
}

std::string TCustomWSocket::LocalPortText() {
  if (state_ != wsBound && state_ != wsConnected && state_ != wsListening) return "error";
  Ipv4Endpoint local;
  if (socketLocalEndpoint(hSocket_, &local) != 0) return "error";
  return std::to_string(local.port);
}

}  // namespace zelvaro::net
