#pragma once

#include <memory>

namespace zelvaro::platform {

// The process's one application object and its event loop. Headless gives a loop without
// windows (tests of the lower layers); Widgets gives the full windowed application.
class Application {
 public:
  enum class Kind { Headless, Widgets };

  Application(int& argc, char** argv, Kind kind);
  ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // Runs the loop until quit() is called; returns the code given to quit().
  int exec();
  static void quit(int code = 0);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace zelvaro::platform
