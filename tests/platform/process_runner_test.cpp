#include "platform/process_runner.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "support/temp_dir.h"

namespace zelvaro::platform {
namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

// Gone, or a zombie waiting for whoever reaps orphans: either way it holds nothing any more.
bool stillRuns(const std::string& pid) {
  std::ifstream stat("/proc/" + pid + "/stat");
  std::string field;
  for (int i = 0; i < 3 && stat >> field; ++i) {
  }
  return stat && field != "Z";
}

TEST(ProcessRunner, EndsWhatTheShellLeftInTheBackground) {
  test::TempDir dir;
  const std::string pidFile = dir.file("child.pid");
  const auto begun = steady_clock::now();
  // The background child keeps both pipes open and would run a minute.
  const ProcessResult result =
      runProcess("printf out; printf err >&2; sleep 60 & echo $! > " + pidFile);
  EXPECT_LT(steady_clock::now() - begun, milliseconds(900));
  EXPECT_TRUE(result.succeeded());
  EXPECT_EQ(result.output, "out");
  EXPECT_EQ(result.errors, "err");
  std::string pid;
  std::ifstream(pidFile) >> pid;
  ASSERT_FALSE(pid.empty());
  for (int i = 0; i < 100 && stillRuns(pid); ++i) std::this_thread::sleep_for(milliseconds(10));
  EXPECT_FALSE(stillRuns(pid)) << "its process group was ended";
}

TEST(ProcessRunner, StatusSignalLimitAndOutputCap) {
  EXPECT_EQ(runProcess("exit 3").exitStatus, 3);
  const ProcessResult killed = runProcess("kill -TERM $$");
  EXPECT_EQ(killed.end, ProcessResult::End::Signalled);
  EXPECT_EQ(killed.signal, SIGTERM);

  const auto begun = steady_clock::now();
  ProcessOptions options;
  options.limit = milliseconds(300);
  const ProcessResult hanging = runProcess("echo early; sleep 30", options);
  EXPECT_LT(steady_clock::now() - begun, std::chrono::seconds(3));
  EXPECT_EQ(hanging.end, ProcessResult::End::TimedOut);
  EXPECT_EQ(hanging.output, "early\n");

  options.limit = std::chrono::seconds(30);
  options.maxOutput = 10;
  // Far more than a pipe holds: the command must not block on it.
  const ProcessResult chatty = runProcess("head -c 1000000 /dev/zero | tr '\\0' x", options);
  EXPECT_TRUE(chatty.succeeded());
  EXPECT_EQ(chatty.output, "xxxxxxxxxx");
}

}  // namespace
}  // namespace zelvaro::platform
