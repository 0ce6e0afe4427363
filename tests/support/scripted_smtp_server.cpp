#include "support/scripted_smtp_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <openssl/ssl.h>

#include <cerrno>
#include <stdexcept>

namespace zelvaro::test {

namespace {
// The server is polled from a timer of the test's loop: plain sockets need no other watcher,
// and a byte sent per tick reaches the client as a segment of its own.
constexpr int kTickMs = 1;
}  // namespace

struct ScriptedSmtpServer::Tls {
  ~Tls() {
    SSL_free(ssl);
    SSL_CTX_free(context);
  }
  SSL_CTX* context = nullptr;
  SSL* ssl = nullptr;
  bool up = false;
};

ScriptedSmtpServer::ScriptedSmtpServer() {
  listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (listener_ < 0) throw std::runtime_error("scripted server: socket failed");
  const int on = 1;
  ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(listener_, 4) != 0 ||
      ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    ::close(listener_);
    throw std::runtime_error("scripted server: cannot listen on loopback");
  }
  port_ = ntohs(address.sin_port);
  timer_.onTick = [this] { tick(); };
  timer_.setInterval(kTickMs);
  timer_.setEnabled(true);
}

ScriptedSmtpServer::~ScriptedSmtpServer() {
  timer_.setEnabled(false);
  tls_.reset();
  if (client_ >= 0) ::close(client_);
  ::close(listener_);
}

ScriptedSmtpServer& ScriptedSmtpServer::add(Step step) {
  steps_.push_back(std::move(step));
  return *this;
}

ScriptedSmtpServer& ScriptedSmtpServer::send(const std::string& bytes) {
  return add({Step::Send, bytes});
}

ScriptedSmtpServer& ScriptedSmtpServer::sendByteByByte(const std::string& bytes) {
  return add({Step::SendByteByByte, bytes});
}

ScriptedSmtpServer& ScriptedSmtpServer::expectLine() {
  return add({Step::ExpectLine, ""});
}
ScriptedSmtpServer& ScriptedSmtpServer::expectData() {
  return add({Step::ExpectData, ""});
}
ScriptedSmtpServer& ScriptedSmtpServer::startTls(const std::string& certificateFile,
                                                 const std::string& keyFile) {
  Step step{Step::StartTls, certificateFile};
  step.key = keyFile;
  return add(step);
}

ScriptedSmtpServer& ScriptedSmtpServer::close() {
  return add({Step::Close, ""});
}
ScriptedSmtpServer& ScriptedSmtpServer::expectClose() {
  return add({Step::ExpectClose, ""});
}

ScriptedSmtpServer& ScriptedSmtpServer::pause(int milliseconds) {
  return add({Step::Pause, "", milliseconds});
}

ScriptedSmtpServer& ScriptedSmtpServer::greet() {
  return line("220 scripted.test ready").reply("250 scripted.test");
}

ScriptedSmtpServer& ScriptedSmtpServer::greetWithLogin(const std::string& capability) {
  line("220 scripted.test").expectLine().line("250-scripted.test");
  return line("250-" + capability).line("250 AUTH PLAIN").reply("235 welcome");
}

ScriptedSmtpServer& ScriptedSmtpServer::acceptEnvelope(int recipients) {
  greet().reply("250 sender ok");
  for (int i = 0; i < recipients; ++i) reply("250 recipient ok");
  return *this;
}

ScriptedSmtpServer& ScriptedSmtpServer::acceptMessage(int recipients) {
  return acceptEnvelope(recipients)
      .reply("354 go ahead")
      .expectData()
      .line("250 queued")
      .reply("221 bye")
      .close();
}

std::vector<std::string> ScriptedSmtpServer::messageLines() const {
  std::vector<std::string> lines;
  bool inside = false;
  for (const std::string& entry : transcript_) {
    if (entry == "C: .") inside = false;
    if (inside && entry.rfind("C: ", 0) == 0) lines.push_back(entry.substr(3));
    if (entry == "C: DATA") inside = true;
  }
  return lines;
}

void ScriptedSmtpServer::tick() {
  if (client_ < 0) acceptClient();
  if (client_ >= 0) readClient();
  while (!steps_.empty() && runStep(steps_.front())) steps_.pop_front();
  if (client_ >= 0) flushOutput();
}

void ScriptedSmtpServer::acceptClient() {
  const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
  if (fd < 0) return;
  const int on = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  client_ = fd;
  clientClosed_ = false;
  input_.clear();
  unread_.clear();
  output_.clear();
  transcript_.push_back("* connected");
}

void ScriptedSmtpServer::readClient() {
  char buffer[65536];
  bool closed = false;
  // The handshake reads for itself.
  if (tls_ && !tls_->up) return;
  for (;;) {
    const long count = receive(buffer, sizeof buffer);
    if (count < 0 && errno == EINTR) continue;
    if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
    if (count <= 0) {
      closed = true;
      break;
    }
    bytesReceived_ += static_cast<size_t>(count);
    input_.append(buffer, static_cast<size_t>(count));
  }
  size_t start = 0;
  for (size_t end; (end = input_.find("\r\n", start)) != std::string::npos; start = end + 2) {
    std::string text = input_.substr(start, end - start);
    transcript_.push_back("C: " + text);
    unread_.push_back(std::move(text));
  }
  input_.erase(0, start);
  if (!closed) return;
  clientClosed_ = true;
  closeClient("* closed by client");
}

void ScriptedSmtpServer::recordSent(const std::string& bytes) {
  size_t start = 0;
  for (size_t end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2) {
    transcript_.push_back("S: " + bytes.substr(start, end - start));
  }
  if (start < bytes.size()) transcript_.push_back("S: " + bytes.substr(start));
}

void ScriptedSmtpServer::flushOutput() {
  while (!output_.empty()) {
    const long count = transmit(output_.data(), output_.size());
    if (count <= 0) return;
    output_.erase(0, static_cast<size_t>(count));
  }
}

long ScriptedSmtpServer::receive(char* buffer, size_t length) {
  if (!tls_) return ::recv(client_, buffer, length, 0);
  const int count = SSL_read(tls_->ssl, buffer, static_cast<int>(length));
  if (count > 0) return count;
  const int reason = SSL_get_error(tls_->ssl, count);
  if (reason == SSL_ERROR_WANT_READ || reason == SSL_ERROR_WANT_WRITE) errno = EAGAIN;
  return reason == SSL_ERROR_ZERO_RETURN ? 0 : -1;
}

long ScriptedSmtpServer::transmit(const char* data, size_t length) {
  if (!tls_) return ::send(client_, data, length, MSG_NOSIGNAL);
  return SSL_write(tls_->ssl, data, static_cast<int>(length));
}

bool ScriptedSmtpServer::runTlsHandshake(const Step& step) {
  if (!tls_) {
    flushOutput();  // what the script sent before goes in clear, as one piece
    tls_ = std::make_unique<Tls>();
    tls_->context = SSL_CTX_new(TLS_server_method());
    SSL_CTX_use_certificate_chain_file(tls_->context, step.text.c_str());
    SSL_CTX_use_PrivateKey_file(tls_->context, step.key.c_str(), SSL_FILETYPE_PEM);
    tls_->ssl = SSL_new(tls_->context);
    SSL_set_fd(tls_->ssl, client_);
    SSL_set_accept_state(tls_->ssl);
  }
  const int result = SSL_do_handshake(tls_->ssl);
  if (result == 1) {
    tls_->up = true;
    transcript_.push_back("* TLS up");
    return true;
  }
  const int reason = SSL_get_error(tls_->ssl, result);
  if (reason == SSL_ERROR_WANT_READ || reason == SSL_ERROR_WANT_WRITE) return false;
  transcript_.push_back("* TLS refused by client");
  closeClient("* closed by server");
  return true;
}

void ScriptedSmtpServer::closeClient(const char* event) {
  if (client_ < 0) return;
  tls_.reset();
  ::close(client_);
  client_ = -1;
  transcript_.push_back(event);
}

// Plays one step as far as it can now; true when it is done.
bool ScriptedSmtpServer::runStep(Step& step) {
  if (step.kind == Step::Pause) {
    if (!pausing_) {
      pausing_ = true;
      pauseEnd_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(step.milliseconds);
    }
    if (std::chrono::steady_clock::now() < pauseEnd_) return false;
    pausing_ = false;
    return true;
  }
  if (step.kind == Step::ExpectClose) return client_ < 0 && clientClosed_;
  if (client_ < 0) return false;
  switch (step.kind) {
    case Step::Send:
      recordSent(step.text);
      output_ += step.text;
      return true;
    case Step::SendByteByByte:
      if (step.text.empty()) return true;
      if (!step.started) recordSent(step.text);
      step.started = true;
      output_ += step.text.front();
      step.text.erase(0, 1);
      flushOutput();
      return step.text.empty();
    case Step::ExpectLine:
      if (unread_.empty()) return false;
      unread_.pop_front();
      return true;
    case Step::ExpectData:
      while (!unread_.empty()) {
        const bool end = unread_.front() == ".";
        unread_.pop_front();
        if (end) return true;
      }
      return false;
    case Step::StartTls:
      return runTlsHandshake(step);
    case Step::Close:
      flushOutput();
      closeClient("* closed by server");
      return true;
    default:
      return true;
  }
}

}  // namespace zelvaro::test
