#include "platform/eventloop.h"

#include <QBasicTimer>
#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QTimerEvent>
#include <atomic>
#include <exception>
#include <utility>

#include "platform/messages.h"

namespace zelvaro::platform {

namespace {

const QEvent::Type kNotificationEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

class NotificationEvent : public QEvent {
 public:
  explicit NotificationEvent(const Notification& n) : QEvent(kNotificationEvent), notification(n) {}
  const Notification notification;
};

std::atomic<bool> terminating{false};

// Exceptions must not unwind through Qt's frames. One that escapes a handler is kept and
// rethrown by the pumping call that dispatched it; under the application's own loop, where no
// such call runs, it is shown to the operator and the loop goes on.
int pumpDepth = 0;
std::exception_ptr escaped;

template <typename Handler>
void dispatch(Handler&& handler) {
  try {
    handler();
  } catch (...) {
    takeEscapedException();
  }
}

void pump(QEventLoop::ProcessEventsFlags flags) {
  ++pumpDepth;
  QCoreApplication::processEvents(flags);
  --pumpDepth;
  if (escaped) std::rethrow_exception(std::exchange(escaped, nullptr));
}

}  // namespace

void takeEscapedException() {
  if (pumpDepth > 0) {
    if (!escaped) escaped = std::current_exception();
    return;
  }
  try {
    throw;
  } catch (const std::exception& e) {
    messages().show(e.what(), MessageKind::Error);
  } catch (...) {
    messages().show("Unknown exception", MessageKind::Error);
  }
}

// One QObject per owner: Qt keeps one posted-event queue per thread, so notifications to all
// owners come out in the order they went in, and deleting the QObject drops its queued events.
struct NotificationOwner::Impl : QObject {
  explicit Impl(NotificationOwner& o) : owner(o) {}
  ~Impl() override {
    if (destroyedWhileDispatching != nullptr) *destroyedWhileDispatching = true;
  }

  bool event(QEvent* e) override {
    if (e->type() != kNotificationEvent) return QObject::event(e);
    // A handler may destroy the owner (and this object with it): from then on nothing here may
    // be touched. Nested dispatches (a handler that pumps the loop) chain their flags.
    bool destroyed = false;
    bool* outer = destroyedWhileDispatching;
    destroyedWhileDispatching = &destroyed;
    dispatch([&] { owner.handleNotification(static_cast<NotificationEvent*>(e)->notification); });
    if (destroyed) {
      if (outer != nullptr) *outer = true;
    } else {
      destroyedWhileDispatching = outer;
    }
    return true;
  }

  NotificationOwner& owner;
  bool* destroyedWhileDispatching = nullptr;
  std::shared_ptr<int> alive = std::make_shared<int>(0);
};

NotificationOwner::NotificationOwner() : impl_(std::make_unique<Impl>(*this)) {}

NotificationOwner::~NotificationOwner() = default;

void NotificationOwner::post(const Notification& notification) {
  QCoreApplication::postEvent(impl_.get(), new NotificationEvent(notification));
}

std::weak_ptr<const void> NotificationOwner::lifetime() const {
  return impl_->alive;
}

struct Timer::Impl : QObject {
  explicit Impl(Timer& t) : timer(t) {}

  void apply() {
    if (enabled && interval > 0) {
      basic.start(interval, this);
    } else {
      basic.stop();
    }
  }

  void timerEvent(QTimerEvent* e) override {
    if (e->timerId() != basic.timerId()) return QObject::timerEvent(e);
    // The handler may destroy the timer and its handler with it: call a copy.
    std::function<void()> tick = timer.onTick;
    if (tick) dispatch(tick);
  }

  Timer& timer;
  QBasicTimer basic;
  int interval = 1000;
  bool enabled = false;
};

Timer::Timer() : impl_(std::make_unique<Impl>(*this)) {}

Timer::~Timer() = default;

void Timer::setInterval(int milliseconds) {
  if (impl_->interval == milliseconds) return;
  impl_->interval = milliseconds;
  impl_->apply();
}

int Timer::interval() const {
  return impl_->interval;
}

void Timer::setEnabled(bool enabled) {
  if (impl_->enabled == enabled) return;
  impl_->enabled = enabled;
  impl_->apply();
}

bool Timer::enabled() const {
  return impl_->enabled;
}

void processMessages() {
  pump(QEventLoop::AllEvents);
}

void waitMessage() {
  pump(QEventLoop::WaitForMoreEvents);
}

bool applicationTerminating() {
  return terminating.load();
}

void setApplicationTerminating(bool value) {
  terminating.store(value);
}

}  // namespace zelvaro::platform
