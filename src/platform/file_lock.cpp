#include "platform/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <stdexcept>

#include "platform/eventloop.h"
#include "platform/paths.h"

namespace zelvaro::platform {

namespace {

// How often a waiting holder looks whether the lock came free.
constexpr int kPollMs = 100;
// Longer escaped paths end in a hash instead, within a file name's 255 bytes.
constexpr size_t kLongestName = 200;

struct Holding {
  int fd = -1;
  int holders = 0;
};

// flock belongs to an open file: a second open in this process would wait for the first.
std::map<std::string, Holding>& holdings() {
  static std::map<std::string, Holding> held;
  return held;
}

std::uint64_t fnv1a(const std::string& text) {
  std::uint64_t hash = 14695981039346656037ull;
  for (unsigned char c : text) hash = (hash ^ c) * 1099511628211ull;
  return hash;
}

}  // namespace

FileLock::FileLock(std::string path) : path_(std::move(path)) {}

FileLock::~FileLock() {
  unlock();
}

bool FileLock::tryLock() {
  if (held_) return true;
  auto found = holdings().find(path_);
  if (found != holdings().end()) {
    ++found->second.holders;
    held_ = true;
    return true;
  }
  for (;;) {
    const int fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
      throw std::runtime_error("Cannot make the lock file " + path_ + ": " + std::strerror(errno));
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      ::close(fd);
      return false;
    }
    // A lock file removed and made anew meanwhile is no longer the one others lock.
    struct stat opened {};
    struct stat named {};
    if (::fstat(fd, &opened) == 0 && ::stat(path_.c_str(), &named) == 0 &&
        opened.st_ino == named.st_ino && opened.st_dev == named.st_dev) {
      holdings()[path_] = {fd, 1};
      held_ = true;
      return true;
    }
    ::close(fd);
  }
}

bool FileLock::wait(const std::function<bool()>& cancelled) {
  Timer poll;
  poll.onTick = [] {};
  poll.setInterval(kPollMs);
  poll.setEnabled(true);
  while (!tryLock()) {
    if (applicationTerminating() || (cancelled && cancelled())) return false;
    waitMessage();
  }
  return true;
}

void FileLock::unlock() {
  if (!held_) return;
  held_ = false;
  auto found = holdings().find(path_);
  if (found == holdings().end() || --found->second.holders > 0) return;
  // Closing releases the lock; the file stays, so that nobody locks a file about to vanish.
  ::close(found->second.fd);
  holdings().erase(found);
}

std::string lockPathFor(const std::string& absolutePath) {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  std::string folder = stateDirectory();
  if (runtime != nullptr && runtime[0] == '/') {
    folder = std::string(runtime) + "/zelvaro";
    // Other users have no business with the locks: the folder is made as the runtime one is.
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) folder = stateDirectory();
  }
  std::string name;
  for (char c : absolutePath) {
    if (c == '%') {
      name += "%25";
    } else if (c == '/') {
      name += "%2F";
    } else {
      name += c;
    }
  }
  if (name.size() > kLongestName) {
    char hash[17];
    std::snprintf(hash, sizeof hash, "%016llx",
                  static_cast<unsigned long long>(fnv1a(absolutePath)));
    name = name.substr(name.size() - kLongestName + 17) + "-" + hash;
  }
  return folder + "/" + name + ".lock";
}

}  // namespace zelvaro::platform
