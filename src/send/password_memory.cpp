#include "send/password_memory.h"

#include <map>

#include "send/account_setup.h"

namespace zelvaro::send {

namespace {

std::map<std::string, std::string>& kept() {
  static std::map<std::string, std::string> passwords;
  return passwords;
}

}  // namespace

void keepPasswordForThisRun(const std::string& key, const std::string& secret) {
  forgetPasswordKeptForThisRun(key);
  kept()[key] = secret;
}

std::optional<std::string> passwordKeptForThisRun(const std::string& key) {
  const auto found = kept().find(key);
  if (found == kept().end()) return std::nullopt;
  return found->second;
}

void forgetPasswordKeptForThisRun(const std::string& key) {
  const auto found = kept().find(key);
  if (found == kept().end()) return;
  forgetSecret(found->second);
  kept().erase(found);
}

}  // namespace zelvaro::send
