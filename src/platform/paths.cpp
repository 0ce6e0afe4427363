#include "platform/paths.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace zelvaro::platform {

std::string settingsDirectory() {
  namespace fs = std::filesystem;
  fs::path dir;
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg != nullptr && xdg[0] == '/') {
    dir = fs::path(xdg) / "zelvaro";
  } else {
    const char* home = std::getenv("HOME");
    dir = fs::path(home != nullptr && home[0] != '\0' ? home : ".") / ".config" / "zelvaro";
  }
  std::error_code ignored;  // a folder that cannot be made shows up as the settings file's error
  fs::create_directories(dir, ignored);
  return dir.lexically_normal().string();
}

}  // namespace zelvaro::platform
