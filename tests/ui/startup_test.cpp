// Start-up around the main window: what each activation does with the command line, the
// intro screen and the empty-database hint, and how a batch run sends and ends.

#include "ui/startup.h"

#include <gtest/gtest.h>

#include "core/text_store.h"
#include "dialog_test.h"
#include "support/temp_dir.h"

namespace zelvaro::ui {
namespace {

using Lines = std::vector<std::string>;

// Records what start-up asked of the window, in order.
class FakeWindow : public StartupWindow {
 public:
  void layOut() override { calls.push_back("layOut"); }
  void openGameFile(const std::string& path) override { calls.push_back("open " + path); }
  void showIntroScreen() override { calls.push_back("intro"); }
  bool databaseEmpty() const override { return emptyDatabase; }
  void sortPlayers() override { calls.push_back("sort"); }
  bool sendGame() override {
    calls.push_back("send");
    return sendSucceeds;
  }
  std::vector<std::string> sendFailures() const override {
    return sendSucceeds ? Lines{} : Lines{"Player #1: Send failed: 10061 refused"};
  }
  void quit(int status) override { quitStatus = status; }

  Lines calls;
  bool emptyDatabase = false;
  bool sendSucceeds = true;
  int quitStatus = -1;
};

class StartupTest : public test::DialogTest {
 protected:
  StartupTest() {
    test::writeFile(settings, "splash,1\r\n");
    test::writeFile(game1, "g1\r\n");
    test::writeFile(game2, "g2\r\n");
  }

  // Start-up from creation to the first activation.
  Startup& start(const Lines& arguments) {
    startup.emplace(window, core::examineCommandLine(arguments), settings);
    startup->examineCommandLine();
    startup->FormActivate();
    return *startup;
  }

  test::TempDir dir;
  const std::string settings = dir.file("zelvaro.cfg");
  const std::string game1 = dir.file("game1.zv");
  const std::string game2 = dir.file("game2.zv");
  const std::string missing = dir.file("missing.zv");
  FakeWindow window;
  std::optional<Startup> startup;
};

TEST_F(StartupTest, ABatchRunSendsEveryGameInOrderAndEnds) {
  window.emptyDatabase = true;
  test::writeFile(settings, "splash,0\r\n");
  start({"/SEND", game1, game2});
  EXPECT_EQ(window.calls, (Lines{"layOut", "open " + game2, "sort", "open " + game1, "send",
                                 "open " + game2, "send"}))
      << "no intro screen, no hint; the last game is read once before the loop";
  EXPECT_EQ(window.quitStatus, core::ExitOk);
  EXPECT_TRUE(shown().empty());
}

TEST_F(StartupTest, ABatchRunReportsWhatWasNotSentAndFails) {
  window.sendSucceeds = false;
  start({game1, missing, "/send"});
  EXPECT_EQ(window.calls, (Lines{"layOut", "sort", "open " + game1, "send"}));
  EXPECT_EQ(shown(), (Lines{"File not found: " + missing,
                            game1 + ": Player #1: Send failed: 10061 refused"}))
      << "the missing last game is said once, not again by the loop";
  EXPECT_EQ(window.quitStatus, core::ExitFailed);

  test::recorded().clear();
  window.calls.clear();
  window.sendSucceeds = true;
  startup.reset();
  start({"/send", missing, game2});
  EXPECT_EQ(shown(), (Lines{"File not found: " + missing}));
  EXPECT_EQ(window.calls.back(), "send") << "the other game is sent all the same";
  EXPECT_EQ(window.quitStatus, core::ExitFailed);
}

TEST_F(StartupTest, SendAloneEndsAtOnceWithSuccess) {
  start({"/send"});
  EXPECT_EQ(window.calls, (Lines{"layOut", "sort"}));
  EXPECT_EQ(window.quitStatus, core::ExitOk);
}

TEST_F(StartupTest, SeveralFilesWithoutSendOpenTheLastAfterAMessage) {
  start({game1, game2});
  EXPECT_EQ(shown(), (Lines{core::MultipleFilesMessage}));
  EXPECT_EQ(window.calls, (Lines{"layOut", "open " + game2, "sort"}));
  EXPECT_EQ(window.quitStatus, -1) << "a normal run goes on";
}

TEST_F(StartupTest, AMissingGameFileIsToldOnceOnly) {
  start({missing});
  startup->FormActivate();
  EXPECT_EQ(shown(), (Lines{"File not found: " + missing}));
  EXPECT_EQ(window.calls, (Lines{"layOut", "sort", "layOut", "sort"}));
}

TEST_F(StartupTest, TheIntroScreenComesAtTheFirstActivationUnlessSwitchedOff) {
  start({});
  EXPECT_EQ(window.calls, (Lines{"layOut", "sort"})) << "splash 1";

  window.calls.clear();
  test::writeFile(settings, "email,a@b\r\n");
  startup.reset();
  start({});
  startup->FormActivate();
  EXPECT_EQ(window.calls, (Lines{"layOut", "intro", "sort", "layOut", "sort"}))
      << "splash absent counts as 0, and the screen comes once";
}

TEST_F(StartupTest, TheEmptyDatabaseHintComesOncePerStartUntilIgnored) {
  window.emptyDatabase = true;
  start({});
  startup->FormActivate();
  ASSERT_EQ(test::recorded().entries.size(), 1u) << "once per start, not per activation";
  EXPECT_EQ(test::recorded().entries[0].text,
            "Rightclick in the \"Database\" area to create new players.\n"
            "Click ignore to not show this message again.");
  EXPECT_EQ(core::ReadKey(settings, "ignoredb"), core::NotFound) << "OK writes nothing";

  startup.reset();
  test::recorded().answerNext(platform::Button::Ignore);
  start({});
  EXPECT_EQ(test::recorded().entries.size(), 2u) << "the next start asks again";
  EXPECT_EQ(core::ReadKey(settings, "ignoredb"), "1");
  startup.reset();
  start({});
  startup->FormActivate();
  EXPECT_EQ(test::recorded().entries.size(), 2u) << "not again after Ignore";

  test::recorded().clear();
  core::WriteKey(settings, "ignoredb", "0");
  window.emptyDatabase = false;
  startup->FormActivate();
  EXPECT_TRUE(test::recorded().entries.empty()) << "a database with players needs no hint";
}

}  // namespace
}  // namespace zelvaro::ui
