#pragma once

#include <memory>

namespace zelvaro::net {

// One block of a socket's send chain. Bytes are written after the filled part and sent from the
// taken mark; space freed at the front is reused only once the block is empty.
class TBuffer {
 public:
  static constexpr int kDefaultSize = 1514;  // one Ethernet frame

  explicit TBuffer(int size);  // 0 or less: kDefaultSize
  TBuffer(const TBuffer&) = delete;
  TBuffer& operator=(const TBuffer&) = delete;

  int Size() const { return size_; }
  // Changes the capacity, keeping what fits of the filled bytes.
  void SetSize(int size);
  // Copies what fits after the filled part and returns that count.
  int Write(const void* data, int length);
  // The unsent bytes and their count (0 and nullptr when none).
  int Peek(const char** data) const;
  // Marks up to `count` unsent bytes as sent and returns how many; when all are sent the block
  // starts again from its beginning.
  int Remove(int count);

 private:
  std::unique_ptr<char[]> storage_;
  int size_ = 0;
  int filled_ = 0;
  int taken_ = 0;
};

}  // namespace zelvaro::net
