#include "send/credentials.h"

#include <optional>

#include "platform/keyring.h"
#include "send/password_command.h"
#include "send/password_memory.h"

namespace zelvaro::send {

std::string keyringKey(const std::string& user, const std::string& host) {
  return user + "@" + host;
}

Credentials credentialsFor(const core::MailAccount& account, const std::string& host,
                           const std::function<void()>& whileWaiting) {
  if (!account.passwordCommand.empty()) {
    CommandSecret answer =
        runPasswordCommand(account.passwordCommand, std::chrono::seconds(30), whileWaiting);
    return {answer.ok, std::move(answer.secret), std::move(answer.problem)};
  }
  const std::string key = keyringKey(account.user, host);
  if (std::optional<std::string> typed = passwordKeptForThisRun(key)) {
    return {true, std::move(*typed), ""};
  }
  platform::KeyringAnswer answer = platform::readKeyringSecret(key);
  const std::string howTo =
      "enter the password in Settings (Password) or set passwordcommand in zelvaro.cfg";
  switch (answer.status) {
    case platform::KeyringAnswer::Status::Found:
      return {true, std::move(answer.secret), ""};
    case platform::KeyringAnswer::Status::NotStored:
      return {false, "", "No password for " + key + " in the keyring: " + howTo};
    case platform::KeyringAnswer::Status::Unavailable:
      break;
  }
  return {false, "",
          "No password for " + key + ": the keyring could not be read (" + answer.problem + "); " +
              howTo};
}

}  // namespace zelvaro::send
