#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <set>

#include "platform/folder_watch.h"
#include "platform/termination.h"
#include "support/temp_dir.h"
#include "support/wait.h"

namespace zelvaro::platform {
namespace {

TEST(FolderWatch, TellsOfNewFilesFilesRewrittenInPlaceAndFoldersThatAppearLater) {
  test::TempDir dir;
  test::writeFile(dir.file("game.hst"), "2426");
  const std::string later = dir.file("later");
  std::multiset<std::string> changes;
  auto note = [&changes](const std::string& folder) { changes.insert(folder); };
  // No rescan comes in this test's time: the notices alone must tell.
  FolderWatch watch(3600 * 1000);
  watch.onChange = note;
  watch.watch(dir.path());
  FolderWatch rescanning(300);
  rescanning.onChange = note;
  rescanning.watch(later);

  test::writeFile(dir.file("game.m1"), "new");
  ASSERT_TRUE(test::waitUntil([&] { return changes.count(dir.path()) > 0; }));
  changes.clear();
  {
    // As a host's generation rewrites a file: same name, same inode.
    std::FILE* file = std::fopen(dir.file("game.hst").c_str(), "r+");
    ASSERT_NE(file, nullptr);
    std::fputs("2427", file);
    std::fclose(file);
  }
  ASSERT_TRUE(test::waitUntil([&] { return changes.count(dir.path()) > 0; }));

  std::filesystem::create_directory(later);
  ASSERT_TRUE(test::waitUntil([&] { return changes.count(later) > 0; }))
      << "found by the rescan, under the name it was given";
  changes.clear();
  test::writeFile(later + "/game.m2", "x");
  ASSERT_TRUE(test::waitUntil([&] { return changes.count(later) > 0; }));
}

TEST(TerminationWatch, SignalsArriveThroughTheLoopNotInsideTheHandler) {
  std::vector<int> received;
  {
    TerminationWatch watch([&received](int signal) { received.push_back(signal); });
    raise(SIGTERM);
    raise(SIGINT);
    EXPECT_TRUE(received.empty()) << "nothing runs inside the signal handler";
    ASSERT_TRUE(test::waitUntil([&] { return received.size() == 2; }));
    EXPECT_EQ(received, (std::vector<int>{SIGTERM, SIGINT}));
  }
  struct sigaction now = {};
  sigaction(SIGTERM, nullptr, &now);
  EXPECT_EQ(now.sa_handler, SIG_DFL) << "the previous disposition is back";
}

}  // namespace
}  // namespace zelvaro::platform
