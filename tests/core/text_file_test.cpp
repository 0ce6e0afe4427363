#include "core/text_file.h"

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <filesystem>

#include "core_test.h"

namespace zelvaro::core {
namespace {

namespace fs = std::filesystem;
using TextFile = CoreTest;

TEST_F(TextFile, WritesCrLfAndReadsLoneLfWithoutKeepingCr) {
  std::string path = dir.file("a.txt");
  writeAllLines(path, {"one", "", "three"});
  EXPECT_EQ(test::readFile(path), "one\r\n\r\nthree\r\n");

  test::writeFile(path, "unix\nwindows\r\nlast without end");
  EXPECT_EQ(lines(path), (std::vector<std::string>{"unix", "windows", "last without end"}));
  test::writeFile(path, "");
  EXPECT_TRUE(lines(path).empty());
  test::writeFile(path, "\r\n");
  EXPECT_EQ(lines(path), std::vector<std::string>{""});
}

TEST_F(TextFile, MissingFileAndFolderAreNotFiles) {
  EXPECT_FALSE(readAllLines(dir.file("none")).has_value());
  EXPECT_FALSE(readAllLines(dir.path()).has_value());
  EXPECT_FALSE(fileExists(dir.path()));
  EXPECT_FALSE(fileExists(dir.file("none")));
  EXPECT_TRUE(fileExists(file("x", {})));
}

TEST_F(TextFile, AppendNeedsAnExistingFile) {
  std::string path = dir.file("log.txt");
  try {
    AppendLine(path, "x");
    FAIL() << "appending to a missing file must fail";
  } catch (const EInOutError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot append to " + path + ": No such file or directory");
  }
  EXPECT_FALSE(fs::exists(path));
  CreateEmpty(path);
  AppendLine(path, "a");
  AppendLine(path, "b");
  EXPECT_EQ(test::readFile(path), "a\r\nb\r\n");
  CreateEmpty(path);
  EXPECT_EQ(test::readFile(path), "");
}

TEST_F(TextFile, ReadFailureNamesPathAndSystemText) {
  // Reading this file fails with an I/O error even for root.
  try {
    readAllLines("/proc/self/mem");
    FAIL() << "expected EInOutError";
  } catch (const EInOutError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot read /proc/self/mem: Input/output error");
  }
  EXPECT_THROW(readFirstBytes(dir.file("none"), 14), EInOutError);
}

// Lowers the largest file size this process may write, so that a write fails with EFBIG
// whoever runs the test.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &old_);
    rlimit lowered = old_;
    lowered.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &lowered);
  }
  ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &old_); }

 private:
  rlimit old_;
};

TEST_F(TextFile, FailedRewriteLeavesOldFileWholeAndNoLeftovers) {
  std::string path = file("game.zv", {"old", "content"});
  {
    FileSizeLimit limit(16);
    EXPECT_THROW(writeAllLines(path, {std::string(100, 'x')}), EInOutError);
  }
  EXPECT_EQ(test::readFile(path), "old\r\ncontent\r\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

TEST_F(TextFile, RewriteKeepsPermissionsAndFollowsLinks) {
  std::string path = file("db.txt", {"a"});
  fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
  fs::create_symlink(path, dir.file("link.txt"));
  writeAllLines(dir.file("link.txt"), {"b"});
  EXPECT_TRUE(fs::is_symlink(dir.file("link.txt")));
  EXPECT_EQ(test::readFile(path), "b\r\n");
  EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(TextFile, WriteIntoMissingFolderNamesThePath) {
  std::string path = dir.file("no/such/folder.txt");
  try {
    writeAllLines(path, {"x"});
    FAIL() << "expected EInOutError";
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.path(), path);
    EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
  }
}

}  // namespace
}  // namespace zelvaro::core
