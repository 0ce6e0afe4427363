#include <cstdlib>
#include <string>

#include "app/watch.h"
#include "app/watch_schedule.h"
#include "core/settings.h"
#include "platform/application.h"
#include "platform/termination.h"
#include "send/send_session.h"
#include "send/session_log.h"
#include "ui/main_window.h"

namespace zelvaro::app {

namespace {

// A session exactly as /send runs it: the main window, never shown, reads the game file afresh
// and mails it.
class WindowMailer : public GameMailer {
 public:
  explicit WindowMailer(const std::string& settingsPath) {
    core::createSettingsIfMissing(settingsPath);
    window_ = std::make_unique<ui::MainWindow>(settingsPath);
    window_->FormCreate();
  }

  MailOutcome mail(const std::string& gameFile, const std::set<int>& players) override {
    window_->openGameFile(gameFile);
    send::SendOptions options;
    options.only = players;
    window_->sendGame(options);
    MailOutcome outcome;
    const send::SendSession* session = window_->lastSession();
    if (session == nullptr) return outcome;
    outcome.mailed = session->mailedCount();
    for (const send::NotMailed& entry : session->notMailed()) {
      if (entry.skipped) {
        ++outcome.mailed;
      } else {
        outcome.failed[entry.player] = entry.reason;
      }
    }
    return outcome;
  }

  // The generate command's output goes where a session's lines go: the log file, when the
  // settings keep one.
  void log(const std::vector<std::string>& lines) {
    send::SessionLog log(*window_);
    log.BeginLog();
    for (const std::string& line : lines) log.LogLine(line);
  }

  const core::Settings& settings() { return window_->settings(); }

 private:
  std::unique_ptr<ui::MainWindow> window_;
};

// For tests only: how many seconds a minute of the retry schedule lasts.
std::chrono::seconds retryUnit() {
  const char* text = std::getenv("ZELVARO_TEST_RETRY_MINUTE");
  const int seconds = text != nullptr ? std::atoi(text) : 0;
  return std::chrono::seconds(seconds > 0 ? seconds : 60);
}

}  // namespace

int runWatch(const core::CommandLine& commandLine, const std::string& settingsPath,
             platform::Application& application) {
  WindowMailer mailer(settingsPath);
  WatchOptions options;
  options.gameFiles = commandLine.gameFiles();
  options.rules.settle = std::chrono::seconds(commandLine.settleSeconds.value_or(30));
  options.rules.retryUnit = retryUnit();
  ScheduleHooks hooks;
  hooks.hostAddress = mailer.settings().email;
  hooks.databasePath = mailer.settings().database;
  hooks.log = [&mailer](const std::vector<std::string>& lines) { mailer.log(lines); };
  // One connection for the notices of a look; closed when the watch ends.
  send::NoticeMailer notices(mailer.settings());
  hooks.mail = [&notices](const send::Notice& notice) { return notices.send(notice); };
  ScheduleWatch schedule(hooks);
  options.schedule = &schedule;
  options.settingsPath = settingsPath;
  GameWatch watch(options, mailer);
  platform::TerminationWatch termination([](int) { platform::Application::quit(core::ExitOk); });
  // From inside the loop: a signal during the first session must find a loop to end.
  platform::Timer begin;
  begin.setInterval(1);
  begin.onTick = [&] {
    begin.setEnabled(false);
    watch.start();
  };
  begin.setEnabled(true);
  return application.exec();
}

}  // namespace zelvaro::app
