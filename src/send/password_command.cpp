#include "send/password_command.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace zelvaro::send {

namespace {

// More than any password or token; the rest of a chatty command's output is drained unread.
constexpr size_t kMaxOutput = 64 * 1024;
constexpr int kPollSliceMs = 100;

std::string statusText(int status) {
  if (WIFSIGNALED(status)) return "was ended by signal " + std::to_string(WTERMSIG(status));
  const int code = WEXITSTATUS(status);
  // The shell's own statuses for a command it could not run.
  const char* meaning = code == 127   ? " (command not found)"
                        : code == 126 ? " (not executable)"
                                      : "";
  return "failed with exit status " + std::to_string(code) + meaning;
}

std::chrono::milliseconds timeLeft(std::chrono::steady_clock::time_point deadline) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                               std::chrono::steady_clock::now());
}

// The command may go on after closing its output; it gets what is left of the limit.
bool waitForExit(pid_t pid, int& status, std::chrono::steady_clock::time_point deadline,
                 const std::function<void()>& whileWaiting) {
  for (;;) {
    const pid_t ended = waitpid(pid, &status, WNOHANG);
    if (ended == pid || (ended < 0 && errno != EINTR)) return true;
    if (timeLeft(deadline).count() <= 0) return false;
    usleep(20 * 1000);
    if (whileWaiting) whileWaiting();
  }
}

// Never the command line itself: `echo secret` is a command line too.
CommandSecret refused(const std::string& problem) {
  return {false, "", "The password command (passwordcommand) " + problem};
}

// Its own process group, so that a timeout also ends what the shell started.
pid_t startCommand(const std::string& command, int output) {
  const pid_t pid = fork();
  if (pid != 0) return pid;
  setpgid(0, 0);
  dup2(output, STDOUT_FILENO);
  close(output);
  execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
  _exit(127);
}

}  // namespace

CommandSecret runPasswordCommand(const std::string& command, std::chrono::milliseconds limit,
                                 const std::function<void()>& whileWaiting) {
  int pipeEnds[2];
  if (pipe2(pipeEnds, O_CLOEXEC) != 0) {
    return refused(std::string("could not be started: ") + std::strerror(errno));
  }
  const pid_t pid = startCommand(command, pipeEnds[1]);
  close(pipeEnds[1]);
  if (pid < 0) {
    close(pipeEnds[0]);
    return refused(std::string("could not be started: ") + std::strerror(errno));
  }

  std::string output;
  const auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    const auto left = timeLeft(deadline);
    if (left.count() <= 0) break;
    pollfd watched{pipeEnds[0], POLLIN, 0};
    const int ready =
        poll(&watched, 1, static_cast<int>(std::min<long>(left.count(), kPollSliceMs)));
    if (ready < 0 && errno != EINTR) break;
    if (ready > 0) {
      char chunk[4096];
      const ssize_t count = read(pipeEnds[0], chunk, sizeof chunk);
      if (count == 0) break;
      if (count > 0 && output.size() < kMaxOutput) output.append(chunk, static_cast<size_t>(count));
      if (count < 0 && errno != EINTR && errno != EAGAIN) break;
    }
    if (whileWaiting) whileWaiting();
  }
  close(pipeEnds[0]);
  int status = 0;
  const bool timedOut = !waitForExit(pid, status, deadline, whileWaiting);
  if (timedOut) {
    kill(-pid, SIGKILL);
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }
  // The secret leaves this function in one place only.
  const size_t end = output.find('\n');
  std::string first = output.substr(0, end);
  std::fill(output.begin(), output.end(), '\0');
  if (!first.empty() && first.back() == '\r') first.pop_back();

  if (timedOut) {
    return refused("did not finish within " +
                   std::to_string(std::chrono::duration_cast<std::chrono::seconds>(limit).count()) +
                   " s and was stopped");
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return refused(statusText(status));
  if (first.empty()) return refused("printed no password (exit status 0)");
  return {true, std::move(first), ""};
}

}  // namespace zelvaro::send
