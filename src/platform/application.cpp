#include "platform/application.h"

#include <QApplication>
#include <QCoreApplication>

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

int Application::exec() { return QCoreApplication::exec(); }

void Application::quit(int code) { QCoreApplication::exit(code); }

}  // namespace zelvaro::platform
