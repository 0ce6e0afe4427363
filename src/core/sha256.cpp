#include "core/sha256.h"

#include <fcntl.h>
#include <unistd.h>

#include <openssl/evp.h>

#include <cerrno>
#include <stdexcept>

#include "core/errors.h"

namespace zelvaro::core {

// OpenSSL's digest, which the program links for TLS anyway.
struct Sha256::Context {
  EVP_MD_CTX* digest = EVP_MD_CTX_new();
  ~Context() { EVP_MD_CTX_free(digest); }
};

Sha256::Sha256() : context_(std::make_unique<Context>()) {
  if (context_->digest == nullptr ||
      EVP_DigestInit_ex(context_->digest, EVP_sha256(), nullptr) != 1) {
    throw std::runtime_error("SHA-256 is not available");
  }
}

Sha256::~Sha256() = default;

void Sha256::update(std::string_view bytes) {
  EVP_DigestUpdate(context_->digest, bytes.data(), bytes.size());
}

std::string Sha256::hexDigest() {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  EVP_DigestFinal_ex(context_->digest, digest, &size);
  static constexpr char kHex[] = "0123456789abcdef";
  std::string text;
  for (unsigned int i = 0; i < size; ++i) {
    text += kHex[digest[i] >> 4];
    text += kHex[digest[i] & 0xF];
  }
  return text;
}

std::string sha256Hex(std::string_view bytes) {
  Sha256 hash;
  hash.update(bytes);
  return hash.hexDigest();
}

std::string sha256OfFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw EInOutError("Cannot open", path, errno);
  Sha256 hash;
  char buffer[65536];
  for (;;) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      const int error = errno;
      ::close(fd);
      throw EInOutError("Cannot read", path, error);
    }
    if (got == 0) break;
    hash.update(std::string_view(buffer, static_cast<size_t>(got)));
  }
  ::close(fd);
  return hash.hexDigest();
}

}  // namespace zelvaro::core
