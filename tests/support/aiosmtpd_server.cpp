#include "support/aiosmtpd_server.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace zelvaro::test {

namespace {
constexpr int kStartTimeoutMs = 20000;
constexpr const char* kPython = "/usr/bin/python3";
}  // namespace

AiosmtpdServer::AiosmtpdServer(const std::vector<std::string>& options) {
  int toChild[2], fromChild[2];
  if (pipe2(toChild, O_CLOEXEC) != 0 || pipe2(fromChild, O_CLOEXEC) != 0) {
    throw std::runtime_error("aiosmtpd: pipe failed");
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, toChild[0], 0);
  posix_spawn_file_actions_adddup2(&actions, fromChild[1], 1);
  const std::string script = std::string(ZELVARO_TESTS_DIR) + "/support/aiosmtpd_sink.py";
  std::string outdir = folder_.path();
  std::vector<char*> argv = {const_cast<char*>(kPython), const_cast<char*>(script.c_str()),
                             outdir.data()};
  for (const std::string& option : options) argv.push_back(const_cast<char*>(option.c_str()));
  argv.push_back(nullptr);
  const int spawned = posix_spawn(&pid_, kPython, &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(toChild[0]);
  ::close(fromChild[1]);
  input_ = toChild[1];
  if (spawned != 0) {
    ::close(fromChild[0]);
    pid_ = -1;
    throw std::runtime_error("aiosmtpd: cannot start " + std::string(kPython));
  }
  // The first line of its output is the port, written once it listens.
  std::string line;
  pollfd watch{fromChild[0], POLLIN, 0};
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(kStartTimeoutMs);
  while (line.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
    if (poll(&watch, 1, 100) <= 0) continue;
    char buffer[64];
    const ssize_t count = ::read(fromChild[0], buffer, sizeof buffer);
    if (count <= 0) break;
    line.append(buffer, static_cast<size_t>(count));
  }
  ::close(fromChild[0]);
  port_ = std::atoi(line.c_str());
  if (port_ <= 0) {
    stop();
    throw std::runtime_error("aiosmtpd did not start (is python3-aiosmtpd installed?)");
  }
}

AiosmtpdServer::~AiosmtpdServer() {
  stop();
}

void AiosmtpdServer::stop() {
  if (input_ >= 0) ::close(input_);  // the server ends when its input closes
  input_ = -1;
  if (pid_ <= 0) return;
  const pid_t pid = pid_;
  pid_ = -1;
  for (int i = 0; i < 100; ++i) {
    if (waitpid(pid, nullptr, WNOHANG) == pid) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
}

bool AiosmtpdServer::hasMessage(int number) const {
  return std::filesystem::exists(folder_.file(std::to_string(number) + "/attachments"));
}

std::string AiosmtpdServer::mailCommands() const {
  const std::string path = folder_.file("mail-commands");
  return std::filesystem::exists(path) ? readFile(path) : std::string();
}

int AiosmtpdServer::quitsArrived() const {
  const std::string path = folder_.file("quit-waiting");
  if (!std::filesystem::exists(path)) return 0;
  const std::string text = readFile(path);
  return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

std::string AiosmtpdServer::message(int number, const std::string& item) const {
  return readFile(folder_.file(std::to_string(number) + "/" + item));
}

}  // namespace zelvaro::test
