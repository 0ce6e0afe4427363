#include "ui/program.h"

#include "core/errors.h"
#include "core/settings.h"
#include "core/version.h"
#include "platform/application.h"
#include "send/send_session.h"
#include "ui/activation_watch.h"
#include "ui/intro_screen.h"
#include "ui/main_window.h"
#include "ui/program_identity.h"
#include "ui/window_placement.h"

namespace zelvaro::ui {

namespace {

// The windows made with the main window read the settings file as they are made (the intro
// screen its "do not show" choice), so a first start must have it before them.
std::unique_ptr<MainWindow> makeMainWindow(const std::string& settingsPath) {
  applyProgramIdentity();
  try {
    core::createSettingsIfMissing(settingsPath);
  } catch (const core::EInOutError&) {
    // The creation work tries again and tells the operator why it cannot.
  }
  return std::make_unique<MainWindow>(settingsPath);
}

}  // namespace

Program::Program(core::CommandLine commandLine, std::string settingsPath)
    : window_(makeMainWindow(settingsPath)),
      watch_(std::make_unique<ActivationWatch>(window_.get())),
      placement_(std::make_unique<WindowPlacement>(window_.get())),
      startup_(*this, commandLine, settingsPath),
      commandLine_(std::move(commandLine)) {
  QObject::connect(window_.get(), &MainWindow::activated, window_.get(), [this] { activated(); });
}

Program::~Program() = default;

void Program::start() {
  startup_.examineCommandLine();
  window_->FormCreate();
  window_->setUnattended(commandLine_.batch);
  window_->show();
  // Without a window manager (a bare X server, the offscreen platform) nothing else makes
  // the window active, and its first activation does the start-up work.
  window_->activateWindow();
}

void Program::activated() {
  // After the batch run's end nothing more happens, whatever the window does meanwhile.
  if (ended_) return;
  const bool counts = watch_->countsAsActivation();
  if (!firstActivation_ && !counts) return;
  firstActivation_ = false;
  startup_.FormActivate();
}

void Program::layOut() {
  window_->layOut();
}

void Program::openGameFile(const std::string& path) {
  window_->openGameFile(path);
}

void Program::showIntroScreen() {
  IntroScreen& intro = window_->introScreen();
  intro.prepare(core::ProgramVersion, window_->settings().defalias);
  intro.showModal();
}

bool Program::databaseEmpty() const {
  return window_->databaseEmpty();
}

void Program::sortPlayers() {
  window_->sortPlayers();
}

bool Program::sendGame() {
  send::SendOptions options;
  options.again = commandLine_.again;
  options.only = commandLine_.only;
  options.previewFolder = commandLine_.dryRun;
  if (commandLine_.strict) options.files = send::SendOptions::Files::RefuseAny;
  return window_->sendGame(options);
}

std::vector<std::string> Program::sendFailures() const {
  return window_->sendFailures();
}

void Program::quit(int status) {
  ended_ = true;
  platform::Application::quit(status);
}

}  // namespace zelvaro::ui
