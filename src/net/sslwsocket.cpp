#include "net/sslwsocket.h"

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <algorithm>
#include <cstring>
#include <ctime>

#include "net/tls_context.h"
#include "platform/netnames.h"

namespace zelvaro::net {

using namespace platform;

namespace {

// One TLS record's worth of plain text per write.
constexpr int kRecordSize = 16 * 1024;

std::string bioText(BIO* bio) {
  char* data = nullptr;
  const long length = BIO_get_mem_data(bio, &data);
  return length > 0 ? std::string(data, static_cast<std::size_t>(length)) : std::string();
}

std::string nameText(const X509_NAME* name) {
  BIO* bio = BIO_new(BIO_s_mem());
  X509_NAME_print_ex(bio, name, 0, XN_FLAG_RFC2253);
  std::string text = bioText(bio);
  BIO_free(bio);
  return text;
}

std::string expiryText(const ASN1_TIME* time) {
  std::tm when{};
  if (ASN1_TIME_to_tm(time, &when) != 1) return "unknown";
  char text[16];
  std::strftime(text, sizeof text, "%Y-%m-%d", &when);
  return text;
}

// The names a certificate holds: its DNS and address alternative names, else its common name.
// A host name that matches none of them is easier to mend when they are named.
std::string certificateNames(X509* certificate) {
  std::string names;
  auto add = [&names](std::string name) { names += (names.empty() ? "" : ", ") + name; };
  auto* alternatives = static_cast<GENERAL_NAMES*>(
      X509_get_ext_d2i(certificate, NID_subject_alt_name, nullptr, nullptr));
  for (int i = 0; i < sk_GENERAL_NAME_num(alternatives); ++i) {
    const GENERAL_NAME* name = sk_GENERAL_NAME_value(alternatives, i);
    if (name->type == GEN_DNS) {
      const ASN1_STRING* dns = name->d.dNSName;
      add(std::string(reinterpret_cast<const char*>(ASN1_STRING_get0_data(dns)),
                      static_cast<std::size_t>(ASN1_STRING_length(dns))));
    } else if (name->type == GEN_IPADD) {
      char* text = i2s_ASN1_OCTET_STRING(nullptr, name->d.iPAddress);
      if (text != nullptr) add(text);
      OPENSSL_free(text);
    }
  }
  GENERAL_NAMES_free(alternatives);
  if (names.empty()) {
    char common[256] = "";
    X509_NAME_get_text_by_NID(X509_get_subject_name(certificate), NID_commonName, common,
                              sizeof common);
    add(common[0] != '\0' ? common : "no name");
  }
  return names;
}

// The library's reason for the first failure queued, or `otherwise`.
std::string libraryReason(const char* otherwise) {
  const unsigned long code = ERR_peek_error();
  const char* reason = code != 0 ? ERR_reason_error_string(code) : nullptr;
  return reason != nullptr ? reason : otherwise;
}

// Called when the server asks for a certificate of ours: none is sent, but a refusal that follows
// can then say why.
int noteCertificateAsked(SSL*, void* asked) {
  *static_cast<bool*>(asked) = true;
  return 1;
}

}  // namespace

struct TCustomSslWSocket::SslState {
  ~SslState() {
    SSL_free(ssl);  // frees both buffers with it
  }

  SSL* ssl = nullptr;
  BIO* input = nullptr;   // records received, waiting for the library
  BIO* output = nullptr;  // records made, waiting for the connection
  bool handshaking = true;
  bool peerEnded = false;  // the layer below has reported the end of the stream
  bool certificateAsked = false;
  bool decrypted = false;  // a record of data has come since the handshake
  std::string plain;       // decrypted, not yet handed out
  std::string cipher;      // taken out of `output`, not yet taken by the connection
  // The names of a certificate refused for its name, kept while the chain is verified.
  std::string refusedNames;
};

namespace {

// The chain's verification sees the certificate that a failed handshake no longer shows.
int rememberRefusedNames(int ok, X509_STORE_CTX* store) {
  const int error = X509_STORE_CTX_get_error(store);
  if (ok || (error != X509_V_ERR_HOSTNAME_MISMATCH && error != X509_V_ERR_IP_ADDRESS_MISMATCH)) {
    return ok;
  }
  auto* ssl =
      static_cast<SSL*>(X509_STORE_CTX_get_ex_data(store, SSL_get_ex_data_X509_STORE_CTX_idx()));
  auto* names = ssl != nullptr ? static_cast<std::string*>(SSL_get_app_data(ssl)) : nullptr;
  if (X509* certificate = X509_STORE_CTX_get0_cert(store); names != nullptr && certificate) {
    *names = certificateNames(certificate);
  }
  return ok;
}

}  // namespace

TCustomSslWSocket::TCustomSslWSocket() = default;
TCustomSslWSocket::~TCustomSslWSocket() = default;

bool TCustomSslWSocket::SslActive() const {
  return ssl_ && !ssl_->handshaking;
}

bool TCustomSslWSocket::DialogueBusy() const {
  return SocksBusy() || (ssl_ && ssl_->handshaking);
}

void TCustomSslWSocket::ResetFields() {
  TCustomSocksWSocket::ResetFields();
  ssl_.reset();
  summary_.clear();
  broken_ = 0;
  SetSendBlockSize(TBuffer::kDefaultSize);
}

std::string TCustomSslWSocket::VerificationName() const {
  return hostName_.empty() ? Addr() : hostName_;
}

// ---- the handshake ----

void TCustomSslWSocket::DoSessionConnected(int error) {
  if (error != 0 || !onConnect_ || SocksBusy()) {
    return TCustomSocksWSocket::DoSessionConnected(error);
  }
  BeginHandshake();
}

void TCustomSslWSocket::StartTls() {
  if (State() != wsConnected || ssl_) return Fail("StartTls: not connected, or TLS already on");
  // Whatever came before the handshake is no reply to anything protected.
  char discard[1024];
  while (TCustomSocksWSocket::RawReceive(discard, sizeof discard, 0) > 0) {
  }
  BeginHandshake();
}

void TCustomSslWSocket::BeginHandshake() {
  errorDetail_.clear();
  ERR_clear_error();
  ssl_ = std::make_unique<SslState>();
  SslState& s = *ssl_;
  const TlsContextResult context = clientTlsContext(caFile_);
  if (context.context == nullptr) return HandshakeFailed(context.error, context.detail);
  s.ssl = SSL_new(context.context);
  s.input = BIO_new(BIO_s_mem());
  s.output = BIO_new(BIO_s_mem());
  if (s.ssl == nullptr || s.input == nullptr || s.output == nullptr) {
    BIO_free(s.input);
    BIO_free(s.output);
    return HandshakeFailed(tlsSetupFailed, libraryReason("out of memory"));
  }
  // An empty input buffer means "wait for more", never the end of the stream.
  BIO_set_mem_eof_return(s.input, -1);
  SSL_set_bio(s.ssl, s.input, s.output);
  SSL_set_app_data(s.ssl, &s.refusedNames);
  SSL_set_verify(s.ssl, SSL_VERIFY_PEER, rememberRefusedNames);
  SSL_set_cert_cb(s.ssl, noteCertificateAsked, &s.certificateAsked);
  SSL_set_mode(s.ssl, SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER | SSL_MODE_ENABLE_PARTIAL_WRITE);
  const std::string name = VerificationName();
  if (parseDottedAddress(name)) {
    X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(s.ssl), name.c_str());
  } else {
    SSL_set_tlsext_host_name(s.ssl, name.c_str());
    SSL_set_hostflags(s.ssl, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
    SSL_set1_host(s.ssl, name.c_str());
  }
  resumeTlsSession(s.ssl, name + ":" + Port());
  SSL_set_connect_state(s.ssl);
  // Records of the caller's data are made from whole send blocks: a block a record.
  SetSendBlockSize(kRecordSize);
  ContinueHandshake();
}

void TCustomSslWSocket::ContinueHandshake() {
  SslState& s = *ssl_;
  ERR_clear_error();
  const int result = SSL_do_handshake(s.ssl);
  // The handshake's records bypass the send chain: they are no data of the caller's.
  FlushCipher();
  if (result == 1) return HandshakeSucceeded();
  const int reason = SSL_get_error(s.ssl, result);
  if (reason == SSL_ERROR_WANT_READ || reason == SSL_ERROR_WANT_WRITE) {
    if (!s.peerEnded) return;
    return HandshakeFailed(tlsHandshakeFailed, FailureReason("the server closed the connection") +
                                                   ", host " + VerificationName());
  }
  const long verified = SSL_get_verify_result(s.ssl);
  const std::string host = ", host " + VerificationName();
  if (verified == X509_V_ERR_HOSTNAME_MISMATCH || verified == X509_V_ERR_IP_ADDRESS_MISMATCH) {
    const std::string names =
        s.refusedNames.empty() ? "" : "; the certificate is for " + s.refusedNames;
    return HandshakeFailed(tlsHostNameMismatch,
                           X509_verify_cert_error_string(verified) + host + names);
  }
  if (verified != X509_V_OK) {
    return HandshakeFailed(tlsCertificateNotTrusted,
                           X509_verify_cert_error_string(verified) + host);
  }
  HandshakeFailed(tlsHandshakeFailed, FailureReason("no TLS from the server") + host);
}

std::string TCustomSslWSocket::FailureReason(const char* otherwise) const {
  if (ssl_ && ssl_->certificateAsked) {
    return "the server demands a client certificate, which this program does not send";
  }
  return libraryReason(otherwise);
}

void TCustomSslWSocket::HandshakeSucceeded() {
  SslState& s = *ssl_;
  s.handshaking = false;
  summary_ = std::string(SSL_get_version(s.ssl)) + ", " + SSL_get_cipher_name(s.ssl);
  if (SSL_session_reused(s.ssl) == 1) summary_ += ", session resumed";
  if (X509* certificate = SSL_get1_peer_certificate(s.ssl)) {
    summary_ += ", subject " + nameText(X509_get_subject_name(certificate)) + ", issuer " +
                nameText(X509_get_issuer_name(certificate)) + ", expires " +
                expiryText(X509_get0_notAfter(certificate));
    X509_free(certificate);
  }
  // Records that came with the last handshake flight (a greeting) are read now.
  if (!Decrypt()) return HandshakeFailed(tlsProtocolError, errorDetail_);
  std::weak_ptr<char> alive = Alive();
  const TSocket handle = HSocket();
  ReportHandshake(0);
  if (alive.expired() || HSocket() != handle) return;
  if (!s.plain.empty()) PostToSelf({WM_ASYNCSELECT, handle, makeSelectReply(SocketEvent::Read, 0)});
}

void TCustomSslWSocket::HandshakeFailed(int error, const std::string& detail) {
  errorDetail_ = detail;
  // A kept session that led here is not offered again.
  if (ssl_ && ssl_->ssl != nullptr) forgetTlsSession(ssl_->ssl);
  ssl_.reset();
  std::weak_ptr<char> alive = Alive();
  const TSocket handle = HSocket();
  ReportHandshake(error);
  if (alive.expired() || HSocket() != handle || State() == wsClosed) return;
  CloseCommon(true, error);
}

void TCustomSslWSocket::ReportHandshake(int error) {
  if (onConnect_) return TCustomSocksWSocket::DoSessionConnected(error);
  if (TSessionEvent handler = OnSslHandshakeDone) handler(*this, static_cast<std::uint16_t>(error));
}

// ---- records ----

void TCustomSslWSocket::PullInput() {
  char buffer[kRecordSize];
  for (;;) {
    const int count = TCustomSocksWSocket::RawReceive(buffer, sizeof buffer, 0);
    if (count == 0) ssl_->peerEnded = true;
    if (count <= 0) return;
    BIO_write(ssl_->input, buffer, count);
  }
}

bool TCustomSslWSocket::Decrypt() {
  SslState& s = *ssl_;
  char buffer[kRecordSize];
  for (;;) {
    ERR_clear_error();
    const int count = SSL_read(s.ssl, buffer, sizeof buffer);
    if (count > 0) {
      s.plain.append(buffer, static_cast<std::size_t>(count));
      s.decrypted = true;
      continue;
    }
    FlushCipher();
    const int reason = SSL_get_error(s.ssl, count);
    if (reason == SSL_ERROR_ZERO_RETURN) s.peerEnded = true;
    if (reason == SSL_ERROR_WANT_READ || reason == SSL_ERROR_WANT_WRITE ||
        reason == SSL_ERROR_ZERO_RETURN) {
      return true;
    }
    broken_ = tlsProtocolError;
    errorDetail_ = FailureReason("bad record") + ", host " + VerificationName();
    return false;
  }
}

bool TCustomSslWSocket::FlushCipher() {
  SslState& s = *ssl_;
  char buffer[kRecordSize];
  int count;
  while ((count = BIO_read(s.output, buffer, sizeof buffer)) > 0) {
    s.cipher.append(buffer, static_cast<std::size_t>(count));
  }
  while (!s.cipher.empty() && HSocket() != INVALID_SOCKET) {
    const int sent =
        TCustomSocksWSocket::RawSend(s.cipher.data(), static_cast<int>(s.cipher.size()));
    if (sent <= 0) return false;
    s.cipher.erase(0, static_cast<std::size_t>(sent));
  }
  return s.cipher.empty();
}

bool TCustomSslWSocket::DoDataAvailable(int error) {
  if (!ssl_ || !ssl_->handshaking) return TCustomSocksWSocket::DoDataAvailable(error);
  PullInput();
  ContinueHandshake();
  return true;
}

void TCustomSslWSocket::DoDataSent(int error) {
  // The handshake's own writes are nothing the caller sent.
  if (!ssl_ || !ssl_->handshaking) TCustomSocksWSocket::DoDataSent(error);
}

int TCustomSslWSocket::RawReceive(void* buffer, int length, int flags) {
  if (!ssl_ || flags != 0) return TCustomSocksWSocket::RawReceive(buffer, length, flags);
  SslState& s = *ssl_;
  if (s.plain.empty() && !s.handshaking) {
    PullInput();
    if (!Decrypt()) {
      setLastSocketError(WSAECONNRESET);
      return -1;
    }
  }
  if (s.plain.empty()) {
    if (s.peerEnded) return 0;
    setLastSocketError(WSAEWOULDBLOCK);
    return -1;
  }
  const std::size_t count = std::min(s.plain.size(), static_cast<std::size_t>(std::max(length, 0)));
  std::memcpy(buffer, s.plain.data(), count);
  s.plain.erase(0, count);
  consumed_ += static_cast<long long>(count);
  return static_cast<int>(count);
}

int TCustomSslWSocket::RawSend(const void* data, int length) {
  if (!ssl_) return TCustomSocksWSocket::RawSend(data, length);
  SslState& s = *ssl_;
  // Nothing of the caller's goes before the handshake has ended, nor past records that wait.
  if (s.handshaking || !FlushCipher()) {
    setLastSocketError(WSAEWOULDBLOCK);
    return -1;
  }
  ERR_clear_error();
  const int written = SSL_write(s.ssl, data, std::min(length, kRecordSize));
  // What the connection cannot take now goes with its next write event.
  FlushCipher();
  if (written > 0) return written;
  const int reason = SSL_get_error(s.ssl, written);
  const bool retry = reason == SSL_ERROR_WANT_READ || reason == SSL_ERROR_WANT_WRITE;
  setLastSocketError(retry ? WSAEWOULDBLOCK : WSAECONNRESET);
  return -1;
}

int TCustomSslWSocket::HeldCount() const {
  return TCustomSocksWSocket::HeldCount() + (ssl_ ? static_cast<int>(ssl_->plain.size()) : 0);
}

bool TCustomSslWSocket::HeldOutputSent() {
  return TCustomSocksWSocket::HeldOutputSent() && (!ssl_ || FlushCipher());
}

void TCustomSslWSocket::PeerClosed() {
  TCustomSocksWSocket::PeerClosed();
  if (ssl_ && !ssl_->handshaking && ssl_->certificateAsked && !ssl_->decrypted && broken_ == 0) {
    // Asked for a certificate and closed before a word: a refusal of the missing certificate
    // (TLS 1.3 judges it after the handshake), whether or not an alert came first.
    broken_ = tlsProtocolError;
    errorDetail_ = FailureReason("closed") + ", host " + VerificationName();
  }
  if (!ssl_ || !ssl_->handshaking || HSocket() == INVALID_SOCKET) return;
  ssl_->peerEnded = true;
  ContinueHandshake();
}

void TCustomSslWSocket::Close() {
  if (SslActive() && State() == wsConnected) {
    ERR_clear_error();
    SSL_shutdown(ssl_->ssl);
    FlushCipher();
  }
  TCustomSocksWSocket::Close();
}

}  // namespace zelvaro::net
