// Takes a picture of each window of the program, as a user sees it, into a folder:
//   zelvaro_screenshots <folder> [name ...]     (only the named shots when names are given)
// Runs against a throw-away settings folder, never the user's own.

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QScreen>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "core/settings.h"
#include "shots.h"

namespace {

void settle(int ms) {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < ms) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(5);
  }
}

// The screen's own pixels where the platform has a screen; the widget's rendering otherwise.
QPixmap capture(QWidget* window) {
  QScreen* screen = window->screen();
  if (screen != nullptr && QGuiApplication::platformName() != "offscreen") {
    QRect frame = window->frameGeometry();
    return screen->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
  }
  return window->grab();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s <folder> [shot ...]\n", argv[0]);
    return 2;
  }
  QTemporaryDir home;
  setenv("HOME", qPrintable(home.path()), 1);
  setenv("XDG_CONFIG_HOME", qPrintable(home.path() + "/config"), 1);
  setenv("XDG_STATE_HOME", qPrintable(home.path() + "/state"), 1);
  QApplication app(argc, argv);
  QApplication::setApplicationName("Zelvaro");
  const QString folder = QString::fromLocal8Bit(argv[1]);
  QDir().mkpath(folder);
  std::vector<std::string> wanted(argv + 2, argv + argc);

  zelvaro::shots::Stage stage;
  stage.settingsPath = zelvaro::core::settingsFilePath();
  zelvaro::core::createSettingsIfMissing(stage.settingsPath);

  std::vector<zelvaro::shots::Shot> shots;
  zelvaro::shots::addLeafWindowShots(shots);
  zelvaro::shots::addDialogShots(shots);
  zelvaro::shots::addSettingsShots(shots);
  zelvaro::shots::addWizardShots(shots);
  zelvaro::shots::addMainWindowShots(shots);
  int failures = 0;
  for (const auto& shot : shots) {
    if (!wanted.empty() && std::find(wanted.begin(), wanted.end(), shot.name) == wanted.end()) {
      continue;
    }
    QWidget* window = shot.prepare(stage);
    if (!window->isVisible()) window->show();
    window->raise();
    settle(400);
    const QString file = folder + "/" + QString::fromStdString(shot.name) + ".png";
    if (capture(window).save(file)) {
      std::printf("%s\n", qPrintable(file));
    } else {
      std::fprintf(stderr, "cannot save %s\n", qPrintable(file));
      ++failures;
    }
    window->hide();
    settle(100);
  }
  return failures == 0 ? 0 : 1;
}
