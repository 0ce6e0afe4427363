#pragma once

#include <functional>

#include "net/linewsocket.h"

namespace zelvaro::net {

// What WaitForFlag gives when it stops without the flag.
inline constexpr int WSocketWaitAborted = 12001;

// Waiting for a flag while the event loop runs.
class TCustomSyncWSocket : public TCustomLineWSocket {
 public:
  // Clears the flag, runs the routine when one is given, then WaitForFlag.
  virtual int RunAndWait(bool& flag, const std::function<void()>& routine = {});
  // Runs the event loop until a handler sets the flag: 0. WSocketWaitAborted when the
  // application is terminating or the time-out has passed first.
  virtual int WaitForFlag(bool& flag);
  // Milliseconds for WaitForFlag; 0 waits without limit.
  int Timeout() const { return timeout_; }
  void SetTimeout(int milliseconds) { timeout_ = milliseconds; }

 private:
  int timeout_ = 0;
};

}  // namespace zelvaro::net
