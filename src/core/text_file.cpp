#include "core/text_file.h"

#include <fcntl.h>
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

// Creates a new, empty file beside `target` that no other file is using.
std::string createTemporaryBeside(const std::string& target, int& fd) {
  std::filesystem::path file(target);
  std::string stem = (file.parent_path() / ("." + file.filename().string() + ".tmp")).string();
  static unsigned counter = 0;
  for (int attempt = 0;; ++attempt) {
    std::string name = stem + std::to_string(::getpid()) + "-" + std::to_string(++counter);
    fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) return name;
    if (errno != EEXIST || attempt == 100) throw EInOutError("Cannot write", target, errno);
  }
}

}  // namespace

bool fileExists(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
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

void writeAllLines(const std::string& path, const std::vector<std::string>& lines) {
  const std::string target = replacedFile(path);
  int fd = -1;
  const std::string temporary = createTemporaryBeside(target, fd);
  FileHandle file(fd);
  try {
    struct stat old;
    if (::stat(target.c_str(), &old) == 0) ::fchmod(fd, old.st_mode & 07777);
    writeFully(fd, withLineEnds(lines), path);
    if (::fsync(fd) != 0 || file.close() != 0) throw EInOutError("Cannot write", path, errno);
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
      throw EInOutError("Cannot write", path, errno);
    }
  } catch (...) {
    ::unlink(temporary.c_str());
    throw;
  }
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
