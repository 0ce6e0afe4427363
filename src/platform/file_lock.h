#pragma once

// An exclusive lock on a file (flock) that one process holds at a time: what keeps two runs of
// the program from mailing the same game at once. The lock goes with the object, or with the
// process however it ends. Within one process the holding is shared: a session started inside
// a watch run's mailing finds the game held by its own process and goes on.

#include <functional>
#include <string>

namespace zelvaro::platform {

class FileLock {
 public:
  explicit FileLock(std::string path);
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  // Takes the lock when nobody else holds it. Throws std::runtime_error when the lock file
  // cannot be made.
  bool tryLock();
  // Takes the lock, waiting for it while the event loop runs (the window stays alive); false
  // when `cancelled` says so or the program is ending.
  bool wait(const std::function<bool()>& cancelled = {});
  void unlock();

  bool held() const { return held_; }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  bool held_ = false;
};

// The lock file for the file at `absolutePath`: named after that path, in
// $XDG_RUNTIME_DIR/zelvaro when XDG_RUNTIME_DIR is an absolute path, else in the state folder.
std::string lockPathFor(const std::string& absolutePath);

}  // namespace zelvaro::platform
