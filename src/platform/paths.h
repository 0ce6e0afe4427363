#pragma once

#include <string>

namespace zelvaro::platform {

// The folder that holds the settings file: $XDG_CONFIG_HOME/zelvaro when XDG_CONFIG_HOME is an
// absolute path, else $HOME/.config/zelvaro. Created with its parents when missing. Returned
// without a trailing slash.
std::string settingsDirectory();
// The same for what the program keeps of its own work (the send journal): $XDG_STATE_HOME/zelvaro,
// else $HOME/.local/state/zelvaro.
std::string stateDirectory();

}  // namespace zelvaro::platform
