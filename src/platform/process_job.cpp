#include "platform/process_job.h"

#include <utility>

namespace zelvaro::platform {

ProcessJob::~ProcessJob() {
  cancelled_ = true;
  if (worker_.joinable()) worker_.join();
}

bool ProcessJob::start(const std::string& command, ProcessOptions options,
                       std::function<void(const ProcessResult&)> onEnd) {
  if (running()) return false;
  cancelled_ = false;
  onEnd_ = std::move(onEnd);
  options.whileWaiting = nullptr;
  options.cancelled = &cancelled_;
  worker_ = std::thread([this, command, options = std::move(options)] {
    result_ = runProcess(command, options);
    // The owner outlives the thread: the destructor joins before the owner goes.
    post({});
  });
  return true;
}

void ProcessJob::handleNotification(const Notification&) {
  worker_.join();
  // The handler may start the next command or destroy the job.
  auto onEnd = std::exchange(onEnd_, nullptr);
  const ProcessResult result = std::move(result_);
  if (onEnd) onEnd(result);
}

}  // namespace zelvaro::platform
