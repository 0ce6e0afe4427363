#include "app/launch.h"
#include <sstream>

#include <gtest/gtest.h>

namespace zelvaro::app {
namespace {

Launch launch(std::vector<std::string> arguments, Environment environment) {
  return chooseLaunch(core::examineCommandLine(arguments), environment);
}

TEST(Launch, WithoutADisplayOnlyABatchRunsAndItRunsOffscreen) {
  Environment none;
  EXPECT_EQ(launch({"/send", "game.zv"}, none), Launch::Offscreen);
  EXPECT_EQ(launch({"/send"}, none), Launch::Offscreen);
  EXPECT_EQ(launch({"game.zv"}, none), Launch::NeedsDisplay);
  EXPECT_EQ(launch({}, none), Launch::NeedsDisplay);
}

TEST(Launch, AnyDisplayOrNamedPlatformIsUsedAsItIs) {
  EXPECT_EQ(launch({}, {":0", "", ""}), Launch::Windowed);
  EXPECT_EQ(launch({}, {"", "wayland-0", ""}), Launch::Windowed);
  EXPECT_EQ(launch({}, {"", "", "offscreen"}), Launch::Windowed);
  EXPECT_EQ(launch({"/send", "game.zv"}, {":0", "", ""}), Launch::Windowed);
  EXPECT_EQ(launch({}, {"", "", ""}), Launch::NeedsDisplay) << "an empty variable names nothing";
}

TEST(Launch, WatchRunsOffscreenEvenWithADisplay) {
  EXPECT_EQ(launch({"--watch", "game.zv"}, {}), Launch::Watch);
  EXPECT_EQ(launch({"--watch", "game.zv"}, {":0", "wayland-0", "xcb"}), Launch::Watch);
  EXPECT_EQ(launch({"--watch"}, {":0", "", ""}), Launch::Usage);
}

TEST(Launch, AUsageErrorWinsOverEverythingElse) {
  EXPECT_EQ(launch({"--help", "-q"}, {":0", "", ""}), Launch::Usage);
  EXPECT_EQ(launch({"--send", "-q", "game.zv"}, {}), Launch::Usage);
  EXPECT_EQ(launch({"--send", "game.zv"}, {}), Launch::Offscreen);
}

TEST(Launch, HelpAndVersionAnswerWithoutAnyDisplay) {
  EXPECT_EQ(launch({"game.zv", "--help"}, {}), Launch::Help);
  EXPECT_EQ(launch({"--version", "/send"}, {}), Launch::Version);
  EXPECT_EQ(launch({"--version", "--help"}, {":0", "", ""}), Launch::Help);
}

TEST(Launch, UsageNamesTheSwitchesTheSettingsAndEveryExitStatus) {
  std::string usage = usageText();
  for (const char* needle : {"/send", "--watch", "--settle SECONDS", "--help", "--version",
                             "zelvaro.cfg", "\n  0  ", "\n  1  ", "\n  2  "}) {
    EXPECT_NE(usage.find(needle), std::string::npos) << needle << " missing from:\n" << usage;
  }
  // It must read in an 80-column terminal.
  std::istringstream lines(usage);
  for (std::string line; std::getline(lines, line);) EXPECT_LE(line.size(), 80u) << line;
  EXPECT_EQ(versionText(), "Zelvaro 1.5c (5th July 1999)\n");
}

}  // namespace
}  // namespace zelvaro::app
