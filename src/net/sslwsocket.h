#pragma once

// TLS over the connection, between the SOCKS layer and line mode. A pass-through until
// StartTls() on a live connection, or from the first byte when SslOnConnect is set: then
// OnSessionConnected is held back until the handshake has ended, as the SOCKS layer holds it
// for the proxy. Records go through memory buffers and the layer below's reads and writes,
// driven by the same readiness notifications: nothing blocks and no thread is started.

#include <memory>
#include <string>

#include "net/sockswsocket.h"
#include "net/tls_errors.h"

namespace zelvaro::net {

class TCustomSslWSocket : public TCustomSocksWSocket {
 public:
  TCustomSslWSocket();
  ~TCustomSslWSocket() override;

  // The name the server's certificate must carry, also sent as SNI unless it is an address;
  // empty: Addr.
  const std::string& SslHostName() const { return hostName_; }
  void SetSslHostName(const std::string& value) { hostName_ = value; }
  // A PEM file of certificates trusted beside the system's.
  const std::string& SslCaFile() const { return caFile_; }
  void SetSslCaFile(const std::string& value) { caFile_ = value; }
  // TLS from the first byte of the next connection.
  bool SslOnConnect() const { return onConnect_; }
  void SetSslOnConnect(bool value) { onConnect_ = value; }

  // Starts the handshake on the live connection. Received bytes not yet read are thrown away:
  // nothing sent before the handshake may pass for protected data. OnSslHandshakeDone follows
  // with 0 or a TLS error number (tls_errors.h); after a failure the connection closes.
  virtual void StartTls();
  // The handshake has ended well and records flow.
  bool SslActive() const;
  // Protocol, cipher, and the certificate's subject, issuer and expiry, while TLS is up.
  const std::string& SslSummary() const { return summary_; }
  // What the last failure found: the verification error or the library's reason, and the host.
  const std::string& SslErrorDetail() const { return errorDetail_; }
  // tlsProtocolError once the records broke after the handshake (the detail says how; a TLS 1.3
  // server refuses a missing client certificate only then), else 0.
  int SslBroken() const { return broken_; }

  TSessionEvent OnSslHandshakeDone;

  // Sends close_notify before the orderly close.
  void Close() override;

 protected:
  // The SOCKS dialogue or the handshake owns received data.
  bool DialogueBusy() const;

  void ResetFields() override;
  void DoSessionConnected(int error) override;
  bool DoDataAvailable(int error) override;
  void DoDataSent(int error) override;
  int RawSend(const void* data, int length) override;
  int RawReceive(void* buffer, int length, int flags) override;
  int HeldCount() const override;
  bool HeldOutputSent() override;
  void PeerClosed() override;

 private:
  struct SslState;

  void BeginHandshake();
  void ContinueHandshake();
  void HandshakeSucceeded();
  void HandshakeFailed(int error, const std::string& detail);
  // Raises the end of the handshake: OnSessionConnected when TLS began with the connection.
  void ReportHandshake(int error);
  // Encrypted bytes from the layer below into the library.
  void PullInput();
  // Every complete record into plain text; false when the stream is broken.
  bool Decrypt();
  // Encrypted bytes out to the layer below; true when none is left.
  bool FlushCipher();
  std::string VerificationName() const;
  // The library's reason for a failure, in words where the operator can act on it.
  std::string FailureReason(const char* otherwise) const;

  std::string hostName_;
  std::string caFile_;
  bool onConnect_ = false;
  std::string summary_;
  std::string errorDetail_;
  int broken_ = 0;
  std::unique_ptr<SslState> ssl_;
};

}  // namespace zelvaro::net
