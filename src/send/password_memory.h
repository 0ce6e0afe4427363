#pragma once

// Passwords typed in the settings that the keyring could not keep (no Secret Service on this
// desktop): they live in this process until it ends, so the window can still log in. A batch
// or watch run never has one; those need a password command.

#include <optional>
#include <string>

namespace zelvaro::send {

// Under the keyring's key, "<user>@<host>"; replaces what was kept before.
void keepPasswordForThisRun(const std::string& key, const std::string& secret);
std::optional<std::string> passwordKeptForThisRun(const std::string& key);
// Overwrites and drops it (the keyring has taken a newer one).
void forgetPasswordKeptForThisRun(const std::string& key);

}  // namespace zelvaro::send
