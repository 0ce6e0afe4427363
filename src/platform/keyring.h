#pragma once

// The desktop's keyring (the Secret Service on Linux): where the mail password is kept when no
// password command gives it. Every call waits for the keyring's answer.

#include <string>

namespace zelvaro::platform {

struct KeyringAnswer {
  enum class Status { Found, NotStored, Unavailable };
  Status status = Status::Unavailable;
  std::string secret;
  std::string problem;  // the keyring's own words when it could not answer
};

// Entries of the service "zelvaro", keyed by `key` (the program uses "<user>@<host>").
KeyringAnswer readKeyringSecret(const std::string& key);
// Empty on success, else why it could not be stored.
std::string storeKeyringSecret(const std::string& key, const std::string& secret);
std::string forgetKeyringSecret(const std::string& key);

}  // namespace zelvaro::platform
