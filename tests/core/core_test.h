#pragma once

// Shared ground for the core tests: a fresh folder, the store's state reset, and the recorded
// message boxes emptied before each test.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/text_store.h"
#include "platform/messages.h"
#include "support/temp_dir.h"

namespace zelvaro::core {

class CoreTest : public testing::Test {
 protected:
  void SetUp() override {
    resetStoreState();
    recorded().clear();
  }

  static platform::RecordingMessages& recorded() {
    return dynamic_cast<platform::RecordingMessages&>(platform::messages());
  }
  static std::vector<std::string> shown() { return recorded().texts(); }

  // Writes the lines with CR LF and returns the path.
  std::string file(const std::string& name, const std::vector<std::string>& lines) {
    std::string bytes;
    for (const auto& line : lines) bytes += line + "\r\n";
    test::writeFile(dir.file(name), bytes);
    return dir.file(name);
  }
  std::vector<std::string> lines(const std::string& path) { return readAllLines(path).value(); }

  test::TempDir dir;
};

}  // namespace zelvaro::core
