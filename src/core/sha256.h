#pragma once

// SHA-256 (FIPS 180-4), for telling whether a turn file is the one already mailed.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace zelvaro::core {

class Sha256 {
 public:
  Sha256();
  void update(std::string_view bytes);
  // The digest as 64 lowercase hex digits; the object is spent afterwards.
  std::string hexDigest();

 private:
  void block(const unsigned char* data);

  std::array<std::uint32_t, 8> state_;
  std::array<unsigned char, 64> pending_{};
  size_t pendingSize_ = 0;
  std::uint64_t length_ = 0;
};

std::string sha256Hex(std::string_view bytes);
// Throws EInOutError when the file cannot be read.
std::string sha256OfFile(const std::string& path);

}  // namespace zelvaro::core
