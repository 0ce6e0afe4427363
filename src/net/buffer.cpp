#include "net/buffer.h"

#include <algorithm>
#include <cstring>

namespace zelvaro::net {

TBuffer::TBuffer(int size) {
  SetSize(size);
}

void TBuffer::SetSize(int size) {
  if (size <= 0) size = kDefaultSize;
  if (size == size_ && storage_) return;
  auto storage = std::make_unique<char[]>(static_cast<std::size_t>(size));
  filled_ = std::min(filled_, size);
  taken_ = std::min(taken_, filled_);
  if (filled_ > 0) std::memcpy(storage.get(), storage_.get(), static_cast<std::size_t>(filled_));
  storage_ = std::move(storage);
  size_ = size;
}

int TBuffer::Write(const void* data, int length) {
  int count = std::clamp(length, 0, size_ - filled_);
  if (count > 0) {
    std::memcpy(storage_.get() + filled_, data, static_cast<std::size_t>(count));
    filled_ += count;
  }
  return count;
}

int TBuffer::Peek(const char** data) const {
  int count = filled_ - taken_;
  *data = count > 0 ? storage_.get() + taken_ : nullptr;
  return count;
}

int TBuffer::Remove(int count) {
  int removed = std::clamp(count, 0, filled_ - taken_);
  taken_ += removed;
  if (taken_ >= filled_) {
    taken_ = 0;
    filled_ = 0;
  }
  return removed;
}

}  // namespace zelvaro::net
