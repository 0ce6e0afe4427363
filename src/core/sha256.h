#pragma once

// SHA-256, for telling whether a turn file is the one already mailed.

#include <memory>
#include <string>
#include <string_view>

namespace zelvaro::core {

class Sha256 {
 public:
  Sha256();
  ~Sha256();
  Sha256(const Sha256&) = delete;
  Sha256& operator=(const Sha256&) = delete;
  void update(std::string_view bytes);
  // The digest as 64 lowercase hex digits; the object is spent afterwards.
  std::string hexDigest();

 private:
  struct Context;
  std::unique_ptr<Context> context_;
};

std::string sha256Hex(std::string_view bytes);
// Throws EInOutError when the file cannot be read.
std::string sha256OfFile(const std::string& path);

}  // namespace zelvaro::core
