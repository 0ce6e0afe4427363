#pragma once

// Runs the zelvaro program as a separate process, the way cron would: HOME pointing at a
// folder of the test's, no display variables, nothing on standard input.

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace zelvaro::test {

struct ProgramRun {
  int status = -1;  // the exit status; -1 when it did not exit normally
  std::string out;
  std::string err;
};

// Variables given in `environment` replace the inherited ones; an empty value removes one.
// DISPLAY, WAYLAND_DISPLAY, QT_QPA_PLATFORM and XDG_CONFIG_HOME are removed unless given. A
// program still running after `timeoutMs` is killed and the test fails; one is killed without
// failing as soon as `killWhen` holds.
ProgramRun runProgram(const std::vector<std::string>& arguments, const std::string& home,
                      const std::map<std::string, std::string>& environment = {},
                      int timeoutMs = 120000, const std::function<bool()>& killWhen = {});

}  // namespace zelvaro::test
