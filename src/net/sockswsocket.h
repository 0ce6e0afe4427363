#pragma once

// Connection through a SOCKS 5 proxy (RFC 1928), with user name and password (RFC 1929). Active
// when SocksServer is not empty: Connect goes to the proxy, and OnSessionConnected is held back
// until the proxy has connected to Addr:Port.

#include <cstdint>
#include <functional>
#include <string>

#include "net/wsocket.h"

namespace zelvaro::net {

enum TSocksAuthentication { socksNoAuthentication, socksAuthenticateUsercode };
enum TSocksAuthState { saStart, saSuccess, saFailure, saNotRequired };

using TSocksErrorEvent =
    std::function<void(TCustomWSocket& Sender, int Error, const std::string& Msg)>;
using TSocksAuthStateEvent = std::function<void(TCustomWSocket& Sender, TSocksAuthState AuthState)>;

// Failure codes (OnSocksError, then OnSessionConnected and OnSessionClosed with the same code).
inline constexpr int socksTooMuchData = 20001;
inline constexpr int socksVersionError = 20002;
inline constexpr int socksMethodNotAcceptable = 20003;
inline constexpr int socksAddressTypeNotSupported = 20011;
inline constexpr int socksUnassignedError = 20012;
inline constexpr int socksInternalError = 20013;
inline constexpr int socksAuthenticationFailed = 20015;

class TCustomSocksWSocket : public TCustomWSocket {
 private:
  enum class Phase { None, ToProxy, Method, Authentication, Request, Done };

 public:
  const std::string& SocksServer() const { return socksServer_; }
  virtual void SetSocksServer(const std::string& value);
  const std::string& SocksPort() const { return socksPort_; }
  virtual void SetSocksPort(const std::string& value);
  const std::string& SocksUsercode() const { return socksUsercode_; }
  void SetSocksUsercode(const std::string& value) { socksUsercode_ = value; }
  const std::string& SocksPassword() const { return socksPassword_; }
  void SetSocksPassword(const std::string& value) { socksPassword_ = value; }
  TSocksAuthentication SocksAuthentication() const { return socksAuthentication_; }
  void SetSocksAuthentication(TSocksAuthentication value) { socksAuthentication_ = value; }
  // The address and port the proxy bound for the connection, from its reply.
  const std::string& SocksBoundAddr() const { return boundAddr_; }
  const std::string& SocksBoundPort() const { return boundPort_; }

  TSessionEvent OnSocksConnected;  // the connection to the proxy is up (or failed)
  TSocksErrorEvent OnSocksError;
  TSocksAuthStateEvent OnSocksAuthState;

  void Connect() override;
  void Listen() override;

 protected:
  virtual void DoSocksConnected(int error);
  virtual void DoSocksError(int error, const std::string& message);
  void DoSocksAuthState(TSocksAuthState state);
  // The proxy's dialogue is under way: received data belongs to it.
  bool SocksBusy() const { return phase_ != Phase::None && phase_ != Phase::Done; }

  void ResetFields() override;
  void DoSessionConnected(int error) override;
  void DoDataSent(int error) override;
  bool DoDataAvailable(int error) override;
  void PeerClosed() override;
  const std::string& ConnectAddr() const override;
  const std::string& ConnectPort() const override;

 private:
  void SetWhileClosed(const std::string& value, std::string& field, const char* refusal);
  void SendDialogue(const std::string& bytes);
  void SendRequest();
  // Reads towards the reply of the current phase; true when it is complete.
  bool ReadReply(int expected);
  void OnMethodReply();
  void OnAuthenticationReply();
  void OnRequestReply();
  // Reports a failure of the dialogue and closes with its code.
  void SocksFailure(int code, const std::string& message);

  std::string socksServer_;
  std::string socksPort_ = "1080";
  std::string socksUsercode_, socksPassword_;
  TSocksAuthentication socksAuthentication_ = socksNoAuthentication;
  Phase phase_ = Phase::None;
  int targetPort_ = 0;
  std::string reply_;
  std::string boundAddr_, boundPort_;
};

}  // namespace zelvaro::net
