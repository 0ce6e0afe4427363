#include "support/wait.h"

#include "platform/eventloop.h"

namespace zelvaro::test {

bool waitUntil(const std::function<bool()>& done, int timeoutMs) {
  bool expired = false;
  platform::Timer deadline;
  deadline.onTick = [&] { expired = true; };
  deadline.setInterval(timeoutMs);
  deadline.setEnabled(true);
  // A condition on another process (a file it writes, a server's mail) sends this loop no
  // event: it is asked again at least this often.
  platform::Timer poll;
  poll.onTick = [] {};
  poll.setInterval(50);
  poll.setEnabled(true);
  while (!done()) {
    if (expired) return false;
    platform::waitMessage();
  }
  return true;
}

}  // namespace zelvaro::test
