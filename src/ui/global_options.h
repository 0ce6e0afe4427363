#pragma once

// The program-wide options that the settings dialog edits, apart from its widgets: what its
// Close button does and how its seven values pass between it and the program's settings.

#include <string>
#include <string_view>

#include "core/settings.h"

namespace zelvaro::ui {

inline constexpr std::string_view kNoLogfileMessage =
    "Hey numbscull! WHAT logfile? Enter a filename..  jeeez!";

// Copies the values the dialog edits: server, email, default alias, database path, logging,
// log file, overwrite and the mail account (security, login, password command, CA file).
void copyGlobalOptions(const core::Settings& from, core::Settings& to);

// Close: writes server, email, defalias, logging, logfile, overwrite and the account's keys to
// the settings file
// (the database path is written at shut-down), then tells whether the dialog may close. With
// logging on and no log file name it tells the operator and says no; the keys stay written.
// A file error is shown and does not keep the dialog open: the values still hold for the run.
bool closeGlobalOptions(const std::string& settingsPath, const core::Settings& entered);

}  // namespace zelvaro::ui
