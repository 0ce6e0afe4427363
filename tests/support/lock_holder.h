#pragma once

// Another process holding a lock file (flock) until it is let go: what a second Zelvaro mailing
// the same game is to the one under test. Header-only, for the tests of ui and send.

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

namespace zelvaro::test {

class OtherLockHolder {
 public:
  // Returns once the other process holds the lock.
  explicit OtherLockHolder(const std::string& path) {
    int ready[2];
    if (::pipe(ready) != 0 || ::pipe(hold_) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
      if (fd < 0 || ::flock(fd, LOCK_EX) != 0) ::_exit(1);
      char byte = 'x';
      if (::write(ready[1], &byte, 1) != 1) ::_exit(1);
      ::close(hold_[1]);
      while (::read(hold_[0], &byte, 1) > 0) {
      }
      ::_exit(0);
    }
    ::close(ready[1]);
    ::close(hold_[0]);
    char byte = 0;
    holding_ = ::read(ready[0], &byte, 1) == 1;
    ::close(ready[0]);
  }
  ~OtherLockHolder() { release(); }
  OtherLockHolder(const OtherLockHolder&) = delete;
  OtherLockHolder& operator=(const OtherLockHolder&) = delete;

  bool holding() const { return holding_; }

  void release() {
    if (pid_ <= 0) return;
    ::close(hold_[1]);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
    holding_ = false;
  }

 private:
  int hold_[2] = {-1, -1};
  pid_t pid_ = -1;
  bool holding_ = false;
};

}  // namespace zelvaro::test
