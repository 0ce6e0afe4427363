#include "net/syncwsocket.h"

#include "platform/eventloop.h"

namespace zelvaro::net {

int TCustomSyncWSocket::RunAndWait(bool& flag, const std::function<void()>& routine) {
  flag = false;
  if (routine) routine();
  return WaitForFlag(flag);
}

int TCustomSyncWSocket::WaitForFlag(bool& flag) {
  bool expired = false;
  platform::Timer deadline;
  deadline.onTick = [&] { expired = true; };
  deadline.setInterval(timeout_);
  deadline.setEnabled(timeout_ > 0);
  while (!flag) {
    if (expired || platform::applicationTerminating()) return WSocketWaitAborted;
    // Sleeps until an event: the flag is only ever set by one.
    platform::waitMessage();
  }
  return 0;
}

}  // namespace zelvaro::net
