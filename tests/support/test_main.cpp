// Every test program starts here: the real home folder is never touched (HOME, XDG_CONFIG_HOME
// and XDG_STATE_HOME point into a temporary folder), message boxes are recorded instead of shown,
// and the application object with its event loop exists for the tests that need one.

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/application.h"
#include "platform/messages.h"
#include "support/temp_dir.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  zelvaro::test::TempDir home;
  setenv("HOME", home.path().c_str(), 1);
  setenv("XDG_CONFIG_HOME", (home.path() + "/config").c_str(), 1);
  setenv("XDG_STATE_HOME", (home.path() + "/state").c_str(), 1);
  setenv("XDG_RUNTIME_DIR", home.path().c_str(), 1);
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  zelvaro::platform::installMessages(std::make_unique<zelvaro::platform::RecordingMessages>());
  zelvaro::platform::Application app(argc, argv, zelvaro::platform::Application::Kind::Widgets);
  return RUN_ALL_TESTS();
}
