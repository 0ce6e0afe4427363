#include "platform/process_job.h"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>

#include "support/temp_dir.h"
#include "support/wait.h"

namespace zelvaro::platform {
namespace {

using std::chrono::steady_clock;

TEST(ProcessJob, RunsInItsFolderWhileTheLoopGoesOnAndEndsThroughTheLoop) {
  test::TempDir dir;
  ProcessJob job;
  std::optional<ProcessResult> ended;
  ProcessOptions options;
  options.workingDirectory = dir.path();
  ASSERT_TRUE(job.start("sleep 0.3; pwd; echo oops >&2; exit 4", options,
                        [&](const ProcessResult& result) { ended = result; }));
  EXPECT_FALSE(job.start("true", {}, [](const ProcessResult&) {})) << "one at a time";
  int ticks = 0;
  Timer timer;
  timer.onTick = [&] { ++ticks; };
  timer.setInterval(20);
  timer.setEnabled(true);
  ASSERT_TRUE(test::waitUntil([&] { return ended.has_value(); }));
  EXPECT_GE(ticks, 5) << "the loop was never held";
  EXPECT_FALSE(job.running());
  EXPECT_EQ(ended->exitStatus, 4);
  EXPECT_EQ(ended->output, dir.path() + "\n");
  EXPECT_EQ(ended->errors, "oops\n");

  options.workingDirectory = dir.file("missing");
  ended.reset();
  ASSERT_TRUE(job.start("true", options, [&](const ProcessResult& result) { ended = result; }));
  ASSERT_TRUE(test::waitUntil([&] { return ended.has_value(); }));
  EXPECT_FALSE(ended->succeeded()) << "never run in another folder than asked";
}

TEST(ProcessJob, DestroyedWhileRunningEndsTheCommandAtOnce) {
  const auto begun = steady_clock::now();
  bool called = false;
  {
    ProcessJob job;
    job.start("sleep 30", {}, [&](const ProcessResult&) { called = true; });
    processMessages();
  }
  EXPECT_LT(steady_clock::now() - begun, std::chrono::seconds(3));
  processMessages();
  EXPECT_FALSE(called);
}

}  // namespace
}  // namespace zelvaro::platform
