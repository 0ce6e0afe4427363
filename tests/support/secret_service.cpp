#include "support/secret_service.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace zelvaro::test {

namespace {

// The keyring's password is any text: the keyring is made fresh and unlocked with it. The
// shell stays until its input closes, and the bus with it.
constexpr const char* kScript =
    "export HOME=\"$1\" XDG_RUNTIME_DIR=\"$1\" XDG_DATA_HOME=\"$1/data\" "
    "XDG_CACHE_HOME=\"$1/cache\"\n"
    "printf test | gnome-keyring-daemon --unlock --components=secrets >/dev/null 2>&1 || exit 1\n"
    // The daemon takes the service's bus name a moment after it has forked; a client asking
    // before then would have the bus start a second, locked daemon.
    "i=0; until dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus"
    " org.freedesktop.DBus.NameHasOwner string:org.freedesktop.secrets 2>/dev/null"
    " | grep -q true; do\n"
    "  i=$((i+1)); [ $i -gt 200 ] && exit 1; sleep 0.05\n"
    "done\n"
    // The login collection appears a moment after the unlock: the service is ready once a
    // probe can be stored in it.
    "i=0; until printf x | secret-tool store --label=probe zelvaro-probe 1 2>/dev/null; do\n"
    "  i=$((i+1)); [ $i -gt 200 ] && exit 1; sleep 0.05\n"
    "done\n"
    "secret-tool clear zelvaro-probe 1\n"
    "printf '%s\\n' \"$DBUS_SESSION_BUS_ADDRESS\" > \"$1/address.tmp\"\n"
    "mv \"$1/address.tmp\" \"$1/address\"\n"
    "read -r _\n";

}  // namespace

SecretService::SecretService() {
  int toChild[2];
  if (pipe2(toChild, O_CLOEXEC) != 0) throw std::runtime_error("secret service: pipe failed");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, toChild[0], 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  std::string folder = folder_.path();
  char* argv[] = {const_cast<char*>("dbus-run-session"),
                  const_cast<char*>("--"),
                  const_cast<char*>("sh"),
                  const_cast<char*>("-c"),
                  const_cast<char*>(kScript),
                  const_cast<char*>("sh"),
                  folder.data(),
                  nullptr};
  // A group of its own: the keyring daemon signals its whole group when the bus goes away.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attributes, 0);
  const int spawned = posix_spawnp(&pid_, "dbus-run-session", &actions, &attributes, argv, environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  ::close(toChild[0]);
  input_ = toChild[1];
  if (spawned != 0) {
    pid_ = -1;
    throw std::runtime_error("secret service: cannot start dbus-run-session");
  }
  const std::string addressFile = folder_.file("address");
  for (int i = 0; i < 400 && !std::filesystem::exists(addressFile); ++i) {
    if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
      pid_ = -1;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  address_ = readFile(addressFile);
  while (!address_.empty() && address_.back() == '\n') address_.pop_back();
  if (address_.empty()) {
    stop();
    throw std::runtime_error(
        "secret service did not start (are dbus and gnome-keyring installed?)");
  }
  setenv("DBUS_SESSION_BUS_ADDRESS", address_.c_str(), 1);
}

SecretService::~SecretService() {
  stop();
}

void SecretService::stop() {
  if (input_ >= 0) ::close(input_);  // the shell ends; dbus-run-session ends the bus with it
  input_ = -1;
  const pid_t pid = pid_;
  pid_ = -1;
  if (pid <= 0) return;
  for (int i = 0; i < 100; ++i) {
    if (waitpid(pid, nullptr, WNOHANG) == pid) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
}

}  // namespace zelvaro::test
