#include "support/wait.h"

#include "platform/eventloop.h"

namespace zelvaro::test {

bool waitUntil(const std::function<bool()>& done, int timeoutMs) {
  bool expired = false;
  platform::Timer deadline;
  deadline.onTick = [&] { expired = true; };
  deadline.setInterval(timeoutMs);
  deadline.setEnabled(true);
  while (!done()) {
    if (expired) return false;
    platform::waitMessage();
  }
  return true;
}

}  // namespace zelvaro::test
