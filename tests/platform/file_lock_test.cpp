// The lock that keeps two runs from mailing one game: held against other processes, shared
// within one, and waited for with the loop running.

#include "platform/file_lock.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/eventloop.h"
#include "support/lock_holder.h"
#include "support/temp_dir.h"

namespace zelvaro::platform {
namespace {

TEST(FileLockTest, AnotherProcessKeepsItUntilItLetsGoAndTheWaitCanBeCancelled) {
  test::TempDir dir;
  const std::string path = dir.file("game.lock");
  test::OtherLockHolder other(path);
  ASSERT_TRUE(other.holding());
  FileLock lock(path);
  EXPECT_FALSE(lock.tryLock());
  int looks = 0;
  EXPECT_FALSE(lock.wait([&] { return ++looks == 3; })) << "cancelled";
  EXPECT_FALSE(lock.held());

  Timer letGo;
  letGo.onTick = [&] {
    letGo.setEnabled(false);
    other.release();
  };
  letGo.setInterval(200);
  letGo.setEnabled(true);
  EXPECT_TRUE(lock.wait());
  EXPECT_TRUE(lock.held());

  // Within the process the holding is shared, and the lock goes with its last holder.
  const std::string othersTry = "flock -n '" + path + "' true";
  {
    FileLock inner(path);
    EXPECT_TRUE(inner.tryLock());
  }
  EXPECT_NE(std::system(othersTry.c_str()), 0) << "still held";
  lock.unlock();
  EXPECT_EQ(std::system(othersTry.c_str()), 0);
}

TEST(FileLockTest, TheLockFileIsNamedAfterTheGameInTheRuntimeFolder) {
  test::TempDir dir;
  const std::string saved = std::getenv("XDG_RUNTIME_DIR");
  setenv("XDG_RUNTIME_DIR", dir.path().c_str(), 1);
  EXPECT_EQ(lockPathFor("/home/host/50% games/orion.zv"),
            dir.file("zelvaro/%2Fhome%2Fhost%2F50%25 games%2Forion.zv.lock"));
  const std::string longer = lockPathFor("/" + std::string(300, 'g') + "/orion.zv");
  const std::string name = longer.substr(longer.rfind('/') + 1);
  EXPECT_LE(name.size(), 255u);
  EXPECT_NE(longer, lockPathFor("/" + std::string(300, 'h') + "/orion.zv"));
  EXPECT_NE(name.find("orion.zv-"), std::string::npos) << "the end of the path stays readable";
  unsetenv("XDG_RUNTIME_DIR");
  EXPECT_EQ(lockPathFor("/g.zv").rfind(std::string(std::getenv("XDG_STATE_HOME")), 0), 0u);
  setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
}

}  // namespace
}  // namespace zelvaro::platform
