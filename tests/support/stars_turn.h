#pragma once

// Bytes that pass for a Stars! file: the 18-byte header the check before sending reads, then
// `rest`.

#include <cstdint>
#include <string>

namespace zelvaro::test {

// type: 0 universe, 2 host, 3 result; player 0-based (31 in universe and host files).
inline std::string starsFile(int year, int type, int player, const std::string& rest = "turn",
                             std::uint32_t gameId = 0x1234) {
  std::string bytes = "\x10\x20J3J3";
  for (int shift = 0; shift < 32; shift += 8) bytes += static_cast<char>(gameId >> shift);
  bytes += {'\x3b',
            '\x2b',
            static_cast<char>((year - 2400) & 0xFF),
            static_cast<char>((year - 2400) >> 8),
            static_cast<char>(player),
            '\0',
            static_cast<char>(type),
            '\0'};
  return bytes + rest;
}

// The result file of player `number` (1-based).
inline std::string starsTurn(int year, int number, const std::string& rest = "turn") {
  return starsFile(year, 3, number - 1, rest);
}

}  // namespace zelvaro::test
