// The program as the operator starts it: the main window's first activation opens the game
// named on the command line, and later activations do not do it again.

#include "ui/program.h"

#include <QApplication>
#include <QComboBox>

#include "main_window_test.h"
#include "platform/eventloop.h"
#include "support/wait.h"
#include "ui/about_box.h"
#include "ui/intro_screen.h"
#include "ui/player_wizard.h"
#include "ui/settings_dialog.h"
#include "ui/text_window.h"

namespace zelvaro::test {
namespace {

class ProgramTest : public MainWindowTest {
 protected:
  void startProgram(const std::vector<std::string>& arguments) {
    core::WriteKey(settingsPath, "splash", "1");
    core::WriteKey(settingsPath, "ignoredb", "1");
    program = std::make_unique<ui::Program>(core::examineCommandLine(arguments), settingsPath);
    program->start();
    ASSERT_TRUE(waitUntil([&] { return program->window().isActiveWindow(); }, 5000))
        << "the main window becomes active by itself";
    QApplication::processEvents();
  }

  std::unique_ptr<ui::Program> program;
};

TEST_F(ProgramTest, TheGameOnTheCommandLineOpensAtTheFirstActivation) {
  const std::string path = writeGame("Orion");
  startProgram({path});
  auto* name = program->window().findChild<QComboBox*>("gamename");
  EXPECT_EQ(name->currentText().toStdString(), "Orion");
  EXPECT_EQ(program->window().game().filePath, path);
  EXPECT_FALSE(program->window().game().changed);
}

TEST_F(ProgramTest, EveryWindowCarriesTheProgramsIconAndTheDesktopKnowsItsEntry) {
  startProgram({});
  ui::MainWindow& main = program->window();
  for (QWidget* window : std::initializer_list<QWidget*>{
           &main, &main.settingsDialog(), &main.aboutBox(), &main.introScreen(),
           &main.playerWizardDialog(), &main.monitorWindow(), &main.logWindow()}) {
    EXPECT_EQ(window->windowIcon().availableSizes(),
              (QList<QSize>{{48, 48}, {128, 128}, {256, 256}}))
        << window->objectName().toStdString();
  }
  EXPECT_EQ(QGuiApplication::desktopFileName(), "org.zelvaro.Zelvaro");
}

TEST_F(ProgramTest, AMissingGameFileIsToldAtStartOnly) {
  const std::string missing = dir.file("missing.zv");
  startProgram({missing});
  EXPECT_EQ(shown(), (std::vector<std::string>{"File not found: " + missing}));
  EXPECT_EQ(program->window().game().filePath, "");
}

TEST_F(ProgramTest, AFirstStartMakesTheSettingsFileWithoutComplaint) {
  TempDir fresh;
  const std::string path = fresh.file("zelvaro.cfg");
  ui::Program first(core::examineCommandLine({}), path);
  EXPECT_TRUE(shown().empty()) << "no window may miss the settings file";
  EXPECT_NE(core::ReadKey(path, "server"), core::NotFound);
}

TEST_F(ProgramTest, ClosingTheMainWindowEndsTheProgramWithOtherWindowsOpen) {
  startProgram({});
  program->window().logWindow().showWindow();
  program->window().aboutBox().showAbout("1");
  QTimer::singleShot(0, &program->window(), [&] { program->window().close(); });
  // Should the loop not end, this ends it with a status that fails the test.
  QTimer::singleShot(10000, qApp, [] { QCoreApplication::exit(99); });
  const int status = QApplication::exec();
  platform::setApplicationTerminating(false);
  EXPECT_EQ(status, 0);
  program->window().logWindow().hide();
  program->window().aboutBox().hide();
}

TEST_F(ProgramTest, AnExceptionFromAWindowsHandlerIsShownAndTheLoopGoesOn) {
  startProgram({});
  QTimer::singleShot(0, &program->window(), [] { throw std::runtime_error("handler failed"); });
  QTimer::singleShot(50, qApp, [] { QCoreApplication::exit(7); });
  EXPECT_EQ(QApplication::exec(), 7);
  EXPECT_EQ(shown(), (std::vector<std::string>{"handler failed"}));
}

}  // namespace
}  // namespace zelvaro::test
