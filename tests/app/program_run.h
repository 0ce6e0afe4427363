#pragma once

// Runs the zelvaro program as a separate process, the way cron would: HOME pointing at a
// folder of the test's, no display variables, nothing on standard input.

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace zelvaro::test {

class TempDir;

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

// The program started in the background, for a run that lasts until it is told to end.
class RunningProgram {
 public:
  RunningProgram(const std::vector<std::string>& arguments, const std::string& home,
                 const std::map<std::string, std::string>& environment = {});
  // Kills a program still running.
  ~RunningProgram();
  RunningProgram(const RunningProgram&) = delete;
  RunningProgram& operator=(const RunningProgram&) = delete;

  // What it has written to standard error so far.
  std::string err() const;
  // Sends `signal` and waits for the end; the exit status, or -1 when it did not exit by
  // itself within `timeoutMs` (it is then killed).
  int stop(int signal, int timeoutMs);
  // Waits for the end without a signal.
  int wait(int timeoutMs) { return stop(0, timeoutMs); }

 private:
  std::unique_ptr<TempDir> capture_;
  int pid_ = -1;
};

}  // namespace zelvaro::test
