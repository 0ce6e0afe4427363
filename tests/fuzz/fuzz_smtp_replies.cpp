// What a mail server says, fed to the engine over a real loopback connection in the chunks the
// input gives (a 0x1F byte ends a chunk), while the engine connects, says HELO, mails a short
// message and quits. Whatever the server says, every request must end once the server has
// closed the connection, and nothing may crash.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>
#include <thread>
#include <vector>

#include "fuzz_support.h"
#include "net/smtp_client.h"
#include "platform/eventloop.h"

using namespace zelvaro;

namespace {

constexpr char kChunkEnd = '\x1f';
// Generous for a loaded machine: a request ends within milliseconds of the close.
constexpr auto kEndAfterClose = std::chrono::seconds(10);

struct Listener {
  Listener() {
    fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, 4) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
      std::abort();
    }
    port = ntohs(address.sin_port);
  }
  int fd = -1;
  int port = 0;
};

std::vector<std::string> chunksOf(const uint8_t* data, size_t size) {
  std::vector<std::string> chunks(1);
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == static_cast<uint8_t>(kChunkEnd)) {
      chunks.emplace_back();
    } else {
      chunks.back() += static_cast<char>(data[i]);
    }
  }
  return chunks;
}

// The engine with a two-recipient message of three body lines; each request that succeeds
// starts the next (Open, Mail, Quit).
struct Client {
  explicit Client(int port) {
    smtp.Host = "127.0.0.1";
    smtp.Port = std::to_string(port);
    smtp.SignOn = "fuzz.example";
    smtp.FromName = "host@nebula.example";
    smtp.RcptName = {"one@nebula.example", "two@nebula.example"};
    smtp.HdrFrom = "Host <host@nebula.example>";
    smtp.HdrTo = "one@nebula.example,two@nebula.example";
    smtp.HdrSubject = "Turn 2426";
    smtp.OnGetData = [](net::TCustomSmtpClient&, int line, char* text, int maxLen, bool& more) {
      if (line > 3) {
        more = false;
        return;
      }
      std::snprintf(text, static_cast<size_t>(maxLen), "%s", line == 2 ? "." : "body line");
    };
    smtp.OnRequestDone = [this](net::TCustomSmtpClient&, net::TSmtpRequest request,
                                std::uint16_t error) {
      ++ended;
      if (error != 0) return;
      succeeded.push_back(request);
      if (request == net::rqOpen) start(&net::TCustomSmtpClient::Mail);
      if (request == net::rqMail) start(&net::TCustomSmtpClient::Quit);
    };
  }

  void start(void (net::TCustomSmtpClient::*request)()) {
    try {
      (smtp.*request)();
      ++started;
    } catch (const net::SmtpException&) {
      // Misuse is refused at once and starts nothing.
    }
  }

  bool idle() const { return ended == started && smtp.State() == net::scReady; }

  net::TCustomSmtpClient smtp;
  int started = 0;
  int ended = 0;
  std::vector<net::TSmtpRequest> succeeded;
};

// A request that succeeded had the replies that say so among what the server sent: a greeting
// and the answer to HELO for Open, the go-ahead for the message's data for Mail.
bool earned(net::TSmtpRequest request, const std::string& said) {
  auto has = [&](const char* code) {
    return said.find(std::string("\n") + code) != std::string::npos || said.rfind(code, 0) == 0;
  };
  if (request == net::rqOpen) return has("220") && has("250");
  if (request == net::rqMail) return has("354") && has("250");
  return true;
}

void pump() {
  try {
    platform::processMessages();
  } catch (const std::exception&) {
    // An exception that a handler let escape reaches whoever runs the loop: here.
  }
}

// Whatever the client sent is read and thrown away; the server says only what the input says.
void drain(int fd) {
  char buffer[4096];
  while (::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT) > 0) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::setUp();
  fuzz::needEventLoop();
  static Listener listener;
  const std::vector<std::string> chunks = chunksOf(data, size);

  int peer = -1;
  {
    Client client(listener.port);
    client.start(&net::TCustomSmtpClient::Open);
    size_t next = 0;
    auto closedAt = std::chrono::steady_clock::time_point::max();
    const auto begun = std::chrono::steady_clock::now();
    std::string said;
    for (;;) {
      pump();
      if (peer < 0) peer = ::accept4(listener.fd, nullptr, nullptr, SOCK_CLOEXEC);
      if (peer >= 0 && closedAt == std::chrono::steady_clock::time_point::max()) {
        drain(peer);
        if (next < chunks.size()) {
          const std::string& chunk = chunks[next++];
          said += chunk;
          if (!chunk.empty() && ::send(peer, chunk.data(), chunk.size(), MSG_NOSIGNAL) < 0) {
            next = chunks.size();
          }
          // A turn of the loop for the chunk to arrive alone.
          std::this_thread::sleep_for(std::chrono::microseconds(200));
          continue;
        }
        ::shutdown(peer, SHUT_RDWR);
        closedAt = std::chrono::steady_clock::now();
      }
      if (client.idle()) {
        for (net::TSmtpRequest request : client.succeeded) {
          if (!earned(request, said)) {
            std::fprintf(stderr, "request %d succeeded without its replies\n", request);
            std::abort();
          }
        }
        break;
      }
      const auto now = std::chrono::steady_clock::now();
      if (now - closedAt > kEndAfterClose || (peer < 0 && now - begun > kEndAfterClose)) {
        std::fprintf(stderr, "a request never ended after the server closed (state %d)\n",
                     client.smtp.State());
        std::abort();
      }
      std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
  }
  pump();
  if (peer >= 0) ::close(peer);
  return 0;
}
