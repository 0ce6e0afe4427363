#pragma once

// The thread's event loop as the socket and the SMTP engine see it: posted notifications to
// owner objects (the stand-in for hidden windows), timers, and the two pumping routines.
// Qt's event loop runs underneath; nothing here includes Qt.

#include <cstdint>
#include <functional>
#include <memory>

namespace zelvaro::platform {

// A window message: a number and two values.
struct Notification {
  unsigned message = 0;
  std::uintptr_t wparam = 0;
  std::intptr_t lparam = 0;
};

// Receives posted notifications, in the order posted, always from the loop and never inside
// the call that posted. Destroying the owner drops what is still queued for it.
// Notifications to different owners keep their order among each other too: there is one queue.
class NotificationOwner {
 public:
  NotificationOwner();
  virtual ~NotificationOwner();
  NotificationOwner(const NotificationOwner&) = delete;
  NotificationOwner& operator=(const NotificationOwner&) = delete;

  // Safe from any thread, as long as the owner outlives the call.
  void post(const Notification& notification);

  // Expires when the owner is destroyed: whoever keeps a plain pointer to an owner checks it
  // before posting.
  std::weak_ptr<const void> lifetime() const;

 protected:
  virtual void handleNotification(const Notification& notification) = 0;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// A timer with an interval (milliseconds), an enabled flag and a tick handler. Ticks come from
// the loop; a disabled timer never ticks, nor does one with an interval of 0 or less; changing
// the interval of an enabled timer restarts it. The handler may destroy the timer.
class Timer {
 public:
  Timer();
  ~Timer();
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;

  void setInterval(int milliseconds);
  int interval() const;
  void setEnabled(bool enabled);
  bool enabled() const;
  std::function<void()> onTick;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// An exception that escapes a notification handler or a tick handler leaves through the
// processMessages() or waitMessage() call that dispatched it (after that call has dispatched the
// rest); under Application::exec() it is shown to the operator and the loop goes on. The same
// holds for whatever a window's own event or signal handler lets escape (the application
// object catches it before it leaves the event's delivery).

// Called inside a catch block of a dispatch: keeps the exception for the pumping call that
// runs the loop, or shows it when no such call runs.
void takeEscapedException();

// Dispatches every notification, timer tick and window event waiting now, and returns.
void processMessages();
// Waits for the next event of any kind and dispatches it (and whatever else is waiting).
void waitMessage();
// Set when the application is ending: waiting loops stop waiting.
bool applicationTerminating();
void setApplicationTerminating(bool terminating);

}  // namespace zelvaro::platform
