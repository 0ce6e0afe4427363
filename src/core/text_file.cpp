#include "core/text_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>

namespace zelvaro::core {

namespace {

// Closes the descriptor on every way out.
class FileHandle {
 public:
  explicit FileHandle(int fd) : fd_(fd) {}
  ~FileHandle() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  int get() const { return fd_; }
  // Closes now so that a failing close (a full disk on some file systems) is seen.
  int close() {
    int result = ::close(fd_);
    fd_ = -1;
    return result;
  }

 private:
  int fd_;
};

std::string readUpTo(int fd, size_t limit, const std::string& path) {
  std::string bytes;
  char buffer[8192];
  while (bytes.size() < limit) {
    size_t want = std::min(sizeof buffer, limit - bytes.size());
    ssize_t got = ::read(fd, buffer, want);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) throw EInOutError("Cannot read", path, errno);
    if (got == 0) break;
    bytes.append(buffer, static_cast<size_t>(got));
  }
  return bytes;
}

void writeFully(int fd, const std::string& bytes, const std::string& path) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t put = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (put < 0 && errno == EINTR) continue;
    if (put < 0) throw EInOutError("Cannot write", path, errno);
    done += static_cast<size_t>(put);
  }
}

std::vector<std::string> splitLines(const std::string& bytes) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find('\n', start);
    size_t next = end == std::string::npos ? bytes.size() : end + 1;
    if (end == std::string::npos) end = bytes.size();
    while (end > start && bytes[end - 1] == '\r') --end;
    lines.emplace_back(bytes, start, end - start);
    start = next;
  }
  return lines;
}

std::string withLineEnds(const std::vector<std::string>& lines) {
  std::string bytes;
  for (const std::string& line : lines) {
    bytes += line;
    bytes += "\r\n";
  }
  return bytes;
}

// The file a rewrite must replace: the target of a symbolic link, else the path itself.
std::string replacedFile(const std::string& path) {
  std::error_code error;
  if (!std::filesystem::is_symlink(path, error)) return path;
  auto target = std::filesystem::weakly_canonical(path, error);
  return error ? path : target.string();
}

// Temporary files beside `target` are named ".<name>.tmp<pid>-<n>", so the process that made one
// can be told from its name.
std::string temporaryPrefix(const std::filesystem::path& target) {
  return "." + target.filename().string() + ".tmp";
}

// The pid in a temporary file's name, or 0 when the name is not one of ours.
pid_t ownerOf(const std::string& name, const std::string& prefix) {
  if (name.compare(0, prefix.size(), prefix) != 0) return 0;
  const size_t dash = name.find('-', prefix.size());
  if (dash == std::string::npos) return 0;
  const std::string pid = name.substr(prefix.size(), dash - prefix.size());
  const std::string number = name.substr(dash + 1);
  auto decimal = [](const std::string& text) {
    return !text.empty() && text.size() <= 9 &&
           text.find_first_not_of("0123456789") == std::string::npos;
  };
  return decimal(pid) && decimal(number) ? static_cast<pid_t>(std::stoi(pid)) : 0;
}

// A rewrite killed half-way leaves its temporary file behind; the next rewrite of the same
// file removes those whose process is gone. Nothing here may stop the rewrite itself.
void removeStaleTemporaries(const std::filesystem::path& target) {
  const std::string prefix = temporaryPrefix(target);
  std::filesystem::path folder = target.parent_path();
  if (folder.empty()) folder = ".";
  std::error_code error;
  for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
       it.increment(error)) {
    const std::string name = it->path().filename().string();
    pid_t owner = ownerOf(name, prefix);
    if (owner <= 0 || owner == ::getpid()) continue;
    if (::kill(owner, 0) != 0 && errno == ESRCH) ::unlink(it->path().c_str());
  }
}

std::string temporaryName(const std::string& target) {
  static unsigned counter = 0;
  std::filesystem::path file(target);
  return (file.parent_path() / temporaryPrefix(file)).string() + std::to_string(::getpid()) + "-" +
         std::to_string(++counter);
}

// A file without a name in the folder of `target` (O_TMPFILE): a process killed while writing
// it leaves nothing behind. -1 where the file system cannot make one.
int openUnnamedBeside(const std::string& target) {
  std::filesystem::path folder = std::filesystem::path(target).parent_path();
  if (folder.empty()) folder = ".";
  return ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
}

// Creates a new, empty, named file beside `target` that no other file is using.
std::string createTemporaryBeside(const std::string& target, int& fd) {
  for (int attempt = 0;; ++attempt) {
    std::string name = temporaryName(target);
    fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) return name;
    if (errno != EEXIST || attempt == 100) throw EInOutError("Cannot write", target, errno);
  }
}

// Gives the unnamed file a name beside `target`, for the rename over it. False when the system
// cannot link it (no /proc), and the caller writes a named file instead.
bool nameUnnamed(int fd, const std::string& target, std::string& name) {
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = temporaryName(target);
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
      return true;
    }
    if (errno != EEXIST) return false;
  }
  return false;
}

}  // namespace

bool fileExists(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

bool fileIsEmpty(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_size == 0;
}

std::optional<std::vector<std::string>> readAllLines(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0 && (errno == ENOENT || errno == ENOTDIR)) return std::nullopt;
  if (fd < 0) throw EInOutError("Cannot read", path, errno);
  FileHandle file(fd);
  struct stat info;
  if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) return std::nullopt;
  return splitLines(readUpTo(fd, std::string::npos, path));
}

namespace {

// Writes the bytes to the open file, with the permissions of the file it replaces, and syncs it.
void fillTemporary(int fd, const std::string& target, const std::string& bytes,
                   const std::string& path) {
  struct stat old;
  if (::stat(target.c_str(), &old) == 0) ::fchmod(fd, old.st_mode & 07777);
  writeFully(fd, bytes, path);
  if (::fsync(fd) != 0) throw EInOutError("Cannot write", path, errno);
}

void replaceWith(const std::string& temporary, const std::string& target, const std::string& path) {
  if (::rename(temporary.c_str(), target.c_str()) != 0) {
    int error = errno;
    ::unlink(temporary.c_str());
    throw EInOutError("Cannot write", path, error);
  }
}

}  // namespace

void writeAllLines(const std::string& path, const std::vector<std::string>& lines) {
  writeAllBytes(path, withLineEnds(lines));
}

void writeAllBytes(const std::string& path, const std::string& bytes) {
  const std::string target = replacedFile(path);
  struct stat info;
  // A folder of that name is never replaced, whatever it holds.
  if (::stat(target.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
    throw EInOutError("Cannot write", path, EISDIR);
  }
  removeStaleTemporaries(target);

  if (int unnamed = openUnnamedBeside(target); unnamed >= 0) {
    FileHandle file(unnamed);
    fillTemporary(unnamed, target, bytes, path);
    std::string temporary;
    if (nameUnnamed(unnamed, target, temporary)) {
      if (file.close() != 0) {
        int error = errno;
        ::unlink(temporary.c_str());
        throw EInOutError("Cannot write", path, error);
      }
      replaceWith(temporary, target, path);
      return;
    }
  } else if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
    throw EInOutError("Cannot write", path, errno);
  }

  int fd = -1;
  const std::string temporary = createTemporaryBeside(target, fd);
  FileHandle file(fd);
  try {
    fillTemporary(fd, target, bytes, path);
    if (file.close() != 0) throw EInOutError("Cannot write", path, errno);
  } catch (...) {
    ::unlink(temporary.c_str());
    throw;
  }
  replaceWith(temporary, target, path);
}

ENotAPlainFile::ENotAPlainFile(const std::string& path)
    : std::runtime_error(path +
                         " is a link or something else than a plain file, so it was not written "
                         "and is left as it is; remove it, or choose another folder") {}

void writeNewFile(const std::string& path, const std::vector<std::string>& lines) {
  struct stat info;
  if (::lstat(path.c_str(), &info) == 0) {
    if (!S_ISREG(info.st_mode)) throw ENotAPlainFile(path);
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
      throw EInOutError("Cannot write", path, errno);
    }
  }
  // O_EXCL never follows a link, also one that appeared after the removal.
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0 && errno == EEXIST) throw ENotAPlainFile(path);
  if (fd < 0) throw EInOutError("Cannot write", path, errno);
  FileHandle file(fd);
  writeFully(fd, withLineEnds(lines), path);
  if (file.close() != 0) throw EInOutError("Cannot write", path, errno);
}

std::string readFirstBytes(const std::string& path, size_t count) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw EInOutError("Cannot open", path, errno);
  FileHandle file(fd);
  return readUpTo(fd, count, path);
}

void CreateEmpty(const std::string& path) {
  writeAllLines(path, {});
}

void AppendLine(const std::string& path, const std::string& line) {
  int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
  if (fd < 0) throw EInOutError("Cannot append to", path, errno);
  FileHandle file(fd);
  writeFully(fd, line + "\r\n", path);
  if (file.close() != 0) throw EInOutError("Cannot write", path, errno);
}

}  // namespace zelvaro::core
