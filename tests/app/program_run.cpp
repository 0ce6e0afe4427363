#include "program_run.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>
#include <utility>

#include "support/temp_dir.h"

extern char** environ;

namespace zelvaro::test {

namespace {

std::vector<std::string> childEnvironment(const std::string& home,
                                          std::map<std::string, std::string> changes) {
  for (const char* name :
       {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_CONFIG_HOME", "XDG_STATE_HOME"}) {
    changes.emplace(name, "");
  }
  changes["HOME"] = home;
  std::vector<std::string> result;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    std::string text = *entry;
    if (changes.count(text.substr(0, text.find('='))) == 0) result.push_back(text);
  }
  for (const auto& [name, value] : changes) {
    if (!value.empty()) result.push_back(name + "=" + value);
  }
  return result;
}

std::vector<char*> pointers(std::vector<std::string>& texts) {
  std::vector<char*> result;
  for (auto& text : texts) result.push_back(text.data());
  result.push_back(nullptr);
  return result;
}

pid_t startChild(const std::vector<std::string>& arguments, const std::string& home,
                 const std::map<std::string, std::string>& environment, const TempDir& capture) {
  std::vector<std::string> argv{ZELVARO_PROGRAM};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  std::vector<std::string> envp = childEnvironment(home, environment);
  std::vector<char*> argvPointers = pointers(argv);
  std::vector<char*> envpPointers = pointers(envp);
  std::string outPath = capture.file("out");
  std::string errPath = capture.file("err");
  // There before the child runs: a test may read them at once.
  writeFile(outPath, "");
  writeFile(errPath, "");

  pid_t pid = fork();
  if (pid == 0) {
    int in = open("/dev/null", O_RDONLY);
    int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (in < 0 || out < 0 || err < 0) _exit(126);
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    execve(argvPointers[0], argvPointers.data(), envpPointers.data());
    _exit(127);
  }
  if (pid < 0) ADD_FAILURE() << "cannot start " << ZELVARO_PROGRAM;
  return pid;
}

// The exit status; -1 when it ended otherwise, was killed when `killWhen` held, or still ran
// at the deadline (it is then killed, and `late` set).
int awaitExit(pid_t pid, int timeoutMs, bool& late, const std::function<bool()>& killWhen = {}) {
  int waitStatus = 0;
  late = false;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (waitpid(pid, &waitStatus, WNOHANG) == 0) {
    if (killWhen && killWhen()) {
      kill(pid, SIGKILL);
      waitpid(pid, &waitStatus, 0);
      break;
    }
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &waitStatus, 0);
      late = true;
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return WIFEXITED(waitStatus) ? WEXITSTATUS(waitStatus) : -1;
}

}  // namespace

ProgramRun runProgram(const std::vector<std::string>& arguments, const std::string& home,
                      const std::map<std::string, std::string>& environment, int timeoutMs,
                      const std::function<bool()>& killWhen) {
  TempDir capture;
  ProgramRun run;
  const pid_t pid = startChild(arguments, home, environment, capture);
  if (pid < 0) return run;
  bool late = false;
  run.status = awaitExit(pid, timeoutMs, late, killWhen);
  if (late)
    ADD_FAILURE() << "zelvaro still ran after " << timeoutMs << " ms: it waits for something";
  run.out = readFile(capture.file("out"));
  run.err = readFile(capture.file("err"));
  return run;
}

RunningProgram::RunningProgram(const std::vector<std::string>& arguments, const std::string& home,
                               const std::map<std::string, std::string>& environment)
    : capture_(std::make_unique<TempDir>()),
      pid_(startChild(arguments, home, environment, *capture_)) {}

RunningProgram::~RunningProgram() {
  if (pid_ > 0) stop(SIGKILL, 10000);
}

std::string RunningProgram::err() const {
  return readFile(capture_->file("err"));
}

int RunningProgram::stop(int signal, int timeoutMs) {
  if (pid_ <= 0) return -1;
  kill(pid_, signal);
  bool late = false;
  const int status = awaitExit(std::exchange(pid_, -1), timeoutMs, late);
  if (late) ADD_FAILURE() << "zelvaro still ran " << timeoutMs << " ms after signal " << signal;
  return status;
}

}  // namespace zelvaro::test
