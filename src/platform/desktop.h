#pragma once

#include <string>

namespace zelvaro::platform {

// Opens the folder in the desktop's file manager; false when nothing could open it.
bool openFolder(const std::string& path);

}  // namespace zelvaro::platform
