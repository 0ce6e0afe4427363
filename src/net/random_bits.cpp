#include "net/random_bits.h"

#include <sys/random.h>

#include <cerrno>
#include <random>

namespace zelvaro::net {

std::uint64_t systemRandom64() {
  std::uint64_t bits = 0;
  auto* bytes = reinterpret_cast<unsigned char*>(&bits);
  size_t filled = 0;
  while (filled < sizeof bits) {
    const ssize_t got = ::getrandom(bytes + filled, sizeof bits - filled, 0);
    if (got > 0) {
      filled += static_cast<size_t>(got);
    } else if (got < 0 && errno != EINTR) {
      std::random_device device;
      return (std::uint64_t{device()} << 32) ^ device();
    }
  }
  return bits;
}

}  // namespace zelvaro::net
