#pragma once

// SIGTERM and SIGINT reach the program through its event loop. The signal handler only writes
// the signal's number into a pipe, which is all a handler may safely do; the loop reads it and
// calls the handler given here, where anything goes (ending a send session, quitting).

#include <functional>
#include <memory>

namespace zelvaro::platform {

class TerminationWatch {
 public:
  // One at a time; the previous dispositions come back with its destruction.
  explicit TerminationWatch(std::function<void(int signal)> onSignal);
  ~TerminationWatch();
  TerminationWatch(const TerminationWatch&) = delete;
  TerminationWatch& operator=(const TerminationWatch&) = delete;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace zelvaro::platform
