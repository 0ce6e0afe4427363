#include "delay_relay.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <string>

namespace zelvaro::bench {

namespace {

using Clock = std::chrono::steady_clock;

int loopbackSocket(int port, bool listen) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(port));
  const auto* raw = reinterpret_cast<sockaddr*>(&address);
  const bool ok = listen ? ::bind(fd, raw, sizeof address) == 0 && ::listen(fd, 16) == 0
                         : ::connect(fd, raw, sizeof address) == 0;
  if (!ok) {
    std::perror("relay");
    std::exit(1);
  }
  const int on = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  return fd;
}

// One direction: a reader stamps each chunk with the time it may leave, a writer passes it on
// then. An empty chunk is the end of the stream.
void carry(int from, int to, std::chrono::milliseconds delay) {
  std::mutex mutex;
  std::condition_variable ready;
  std::deque<std::pair<Clock::time_point, std::string>> queue;
  std::thread writer([&] {
    for (;;) {
      std::unique_lock lock(mutex);
      ready.wait(lock, [&] { return !queue.empty(); });
      auto [due, bytes] = std::move(queue.front());
      queue.pop_front();
      lock.unlock();
      std::this_thread::sleep_until(due);
      if (bytes.empty()) {
        ::shutdown(to, SHUT_WR);
        return;
      }
      for (size_t sent = 0; sent < bytes.size();) {
        const ssize_t count = ::send(to, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (count <= 0) return;
        sent += static_cast<size_t>(count);
      }
    }
  });
  std::string chunk(256 * 1024, '\0');
  for (;;) {
    const ssize_t count = ::recv(from, chunk.data(), chunk.size(), 0);
    std::lock_guard lock(mutex);
    queue.emplace_back(Clock::now() + delay,
                       count > 0 ? chunk.substr(0, static_cast<size_t>(count)) : std::string());
    ready.notify_one();
    if (count <= 0) break;
  }
  writer.join();
}

}  // namespace

DelayRelay::DelayRelay(int targetPort, std::chrono::milliseconds delay)
    : targetPort_(targetPort), delay_(delay) {
  listener_ = loopbackSocket(0, true);
  sockaddr_in address{};
  socklen_t length = sizeof address;
  ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
  port_ = ntohs(address.sin_port);
  thread_ = std::thread([this] { serve(); });
}

DelayRelay::~DelayRelay() {
  ::shutdown(listener_, SHUT_RDWR);
  ::close(listener_);
  thread_.join();
  std::lock_guard lock(mutex_);
  for (std::thread& connection : connections_) connection.join();
}

void DelayRelay::serve() {
  for (;;) {
    const int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0) return;
    std::lock_guard lock(mutex_);
    connections_.emplace_back([this, client] { relay(client); });
  }
}

void DelayRelay::relay(int client) {
  const int server = loopbackSocket(targetPort_, false);
  std::thread back([&] { carry(server, client, delay_); });
  carry(client, server, delay_);
  back.join();
  ::close(server);
  ::close(client);
}

}  // namespace zelvaro::bench
