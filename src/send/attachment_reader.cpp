#include "send/attachment_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/errors.h"
#include "net/smtp_limits.h"

namespace zelvaro::send {

namespace {
constexpr size_t kBufferSize = net::smtp_limits::kAttachmentReadBuffer;
}

AttachmentReader::AttachmentReader() : buffer_(std::make_unique<unsigned char[]>(kBufferSize)) {}

AttachmentReader::~AttachmentReader() {
  if (fd_ >= 0) ::close(fd_);
}

void AttachmentReader::open(const std::string& path) {
  close();
  path_ = path;
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) fail("open", errno);
  begin_ = end_ = 0;
}

void AttachmentReader::fail(const char* what, int error) const {
  throw core::EInOutError("Cannot " + std::string(what) + " attachment", path_, error);
}

bool AttachmentReader::fill() {
  if (begin_ < end_) return true;
  for (;;) {
    const ssize_t count = ::read(fd_, buffer_.get(), kBufferSize);
    if (count >= 0) {
      begin_ = 0;
      end_ = static_cast<size_t>(count);
      return count > 0;
    }
    if (errno != EINTR) fail("read", errno);
  }
}

size_t AttachmentReader::read(unsigned char* into, size_t count) {
  size_t done = 0;
  while (done < count && fill()) {
    const size_t take = std::min(count - done, end_ - begin_);
    std::memcpy(into + done, buffer_.get() + begin_, take);
    begin_ += take;
    done += take;
  }
  return done;
}

bool AttachmentReader::atEnd() {
  return !fill();
}

std::uint64_t AttachmentReader::unreadBytes() {
  struct stat file {};
  if (::fstat(fd_, &file) != 0) fail("read", errno);
  const off_t position = ::lseek(fd_, 0, SEEK_CUR);
  if (position < 0) fail("read", errno);
  const auto taken = static_cast<std::uint64_t>(position) - (end_ - begin_);
  const auto size = static_cast<std::uint64_t>(file.st_size);
  return size > taken ? size - taken : 0;
}

void AttachmentReader::close() {
  if (fd_ < 0) return;
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0 && errno != EINTR) fail("close", errno);
}

}  // namespace zelvaro::send
