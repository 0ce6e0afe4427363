#pragma once

// One picture to take: a name (the PNG's file name) and a function that builds or brings the
// window into the state to show and returns it. The runner shows the window, lets it paint,
// saves the picture and hides it again. Windows live as long as the run; a shot may keep its
// window in the Stage and reuse it in later shots.

#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace zelvaro::shots {

struct Stage {
  std::string settingsPath;  // a throw-away zelvaro.cfg, created with its defaults
  std::vector<std::unique_ptr<QWidget>> windows;

  template <class W, class... Args>
  W* keep(Args&&... args) {
    auto window = std::make_unique<W>(std::forward<Args>(args)...);
    W* raw = window.get();
    windows.push_back(std::move(window));
    return raw;
  }
};

struct Shot {
  std::string name;
  std::function<QWidget*(Stage&)> prepare;
};

// Each group of windows adds its shots here, in the order they are taken.
void addLeafWindowShots(std::vector<Shot>& shots);
void addDialogShots(std::vector<Shot>& shots);
void addSettingsShots(std::vector<Shot>& shots);
void addWizardShots(std::vector<Shot>& shots);
void addMainWindowShots(std::vector<Shot>& shots);

}  // namespace zelvaro::shots
