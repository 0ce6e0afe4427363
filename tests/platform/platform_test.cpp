#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/collation.h"
#include "platform/messages.h"
#include "platform/paths.h"
#include "support/temp_dir.h"

namespace zelvaro::platform {
namespace {

// Restores HOME and XDG_CONFIG_HOME after a test that points them elsewhere.
class EnvironmentGuard {
 public:
  EnvironmentGuard() : home_(get("HOME")), xdg_(get("XDG_CONFIG_HOME")) {}
  ~EnvironmentGuard() {
    setenv("HOME", home_.c_str(), 1);
    setenv("XDG_CONFIG_HOME", xdg_.c_str(), 1);
  }

 private:
  static std::string get(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
  }
  std::string home_, xdg_;
};

TEST(SettingsDirectory, FollowsXdgConfigHomeOnlyWhenAbsolute) {
  EnvironmentGuard guard;
  test::TempDir dir;
  setenv("HOME", dir.path().c_str(), 1);

  setenv("XDG_CONFIG_HOME", (dir.path() + "/xdg").c_str(), 1);
  EXPECT_EQ(settingsDirectory(), dir.path() + "/xdg/zelvaro");
  EXPECT_TRUE(std::filesystem::is_directory(dir.path() + "/xdg/zelvaro"));

  setenv("XDG_CONFIG_HOME", "relative/path", 1);
  EXPECT_EQ(settingsDirectory(), dir.path() + "/.config/zelvaro");

  unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(settingsDirectory(), dir.path() + "/.config/zelvaro");
  EXPECT_TRUE(std::filesystem::is_directory(dir.path() + "/.config/zelvaro"));
}

TEST(Collation, IgnoresCaseAndOrdersLetters) {
  EXPECT_LT(compareText("Bravo", "charlie"), 0);
  EXPECT_LT(compareText("charlie", "Delta"), 0);
  EXPECT_EQ(compareText("alpha", "ALPHA"), 0);
}

TEST(RecordingMessages, AnswersFromScriptThenDefault) {
  RecordingMessages recording;
  recording.answerNext(Button::No);
  Question q{"Save changes?", {Button::Yes, Button::No, Button::Cancel}, Button::Yes};
  EXPECT_EQ(recording.ask(q), Button::No);
  EXPECT_EQ(recording.ask(q), Button::Yes);
  recording.show("hello", MessageKind::Plain);
  EXPECT_EQ(recording.texts(),
            (std::vector<std::string>{"Save changes?", "Save changes?", "hello"}));

  recording.answerNextFile("/tmp/x.zv");
  EXPECT_EQ(recording.saveFile({}), std::optional<std::string>("/tmp/x.zv"));
  EXPECT_EQ(recording.openFile({}), std::nullopt);
}

TEST(BatchMessages, WritesOneLinePerTextAndTakesTheDefault) {
  BatchMessages batch;
  testing::internal::CaptureStderr();
  batch.show("two\r\nlines", MessageKind::Warning);
  Button answer = batch.ask({"Database empty", {Button::Ok, Button::Ignore}, Button::Ok});
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(err, "zelvaro: two  lines\nzelvaro: Database empty\n");
  EXPECT_EQ(answer, Button::Ok);
  EXPECT_EQ(batch.written(), 2);
  EXPECT_EQ(batch.openFile({}), std::nullopt);
}

}  // namespace
}  // namespace zelvaro::platform
