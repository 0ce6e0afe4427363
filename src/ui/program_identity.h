#pragma once

// How the desktop knows the program's windows: the icon every window and dialog carries (the
// one the menu entry shows) and the application id that ties them to the installed files.

class QIcon;

namespace zelvaro::ui {

inline constexpr const char* kApplicationId = "org.zelvaro.Zelvaro";

QIcon programIcon();
// For every window made from now on, and for the window manager's grouping.
void applyProgramIdentity();

}  // namespace zelvaro::ui
