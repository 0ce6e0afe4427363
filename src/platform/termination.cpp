#include "platform/termination.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>
#include <stdexcept>

namespace zelvaro::platform {

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT};

// The handler's only state: written once before the handlers are installed.
volatile sig_atomic_t writeEnd = -1;

void onSignal(int signal) {
  const int saved = errno;
  const unsigned char number = static_cast<unsigned char>(signal);
  // A full pipe already holds a wake-up; losing this byte loses nothing.
  [[maybe_unused]] ssize_t written = ::write(writeEnd, &number, 1);
  errno = saved;
}

}  // namespace

struct TerminationWatch::Impl {
  int pipe[2] = {-1, -1};
  struct sigaction previous[std::size(kSignals)] = {};
  std::unique_ptr<QSocketNotifier> notifier;
  std::function<void(int)> handler;

  void readSignals() {
    unsigned char numbers[16];
    ssize_t count;
    while ((count = ::read(pipe[0], numbers, sizeof numbers)) > 0) {
      for (ssize_t i = 0; i < count; ++i) {
        if (handler) handler(numbers[i]);
      }
    }
  }
};

TerminationWatch::TerminationWatch(std::function<void(int signal)> onSignalHandler)
    : impl_(std::make_unique<Impl>()) {
  if (writeEnd != -1) throw std::logic_error("TerminationWatch: one at a time");
  if (pipe2(impl_->pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
    throw std::runtime_error("TerminationWatch: no pipe for the signals");
  }
  impl_->handler = std::move(onSignalHandler);
  impl_->notifier = std::make_unique<QSocketNotifier>(impl_->pipe[0], QSocketNotifier::Read);
  QObject::connect(impl_->notifier.get(), &QSocketNotifier::activated,
                   [impl = impl_.get()] { impl->readSignals(); });
  writeEnd = impl_->pipe[1];
  struct sigaction action = {};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (size_t i = 0; i < std::size(kSignals); ++i) {
    sigaction(kSignals[i], &action, &impl_->previous[i]);
  }
}

TerminationWatch::~TerminationWatch() {
  for (size_t i = 0; i < std::size(kSignals); ++i) {
    sigaction(kSignals[i], &impl_->previous[i], nullptr);
  }
  writeEnd = -1;
  impl_->notifier.reset();
  ::close(impl_->pipe[0]);
  ::close(impl_->pipe[1]);
}

}  // namespace zelvaro::platform
