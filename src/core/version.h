#pragma once

namespace zelvaro::core {

// Shown in the main window's caption and the intro screen, and written in the log header.
inline constexpr const char* ProgramVersion = "1.5c (5th July 1999)";

}  // namespace zelvaro::core
