// "cmake --install" into a folder of the test's: every file the desktop needs lands where
// the desktop looks for it, and the desktop's own validators accept them.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace zelvaro::test {
namespace {

// Runs `command` through the shell; its output goes into the failure message.
int run(const std::string& command, std::string& output) {
  TempDir capture;
  const std::string log = capture.file("log");
  const int status = std::system((command + " >'" + log + "' 2>&1").c_str());
  output = readFile(log);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(Install, EveryDesktopFileLandsUnderThePrefixAndPassesItsValidator) {
  TempDir prefix;
  std::string output;
  ASSERT_EQ(run(std::string("'") + ZELVARO_CMAKE + "' --install '" + ZELVARO_BUILD_DIR +
                    "' --prefix '" + prefix.path() + "'",
                output),
            0)
      << output;

  const std::string id = "org.zelvaro.Zelvaro";
  for (const std::string& file : std::vector<std::string>{
           "bin/zelvaro", "share/applications/" + id + ".desktop",
           "share/metainfo/" + id + ".metainfo.xml", "share/mime/packages/" + id + ".xml",
           "share/icons/hicolor/scalable/apps/" + id + ".svg",
           "share/icons/hicolor/48x48/apps/" + id + ".png",
           "share/icons/hicolor/128x128/apps/" + id + ".png",
           "share/icons/hicolor/256x256/apps/" + id + ".png", "share/man/man1/zelvaro.1.gz",
           "lib/systemd/user/zelvaro-watch@.service"}) {
    EXPECT_TRUE(std::filesystem::is_regular_file(prefix.file(file))) << file;
  }

  // The unit's instance is the game file's escaped path, which %f gives back unescaped.
  EXPECT_NE(readFile(prefix.file("lib/systemd/user/zelvaro-watch@.service"))
                .find("/zelvaro --watch %f\n"),
            std::string::npos);

  EXPECT_EQ(
      run("desktop-file-validate '" + prefix.file("share/applications/" + id + ".desktop") + "'",
          output),
      0)
      << output;
  EXPECT_EQ(output.find("error"), std::string::npos) << output;
  EXPECT_EQ(run("appstreamcli validate --no-net '" +
                    prefix.file("share/metainfo/" + id + ".metainfo.xml") + "'",
                output),
            0)
      << output;
  // The game file type is known once the desktop's database is rebuilt from it.
  EXPECT_EQ(run("update-mime-database '" + prefix.file("share/mime") + "'", output), 0) << output;
  EXPECT_NE(readFile(prefix.file("share/mime/globs2")).find(":application/x-zelvaro-game:*.zv"),
            std::string::npos);
}

}  // namespace
}  // namespace zelvaro::test
