#pragma once

#include <string>

namespace zelvaro::platform {

// Compares two UTF-8 texts in the user's locale collation, ignoring case: negative, zero or
// positive as a sorts before, with or after b.
int compareText(const std::string& a, const std::string& b);

}  // namespace zelvaro::platform
