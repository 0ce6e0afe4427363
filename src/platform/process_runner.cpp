#include "platform/process_runner.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

namespace zelvaro::platform {

namespace {

constexpr int kPollSliceMs = 50;

// Both ends close on exec, so no other child of the program inherits them.
struct Pipe {
  int read = -1;
  int write = -1;
  bool open() {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) return false;
    read = ends[0];
    write = ends[1];
    return true;
  }
  void closeRead() {
    if (read >= 0) close(read);
    read = -1;
  }
  void closeWrite() {
    if (write >= 0) close(write);
    write = -1;
  }
};

pid_t startShell(const std::string& command, const std::string& folder, Pipe& output,
                 Pipe& errors) {
  // Only async-signal-safe calls after the fork: the caller may have other threads.
  const char* text = command.c_str();
  const char* where = folder.empty() ? nullptr : folder.c_str();
  static constexpr char kNoFolder[] = "cannot enter the command's folder\n";
  const pid_t pid = fork();
  if (pid != 0) return pid;
  setpgid(0, 0);
  dup2(output.write, STDOUT_FILENO);
  dup2(errors.write, STDERR_FILENO);
  if (where != nullptr && chdir(where) != 0) {
    [[maybe_unused]] const ssize_t written =
        ::write(STDERR_FILENO, kNoFolder, sizeof kNoFolder - 1);
    _exit(126);
  }
  execl("/bin/sh", "sh", "-c", text, static_cast<char*>(nullptr));
  _exit(127);
}

// Reads what the pipe holds now into `kept`, up to `limit`; false once it is at its end.
bool drain(int fd, std::string& kept, std::size_t limit) {
  std::array<char, 4096> chunk;
  for (;;) {
    const ssize_t count = ::read(fd, chunk.data(), chunk.size());
    if (count > 0) {
      const std::size_t room = limit > kept.size() ? limit - kept.size() : 0;
      kept.append(chunk.data(), std::min(room, static_cast<std::size_t>(count)));
      continue;
    }
    wipeBytes(chunk.data(), chunk.size());
    if (count == 0) return false;
    return errno == EAGAIN || errno == EINTR;
  }
}

// The shell has ended, but stays a zombie until reaped, so its group id cannot be taken by a
// new process before the group is signalled.
bool shellEnded(pid_t pid) {
  siginfo_t info{};
  return waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
         info.si_pid == pid;
}

}  // namespace

void wipeBytes(void* data, std::size_t size) {
  explicit_bzero(data, size);
}

ProcessResult runProcess(const std::string& command, const ProcessOptions& options) {
  ProcessResult result;
  Pipe output;
  Pipe errors;
  if (!output.open() || !errors.open()) {
    result.problem = std::strerror(errno);
    for (Pipe* pipe : {&output, &errors}) {
      pipe->closeRead();
      pipe->closeWrite();
    }
    return result;
  }
  const pid_t pid = startShell(command, options.workingDirectory, output, errors);
  output.closeWrite();
  errors.closeWrite();
  if (pid < 0) {
    result.problem = std::strerror(errno);
    output.closeRead();
    errors.closeRead();
    return result;
  }
  setpgid(pid, pid);  // also here, so the group exists whichever runs first
  fcntl(output.read, F_SETFL, O_NONBLOCK);
  fcntl(errors.read, F_SETFL, O_NONBLOCK);

  const auto deadline = std::chrono::steady_clock::now() + options.limit;
  bool outputOpen = true;
  bool errorsOpen = true;
  bool ended = false;
  bool cancelled = false;
  for (;;) {
    ended = shellEnded(pid);
    // What the shell wrote before it ended is in the pipes by now.
    if (outputOpen) outputOpen = drain(output.read, result.output, options.maxOutput);
    if (errorsOpen) errorsOpen = drain(errors.read, result.errors, options.maxOutput);
    cancelled = options.cancelled != nullptr && options.cancelled->load();
    if (ended || cancelled || std::chrono::steady_clock::now() >= deadline) break;
    std::array<pollfd, 2> watched{
        {{outputOpen ? output.read : -1, POLLIN, 0}, {errorsOpen ? errors.read : -1, POLLIN, 0}}};
    // With both pipes at their end only the shell's exit is awaited, a slice at a time.
    if (poll(watched.data(), watched.size(), kPollSliceMs) < 0 && errno != EINTR) break;
    if (options.whileWaiting) options.whileWaiting();
  }
  kill(-pid, SIGKILL);
  output.closeRead();
  errors.closeRead();
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (!ended) {
    result.end = cancelled ? ProcessResult::End::Cancelled : ProcessResult::End::TimedOut;
  } else if (WIFSIGNALED(status)) {
    result.end = ProcessResult::End::Signalled;
    result.signal = WTERMSIG(status);
  } else {
    result.end = ProcessResult::End::Exited;
    result.exitStatus = WEXITSTATUS(status);
  }
  return result;
}

}  // namespace zelvaro::platform
