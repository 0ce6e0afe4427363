#pragma once

// Reads a file to attach, a few bytes at a time through a fixed buffer, and says exactly when
// the last byte has been read. Every failure throws core::EInOutError, which names the file and
// the reason.

#include <cstdint>
#include <memory>
#include <string>

namespace zelvaro::send {

class AttachmentReader {
 public:
  AttachmentReader();
  ~AttachmentReader();
  AttachmentReader(const AttachmentReader&) = delete;
  AttachmentReader& operator=(const AttachmentReader&) = delete;

  // Closes a file still open first.
  void open(const std::string& path);
  // Up to `count` bytes; fewer only at the end of the file.
  size_t read(unsigned char* into, size_t count);
  // True once every byte has been read (an empty file is at its end at once).
  bool atEnd();
  // The bytes not yet read, from the file's size.
  std::uint64_t unreadBytes();
  void close();
  bool isOpen() const { return fd_ >= 0; }
  const std::string& path() const { return path_; }

 private:
  bool fill();
  [[noreturn]] void fail(const char* what, int error) const;

  int fd_ = -1;
  std::string path_;
  std::unique_ptr<unsigned char[]> buffer_;
  size_t begin_ = 0;
  size_t end_ = 0;
};

}  // namespace zelvaro::send
