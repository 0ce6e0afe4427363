#pragma once

// Where the login's password (or OAuth2 token) comes from: the settings' password command
// when there is one, else a password typed in this run that the keyring could not keep, else
// the desktop's keyring under "<user>@<host>".

#include <functional>
#include <string>

#include "core/settings.h"

namespace zelvaro::send {

struct Credentials {
  bool ok = false;
  std::string password;
  // Why there is none, and how to give one; one line, never the secret or a command's output.
  std::string problem;
};

// The keyring entry of a login: "<user>@<host>".
std::string keyringKey(const std::string& user, const std::string& host);

// Only asked when the account has a user. `whileWaiting` keeps a window alive meanwhile.
Credentials credentialsFor(const core::MailAccount& account, const std::string& host,
                           const std::function<void()>& whileWaiting = {});

}  // namespace zelvaro::send
