#pragma once

// A command run as runProcess runs it, on a thread of its own, so the loop goes on meanwhile:
// the game's generate command, which may take minutes. Its end comes back through the loop,
// never inside start(). Destroying the job ends the command's process group and waits for
// the thread, which notices within a poll slice.

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "platform/eventloop.h"
#include "platform/process_runner.h"

namespace zelvaro::platform {

class ProcessJob : private NotificationOwner {
 public:
  ProcessJob() = default;
  ~ProcessJob() override;

  // False, and nothing started, while a command runs already. `options.whileWaiting` is not
  // called: the loop is never held.
  bool start(const std::string& command, ProcessOptions options,
             std::function<void(const ProcessResult&)> onEnd);
  bool running() const { return worker_.joinable(); }
  // Ends the command's group; the end still comes, as Cancelled.
  void cancel() { cancelled_ = true; }

 private:
  void handleNotification(const Notification& notification) override;

  std::thread worker_;
  std::atomic<bool> cancelled_{false};
  ProcessResult result_;  // written by the worker before it posts, read after
  std::function<void(const ProcessResult&)> onEnd_;
};

}  // namespace zelvaro::platform
