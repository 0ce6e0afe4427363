#pragma once

// The password (or OAuth2 token) printed by a command of the operator's, as msmtp's
// passwordeval: `pass`, `secret-tool lookup ...` or an OAuth2 helper script.

#include <chrono>
#include <functional>
#include <string>

namespace zelvaro::send {

struct CommandSecret {
  bool ok = false;
  std::string secret;  // the first line of the command's standard output
  // Why there is none, naming the exit status, never what the command printed.
  std::string problem;
};

// Runs `command` with /bin/sh -c (platform::runProcess): its first line is the secret, and once
// the shell has ended nothing it started in the background is waited for. Its standard error
// is shown (prefixed "passwordcommand:", at most 300 characters) only when it failed.
// `whileWaiting` runs now and then until it ends (to keep a window alive); a command still
// running after `limit` is killed with its process group.
CommandSecret runPasswordCommand(const std::string& command,
                                 std::chrono::milliseconds limit = std::chrono::seconds(30),
                                 const std::function<void()>& whileWaiting = {});

}  // namespace zelvaro::send
