#include "platform/application.h"

#include <QApplication>
#include <QCoreApplication>

#include "platform/eventloop.h"

namespace zelvaro::platform {

namespace {

// Exceptions must not leave an event's delivery into Qt's own loop: what a window's handler
// lets escape is handled as the loop's notifications' are.
template <typename Base>
class GuardedApplication : public Base {
 public:
  using Base::Base;
  bool notify(QObject* receiver, QEvent* event) override {
    try {
      return Base::notify(receiver, event);
    } catch (...) {
      takeEscapedException();
      return true;
    }
  }
};

}  // namespace

struct Application::Impl {
  std::unique_ptr<QCoreApplication> app;
};

Application::Application(int& argc, char** argv, Kind kind) : impl_(std::make_unique<Impl>()) {
  if (kind == Kind::Widgets) {
    impl_->app = std::make_unique<GuardedApplication<QApplication>>(argc, argv);
  } else {
    impl_->app = std::make_unique<GuardedApplication<QCoreApplication>>(argc, argv);
  }
  QCoreApplication::setApplicationName(QStringLiteral("Zelvaro"));
}

Application::~Application() = default;

int Application::exec() {
  return QCoreApplication::exec();
}

void Application::quit(int code) {
  // Loops that wait inside a handler must stop too, or exec() could never return.
  setApplicationTerminating(true);
  QCoreApplication::exit(code);
}

}  // namespace zelvaro::platform
