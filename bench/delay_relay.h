#pragma once

// A TCP relay on a loopback port that holds every byte for a fixed time in each direction
// before passing it on, as a real network's round trip does; bandwidth is not limited.

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace zelvaro::bench {

class DelayRelay {
 public:
  DelayRelay(int targetPort, std::chrono::milliseconds delay);
  ~DelayRelay();
  DelayRelay(const DelayRelay&) = delete;
  DelayRelay& operator=(const DelayRelay&) = delete;

  int port() const { return port_; }

 private:
  void serve();
  void relay(int client);

  const int targetPort_;
  const std::chrono::milliseconds delay_;
  int listener_ = -1;
  int port_ = 0;
  std::thread thread_;
  std::mutex mutex_;
  std::vector<std::thread> connections_;
};

}  // namespace zelvaro::bench
