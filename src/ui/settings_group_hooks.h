#pragma once

// What a settings group with a connection check needs of its dialog.

#include <functional>
#include <string>

#include "core/settings.h"

namespace zelvaro::ui {

struct SettingsGroupHooks {
  // The settings as the dialog shows them now, for the checks.
  std::function<core::Settings()> enteredSettings;
  // Keeps a password; empty on success, else why not. The keyring when not set.
  std::function<std::string(const std::string& key, const std::string& secret)> storePassword;
  // Each trace line of a check, for the monitor.
  std::function<void(const std::string&)> onTrace;
};

}  // namespace zelvaro::ui
