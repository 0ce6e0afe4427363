#include "platform/application.h"

#include <QApplication>
#include <QCoreApplication>

#include "platform/eventloop.h"

namespace zelvaro::platform {

struct Application::Impl {
  std::unique_ptr<QCoreApplication> app;
};

Application::Application(int& argc, char** argv, Kind kind) : impl_(std::make_unique<Impl>()) {
  if (kind == Kind::Widgets) {
    impl_->app = std::make_unique<QApplication>(argc, argv);
  } else {
    impl_->app = std::make_unique<QCoreApplication>(argc, argv);
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
