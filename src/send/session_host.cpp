#include "send/session_host.h"

#include "platform/messages.h"

namespace zelvaro::send {

bool SessionHost::waitForGame(platform::FileLock& lock, const std::string& sentence) {
  platform::messages().note(sentence);
  return lock.wait();
}

}  // namespace zelvaro::send
