#pragma once

// Bits from the system's random source, for what a stranger must not guess (MIME boundaries).

#include <cstdint>

namespace zelvaro::net {

// 64 bits from getrandom(2); std::random_device where that call is missing.
std::uint64_t systemRandom64();

}  // namespace zelvaro::net
