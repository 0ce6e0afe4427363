// One connection for the whole session: after the first message the next begins with RSET on
// the same connection, and a new one is opened only when the server has closed it, refuses the
// transaction with 421, or no longer answers. Every handshake, login and round trip saved is a
// second saved over a home line.

#include <chrono>

#include "platform/messages.h"
#include "send/send_session.h"

namespace zelvaro::send {

namespace {

// RFC 5321 4.2.3: the service is closing the connection.
constexpr int kServiceClosing = 421;

// A connection used this recently gets its RSET in the envelope's write, where the server
// pipelines; one quiet for longer is asked on its own first, and given less time to answer.
constexpr auto kFreshConnection = std::chrono::seconds(10);

}  // namespace

bool SendSession::connectionReusable(const core::ServerAddress& server) const {
  return sessionOpen_ && _smtp.Connected() && _smtp.State() == net::scReady &&
         server.host == server_.host && server.port == server_.port;
}

void SendSession::beginTransaction(const core::ServerAddress& server) {
  reusing_ = connectionReusable(server);
  resetInMail_ = reusing_ && _smtp.Capabilities().pipelining &&
                 std::chrono::steady_clock::now() - lastMailEnd_ < kFreshConnection;
  if (resetInMail_) return;
  if (reusing_) {
    // A connection that went quiet while the files were read answers RSET at once or not at
    // all; it is not given a dead server's full time.
    start(&net::TCustomSmtpClient::Rset, timing_.reuseTimeoutMs);
    return;
  }
  // The operator may have changed the server since the last message.
  endConnection();
  server_ = server;
  startOpen();
}

void SendSession::startOpen() {
  _smtp.Host = server_.host;
  _smtp.Port = server_.port;
  start(&net::TCustomSmtpClient::Open);
}

SendSession::Outcome SendSession::awaitTransaction() {
  // A reset that goes with the message is answered there.
  Outcome outcome = resetInMail_ ? Outcome{} : finish();
  if (reusing_ && !outcome.ok() && !interrupted_) {
    closeConnection();
    reusing_ = false;
    startOpen();
    outcome = finish();
  }
  sessionOpen_ = outcome.ok();
  // A connection that could not be opened is said goodbye to, and not used again.
  if (!outcome.ok()) endConnection();
  return outcome;
}

SendSession::Outcome SendSession::deliver() {
  _smtp.ResetBeforeMail = resetInMail_;
  start(&net::TCustomSmtpClient::Mail);
  Outcome outcome = finish();
  // The server took enough on this connection (421), or the connection did not answer the
  // RSET before the envelope: either way nothing of the message was accepted.
  const bool resetFailed = resetInMail_ && _smtp.RefusedBy() == net::TSmtpStep::Rset;
  _smtp.ResetBeforeMail = false;
  if ((outcome.error == kServiceClosing || resetFailed) && reusing_ && !interrupted_) {
    closeConnection();
    reusing_ = false;
    startOpen();
    outcome = finish();
    sessionOpen_ = outcome.ok();
    if (outcome.ok()) {
      start(&net::TCustomSmtpClient::Mail);
      outcome = finish();
    }
  }
  if (outcome.error == kServiceClosing || !_smtp.Connected()) closeConnection();
  lastMailEnd_ = std::chrono::steady_clock::now();
  return outcome;
}

void SendSession::endConnection() {
  sessionOpen_ = sessionOpen_ && _smtp.Connected();
  // Nothing to close: the loop is not run either (a preview's window comes up after it).
  if (!_smtp.Connected() && _smtp.State() == net::scReady) return;
  if (_smtp.Connected() && _smtp.State() == net::scReady && !interrupted_) {
    start(&net::TCustomSmtpClient::Quit);
    const Outcome outcome = finish();
    // A reply other than 221: every message was taken already, so it is only worth a word.
    if (sessionOpen_ && !outcome.ok() && outcome.error < 1000) {
      platform::showMessage("Unexpected server response: " + _smtp.LastResponse());
    }
  }
  closeConnection();
}

}  // namespace zelvaro::send
