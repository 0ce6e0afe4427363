#include "platform/paths.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace zelvaro::platform {

namespace {

// $<variable>/zelvaro when the variable holds an absolute path, else $HOME/<fallback>/zelvaro;
// made with its parents (a folder that cannot be made shows up as its file's error).
std::string xdgDirectory(const char* variable, const char* fallback) {
  namespace fs = std::filesystem;
  fs::path dir;
  const char* xdg = std::getenv(variable);
  if (xdg != nullptr && xdg[0] == '/') {
    dir = fs::path(xdg) / "zelvaro";
  } else {
    const char* home = std::getenv("HOME");
    dir = fs::path(home != nullptr && home[0] != '\0' ? home : ".") / fallback / "zelvaro";
  }
  std::error_code ignored;
  fs::create_directories(dir, ignored);
  return dir.lexically_normal().string();
}

}  // namespace

std::string settingsDirectory() {
  return xdgDirectory("XDG_CONFIG_HOME", ".config");
}

std::string stateDirectory() {
  return xdgDirectory("XDG_STATE_HOME", ".local/state");
}

}  // namespace zelvaro::platform
