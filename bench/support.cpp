#include "support.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>

#include "platform/application.h"
#include "platform/eventloop.h"
#include "send/smtp_cli.h"

extern char** environ;

namespace zelvaro::bench {

Sink::Sink() {
  start();
}

Sink::Sink(const std::string& certificateFile, const std::string& keyFile, bool submission)
    : submission_(submission) {
  tls_ = SSL_CTX_new(TLS_server_method());
  if (tls_ == nullptr || SSL_CTX_use_certificate_chain_file(tls_, certificateFile.c_str()) != 1 ||
      SSL_CTX_use_PrivateKey_file(tls_, keyFile.c_str(), SSL_FILETYPE_PEM) != 1) {
    ERR_print_errors_fp(stderr);
    std::exit(1);
  }
  start();
}

void Sink::start() {
  listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const int on = 1;
  ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(listener_, 16) != 0 ||
      ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    std::perror("sink");
    std::exit(1);
  }
  port_ = ntohs(address.sin_port);
  thread_ = std::thread([this] { serve(); });
}

Sink::~Sink() {
  ::shutdown(listener_, SHUT_RDWR);
  ::close(listener_);
  thread_.join();
  SSL_CTX_free(tls_);
}

void Sink::serve() {
  for (;;) {
    const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) return;
    // A TLS server writes its session tickets and the greeting apart: without this the
    // greeting would wait for the client's delayed acknowledgement.
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    ++connections_;
    session(fd);
    ::close(fd);
  }
}

namespace {

// One accepted connection, plain or TLS (blocking: the sink has a thread of its own).
class Connection {
 public:
  Connection(int fd, SSL_CTX* tls) : fd_(fd) {
    if (tls != nullptr) startTls(tls);
  }
  void startTls(SSL_CTX* tls) {
    ssl_ = SSL_new(tls);
    SSL_set_fd(ssl_, fd_);
    if (SSL_accept(ssl_) != 1) {
      ERR_print_errors_fp(stderr);
      SSL_free(ssl_);
      ssl_ = nullptr;
      fd_ = -1;
    }
  }
  bool secure() const { return ssl_ != nullptr; }
  ~Connection() {
    if (ssl_ != nullptr) SSL_shutdown(ssl_);
    SSL_free(ssl_);
  }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // As read(2): 0 at the end, below 0 on a failure (a failed handshake included).
  long read(char* buffer, size_t size) {
    if (fd_ < 0) return -1;
    if (ssl_ == nullptr) return ::read(fd_, buffer, size);
    return SSL_read(ssl_, buffer, static_cast<int>(std::min<size_t>(size, INT_MAX)));
  }

  void say(const char* text) {
    const size_t length = std::strlen(text);
    if (ssl_ != nullptr) {
      SSL_write(ssl_, text, static_cast<int>(length));
    } else if (fd_ >= 0) {
      (void)!::write(fd_, text, length);
    }
  }

 private:
  int fd_;
  SSL* ssl_ = nullptr;
};

}  // namespace

void Sink::session(int fd) {
  Connection connection(fd, submission_ ? nullptr : tls_);
  std::vector<char> buffer(256 * 1024);
  std::string pending;
  bool inData = false;
  size_t dataBytes = 0;
  connection.say("220 sink ready\r\n");
  for (;;) {
    const long count = connection.read(buffer.data(), buffer.size());
    if (count <= 0) return;
    pending.append(buffer.data(), static_cast<size_t>(count));
    for (;;) {
      if (inData) {
        const size_t end = pending.find("\r\n.\r\n");
        if (end == std::string::npos) {
          // Keep only what could still be the start of the end-of-data line.
          const size_t keep = std::min<size_t>(pending.size(), 4);
          dataBytes += pending.size() - keep;
          pending.erase(0, pending.size() - keep);
          break;
        }
        dataBytes += end + 2;
        pending.erase(0, end + 5);
        inData = false;
        lastBytes_ = dataBytes - 2;  // less the line end put in front at DATA
        ++messages_;
        connection.say("250 sunk\r\n");
        continue;
      }
      const size_t end = pending.find("\r\n");
      if (end == std::string::npos) break;
      const std::string command = pending.substr(0, end);
      pending.erase(0, end + 2);
      std::string verb = command.substr(0, 4);
      for (char& c : verb) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      if (verb == "DATA") {
        inData = true;
        dataBytes = 0;
        // The end of data is CR LF "." CR LF; a line end in front lets an empty message end.
        pending.insert(0, "\r\n");
        connection.say("354 go ahead\r\n");
      } else if (verb == "QUIT") {
        connection.say("221 bye\r\n");
        return;
      } else if (verb == "EHLO" && submission_) {
        connection.say(connection.secure() ? "250-sink\r\n250-AUTH PLAIN\r\n250-PIPELINING\r\n"
                                             "250-SIZE 52428800\r\n250 8BITMIME\r\n"
                                           : "250-sink\r\n250 STARTTLS\r\n");
      } else if (verb == "STAR" && submission_) {
        connection.say("220 go ahead\r\n");
        pending.clear();
        connection.startTls(tls_);
      } else if (verb == "AUTH") {
        connection.say("235 2.7.0 accepted\r\n");
      } else if (verb == "EHLO") {
        connection.say("250-sink\r\n250 8BITMIME\r\n");
      } else {
        connection.say("250 ok\r\n");
      }
    }
  }
}

Run& Run::operator+=(const Run& next) {
  seconds += next.seconds;
  cpuSeconds += next.cpuSeconds;
  peakKb = std::max(peakKb, next.peakKb);
  ok = ok && next.ok;
  return *this;
}

Run runChild(const std::vector<std::string>& args, const std::vector<std::string>& environment) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  // "NAME=value" sets a variable, a bare "NAME" removes it.
  std::vector<std::string> names;
  for (const std::string& setting : environment) {
    names.push_back(setting.substr(0, setting.find('=')));
  }
  std::vector<char*> envp;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string setting = *e;
    const std::string name = setting.substr(0, setting.find('='));
    if (std::find(names.begin(), names.end(), name) == names.end()) envp.push_back(*e);
  }
  for (const std::string& setting : environment) {
    if (setting.find('=') != std::string::npos) envp.push_back(const_cast<char*>(setting.c_str()));
  }
  envp.push_back(nullptr);
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = -1;
  if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), envp.data()) != 0) {
    std::fprintf(stderr, "cannot start %s\n", argv[0]);
    return {};
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  Run run;
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  run.peakKb = usage.ru_maxrss;
  run.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                   static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return run;
}

void writeRandomFile(const std::string& path, size_t size, unsigned seed, const std::string& head) {
  std::mt19937 random(seed);
  std::ofstream out(path, std::ios::binary);
  out.write(head.data(), static_cast<std::streamsize>(std::min(head.size(), size)));
  std::string piece(64 * 1024, '\0');
  for (size_t written = std::min(head.size(), size); written < size; written += piece.size()) {
    for (char& b : piece) b = static_cast<char>(random() & 0xFF);
    out.write(piece.data(), static_cast<std::streamsize>(std::min(piece.size(), size - written)));
  }
}

std::vector<std::string> curlUpload(int port, const std::string& recipient,
                                    const std::vector<std::string>& files,
                                    const std::string& caFile) {
  const std::string url = caFile.empty() ? "smtp://127.0.0.1:" : "smtps://localhost:";
  std::vector<std::string> args{"curl",        "-s",
                                "-S",          url + std::to_string(port),
                                "--mail-from", "host@example.org",
                                "--mail-rcpt", recipient,
                                "-H",          "Subject: benchmark",
                                "-F",          "=Your turn is attached.;type=text/plain"};
  for (const std::string& file : files) {
    args.push_back("-F");
    args.push_back("file=@" + file + ";type=application/octet-stream;encoder=base64");
  }
  if (!caFile.empty()) args.insert(args.end(), {"--ssl-reqd", "--cacert", caFile});
  return args;
}

int sendWithEngine(int argc, char** argv) {
  platform::Application app(argc, argv, platform::Application::Kind::Headless);
  send::TSmtpCli client;
  client.Host = "127.0.0.1";
  client.Port = argv[2];
  if (argc > 4) {
    // The test certificate names localhost only.
    client.Host = "localhost";
    client.Security = net::TSmtpSecurity::Tls;
    client.CaFile = argv[4];
  }
  client.SignOn = "bench.test";
  client.FromName = "host@example.org";
  client.RcptName = {"player@example.org"};
  client.HdrFrom = "\"Host\" <host@example.org>";
  client.HdrTo = "player@example.org";
  client.HdrSubject = "benchmark";
  client.EmailFiles.push_back(argv[3]);
  client.OnGetData = [](net::TCustomSmtpClient&, int number, char* line, int maxLen, bool& more) {
    if (number > 1) {
      more = false;
      return;
    }
    std::snprintf(line, static_cast<size_t>(maxLen), "Your turn is attached.");
  };
  int error = -1;
  bool done = false;
  client.OnRequestDone = [&](net::TCustomSmtpClient&, net::TSmtpRequest, std::uint16_t e) {
    error = e;
    done = true;
  };
  for (auto request : {&send::TSmtpCli::Open, &send::TSmtpCli::Mail, &send::TSmtpCli::Quit}) {
    done = false;
    (client.*request)();
    while (!done) platform::waitMessage();
    if (error != 0) {
      std::fprintf(stderr, "request failed: %d %s\n", error, client.ErrorMessage().c_str());
      return 1;
    }
  }
  return 0;
}

}  // namespace zelvaro::bench
