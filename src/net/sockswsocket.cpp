#include "net/sockswsocket.h"

#include <strings.h>

#include "platform/netnames.h"

namespace zelvaro::net {

using namespace platform;

namespace {

constexpr char kVersion = 5;
constexpr char kMethodNone = 0;
constexpr char kMethodUserPassword = 2;
constexpr char kCommandConnect = 1;
constexpr char kAddressIpv4 = 1;
constexpr char kAddressDomain = 3;
constexpr char kAddressIpv6 = 4;

// The texts of reply codes 1 to 8; code n is failure 20003 + n.
const char* const kReplyTexts[] = {
    "general SOCKS server failure", "connection not allowed by ruleset",
    "network unreachable",          "host unreachable",
    "connection refused",           "time to live expired",
    "command not supported",        "address type not supported"};

std::string withLength(const std::string& text) {
  return std::string(1, static_cast<char>(text.size())) + text;
}

}  // namespace

void TCustomSocksWSocket::SetWhileClosed(const std::string& value, std::string& field,
                                         const char* refusal) {
  std::string text = TrimText(value);
  if (State() != wsClosed) {
    if (text != field) Fail(refusal);
    return;
  }
  field = text;
}

void TCustomSocksWSocket::SetSocksServer(const std::string& value) {
  SetWhileClosed(value, socksServer_, "Can't change socks server if not closed");
}

void TCustomSocksWSocket::SetSocksPort(const std::string& value) {
  SetWhileClosed(value, socksPort_, "Can't change socks port if not closed");
}

void TCustomSocksWSocket::ResetFields() {
  TCustomWSocket::ResetFields();
  phase_ = Phase::None;
  reply_.clear();
}

const std::string& TCustomSocksWSocket::ConnectAddr() const {
  return phase_ != Phase::None ? socksServer_ : TCustomWSocket::ConnectAddr();
}

const std::string& TCustomSocksWSocket::ConnectPort() const {
  return phase_ != Phase::None ? socksPort_ : TCustomWSocket::ConnectPort();
}

void TCustomSocksWSocket::Listen() {
  if (!socksServer_.empty()) return Fail("listening is not supported thru socks server");
  TCustomWSocket::Listen();
}

void TCustomSocksWSocket::Connect() {
  phase_ = Phase::None;
  if (socksServer_.empty()) return TCustomWSocket::Connect();
  if (strcasecmp(TrimText(Proto()).c_str(), "tcp") != 0) {
    return Fail("tcp is the only protocol supported thru socks server");
  }
  try {
    targetPort_ = WSocketResolvePort(Port(), "tcp");
  } catch (const ESocketException& e) {
    return Fail(std::string("connect: ") + e.what());
  }
  boundAddr_.clear();
  boundPort_.clear();
  phase_ = Phase::ToProxy;
  try {
    TCustomWSocket::Connect();
  } catch (...) {
    phase_ = Phase::None;
    throw;
  }
  if (State() != wsConnecting) phase_ = Phase::None;
}

void TCustomSocksWSocket::DoSessionConnected(int error) {
  if (phase_ != Phase::ToProxy) return TCustomWSocket::DoSessionConnected(error);
  std::weak_ptr<char> alive = Alive();
  DoSocksConnected(error);
  if (alive.expired()) return;
  if (error != 0) {
    phase_ = Phase::None;
    return TCustomWSocket::DoSessionConnected(error);
  }
  if (State() != wsConnected) return;  // the handler closed it
  phase_ = Phase::Method;
  if (socksAuthentication_ == socksAuthenticateUsercode) {
    // Both methods are offered, so that a proxy may waive the password.
    SendDialogue({kVersion, 2, kMethodNone, kMethodUserPassword});
  } else {
    SendDialogue({kVersion, 1, kMethodNone});
  }
}

void TCustomSocksWSocket::DoDataSent(int error) {
  // The connection's first write event comes while the proxy's dialogue runs: the caller has
  // sent nothing yet.
  if (!SocksBusy()) TCustomWSocket::DoDataSent(error);
}

bool TCustomSocksWSocket::DoDataAvailable(int error) {
  if (phase_ == Phase::None || phase_ == Phase::ToProxy || phase_ == Phase::Done) {
    return TCustomWSocket::DoDataAvailable(error);
  }
  if (error != 0) {
    SocksFailure(error, "data receive error");
    return true;
  }
  switch (phase_) {
    case Phase::Method:
      if (ReadReply(2)) OnMethodReply();
      break;
    case Phase::Authentication:
      if (ReadReply(2)) OnAuthenticationReply();
      break;
    default:
      OnRequestReply();
  }
  return true;
}

void TCustomSocksWSocket::PeerClosed() {
  TCustomWSocket::PeerClosed();
  if (phase_ == Phase::Authentication) {
    std::weak_ptr<char> alive = Alive();
    DoSocksAuthState(saFailure);
    if (alive.expired() || HSocket() == INVALID_SOCKET) return;
    SocksFailure(socksAuthenticationFailed, "socks authentication failed");
  } else if (phase_ == Phase::Method || phase_ == Phase::Request) {
    SocksFailure(WSAECONNABORTED, SocketErrorText(WSAECONNABORTED));
  }
}

void TCustomSocksWSocket::SendDialogue(const std::string& bytes) {
  // The proxy's dialogue bypasses the send chain: it is no data of the caller's, so it must
  // raise no OnDataSent. A few bytes on a fresh connection always fit.
  int sent = socketSend(HSocket(), bytes.data(), static_cast<int>(bytes.size()), 0);
  if (sent != static_cast<int>(bytes.size())) SocksFailure(socksInternalError, "internal error");
}

bool TCustomSocksWSocket::ReadReply(int expected) {
  int missing = expected - static_cast<int>(reply_.size());
  if (missing > 0) {
    char buffer[512];
    int count = TCustomWSocket::RawReceive(buffer, std::min(missing, 512), 0);
    if (count > 0) reply_.append(buffer, static_cast<std::size_t>(count));
  }
  return static_cast<int>(reply_.size()) >= expected;
}

void TCustomSocksWSocket::OnMethodReply() {
  unsigned long pending = 0;
  if (socketPending(HSocket(), &pending) == 0 && pending > 0) {
    return SocksFailure(socksTooMuchData, "too much data availaible");
  }
  if (reply_[0] != kVersion) return SocksFailure(socksVersionError, "socks version error");
  char method = reply_[1];
  reply_.clear();
  bool authenticate = socksAuthentication_ == socksAuthenticateUsercode;
  std::weak_ptr<char> alive = Alive();
  TSocket handle = HSocket();
  if (method == kMethodNone) {
    if (authenticate) DoSocksAuthState(saNotRequired);
    if (!alive.expired() && HSocket() == handle) SendRequest();
  } else if (method == kMethodUserPassword && authenticate) {
    if (socksUsercode_.size() > 255 || socksPassword_.size() > 255) {
      return SocksFailure(socksInternalError, "internal error");
    }
    DoSocksAuthState(saStart);
    if (alive.expired() || HSocket() != handle) return;
    phase_ = Phase::Authentication;
    SendDialogue(std::string(1, 1) + withLength(socksUsercode_) + withLength(socksPassword_));
  } else {
    SocksFailure(socksMethodNotAcceptable, "authentification method not acceptable");
  }
}

void TCustomSocksWSocket::OnAuthenticationReply() {
  unsigned long pending = 0;
  if (socketPending(HSocket(), &pending) == 0 && pending > 0) {
    return SocksFailure(socksTooMuchData, "too much data availaible");
  }
  bool accepted = reply_[1] == 0;
  reply_.clear();
  std::weak_ptr<char> alive = Alive();
  TSocket handle = HSocket();
  DoSocksAuthState(accepted ? saSuccess : saFailure);
  if (alive.expired() || HSocket() != handle) return;
  if (!accepted) return SocksFailure(socksAuthenticationFailed, "socks authentication failed");
  SendRequest();
}

void TCustomSocksWSocket::SendRequest() {
  if (Addr().size() > 255) return SocksFailure(socksInternalError, "internal error");
  phase_ = Phase::Request;
  SendDialogue(std::string{kVersion, kCommandConnect, 0, kAddressDomain} + withLength(Addr()) +
               static_cast<char>(targetPort_ >> 8) + static_cast<char>(targetPort_ & 0xFF));
}

void TCustomSocksWSocket::OnRequestReply() {
  // Version, reply code, reserved, address type and the first address byte tell the length.
  if (!ReadReply(5)) return;
  if (reply_[0] != kVersion) return SocksFailure(socksVersionError, "socks version error");
  int code = static_cast<unsigned char>(reply_[1]);
  if (code >= 1 && code <= 8) return SocksFailure(20003 + code, kReplyTexts[code - 1]);
  if (code != 0) {
    return SocksFailure(socksUnassignedError, "unassigned error #" + std::to_string(code));
  }
  int addressLength = 0;
  switch (reply_[3]) {
    case kAddressIpv4:
      addressLength = 4;
      break;
    case kAddressDomain:
      addressLength = 1 + static_cast<unsigned char>(reply_[4]);
      break;
    case kAddressIpv6:
      addressLength = 16;
      break;
    default:
      return SocksFailure(socksAddressTypeNotSupported, kReplyTexts[7]);
  }
  if (!ReadReply(4 + addressLength + 2)) return;
  const char* address = reply_.data() + 4;
  if (reply_[3] == kAddressIpv4) {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value = (value << 8) | static_cast<unsigned char>(address[i]);
    boundAddr_ = dottedAddress(value);
  } else if (reply_[3] == kAddressDomain) {
    boundAddr_.assign(address + 1, static_cast<std::size_t>(addressLength - 1));
  } else {
    boundAddr_ = ipv6Text(reinterpret_cast<const unsigned char*>(address));
  }
  const char* port = address + addressLength;
  boundPort_ = std::to_string(static_cast<unsigned char>(port[0]) * 256 +
                              static_cast<unsigned char>(port[1]));
  reply_.clear();
  phase_ = Phase::Done;
  // Bytes the target sent after the reply stay in the connection for the caller's reads. The
  // layers above see the connection come up only now.
  DoSessionConnected(0);
}

void TCustomSocksWSocket::SocksFailure(int code, const std::string& message) {
  phase_ = Phase::None;
  std::weak_ptr<char> alive = Alive();
  TSocket handle = HSocket();
  auto gone = [&] { return alive.expired() || HSocket() != handle; };
  DoSocksError(code, message);
  if (gone()) return;
  TCustomWSocket::DoSessionConnected(code);
  if (gone()) return;
  CloseCommon(true, code);
}

void TCustomSocksWSocket::DoSocksConnected(int error) {
  if (TSessionEvent handler = OnSocksConnected) handler(*this, static_cast<std::uint16_t>(error));
}

void TCustomSocksWSocket::DoSocksError(int error, const std::string& message) {
  if (TSocksErrorEvent handler = OnSocksError) handler(*this, error, message);
}

void TCustomSocksWSocket::DoSocksAuthState(TSocksAuthState state) {
  if (TSocksAuthStateEvent handler = OnSocksAuthState) handler(*this, state);
}

}  // namespace zelvaro::net
