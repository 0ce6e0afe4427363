// The status page as players see it: a strict parse, and headless Chromium (Debian's chromium)
// loading it at a phone's size and drawing it.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "core/status_page.h"
#include "core_test.h"

namespace zelvaro::core {
namespace {

class StatusPageBrowserTest : public CoreTest {
 protected:
  std::string writePage() {
    StatusPage page{
        "Nebula <Cup> & \"friends\"",
        2427,
        "Tuesday 8 December 2026, 20:00",
        "3 hours 12 minutes",
        {{1, "Admiral Vega", "2026-12-07 20:01", StatusRow::Orders::In, "2026-12-08 09:14"},
         {2, "Captain O'Rrin", "2026-12-07 20:01", StatusRow::Orders::Rejected, "2026-12-08 10:02"},
         {3, "Dr. Kessa Moor", "2026-12-07 20:02", StatusRow::Orders::Out, ""},
         {4, "Tøbbe", "", StatusRow::Orders::Out, ""}},
        "2026-12-07 20:00: 2426 ok",
        "Tuesday 8 December 2026, 16:48"};
    const std::string path = dir.file("status.html");
    writeStatusPage(path, page);
    return path;
  }

  static int run(const std::string& command) { return std::system(command.c_str()); }
};

TEST_F(StatusPageBrowserTest, IsStrictHtmlThatChromiumLoadsAndDrawsAtAPhonesSize) {
  const std::string page = writePage();
  EXPECT_EQ(run("/usr/bin/python3 " ZELVARO_TESTS_DIR "/support/strict_html.py '" + page + "'"), 0);
  if (run("command -v chromium >/dev/null") != 0) {
    GTEST_SKIP() << "chromium is not installed (scripts/install-deps installs it)";
  }
  // Its own profile in the test's folder; no sandbox, which a root or container run lacks.
  const std::string chromium = "chromium --headless --no-sandbox --disable-gpu --user-data-dir='" +
                               dir.file("profile") + "' ";
  const std::string dom = dir.file("dom.html");
  ASSERT_EQ(run(chromium + "--dump-dom 'file://" + page + "' >'" + dom + "' 2>/dev/null"), 0);
  const std::string loaded = test::readFile(dom);
  EXPECT_NE(loaded.find("<td>Tøbbe</td>"), std::string::npos) << loaded;
  EXPECT_NE(loaded.find("Nebula &lt;Cup&gt; &amp; \"friends\""), std::string::npos) << loaded;
  EXPECT_EQ(loaded.find("<script"), std::string::npos);

  const std::string picture = dir.file("phone.png");
  ASSERT_EQ(run(chromium + "--window-size=390,844 --screenshot='" + picture + "' 'file://" + page +
                "' >/dev/null 2>&1"),
            0);
  EXPECT_GT(std::filesystem::file_size(picture), 5000u) << "a page drawn, not a blank one";
}

}  // namespace
}  // namespace zelvaro::core
