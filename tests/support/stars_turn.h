#pragma once

// Stars! files laid out as the game writes them (see the notes in the demo game's script): the
// 18-byte file header, then a chain of blocks that ends exactly at the end of the file. The
// payload a test passes (`rest`) goes into the blocks, so files differ where a test needs them
// to and keep about the size it asks for.

#include <cstdint>
#include <string>

namespace zelvaro::test {

inline constexpr std::uint32_t kStarsGameId = 0x7C3E91A5;
inline constexpr std::uint16_t kStarsVersion = 0x2A60;  // the last release

enum StarsType { kUniverse = 0, kOrders = 1, kHost = 2, kResult = 3 };

// Byte 17's generation counter (bits 5-7) of the turn of `year`: the same in the host file and
// that year's result and orders files, changing from year to year but not in order. The demo
// game's script uses the same sequence.
inline int starsGeneration(int year) {
  static constexpr int sequence[16] = {0, 5, 6, 3, 4, 2, 7, 1, 6, 2, 5, 0, 3, 7, 4, 1};
  return sequence[(year - 2400) % 16];
}

// Two bytes of block header: the type in the top 6 bits, the size in the low 10.
inline std::string starsBlockHeader(int type, size_t size) {
  const unsigned word = static_cast<unsigned>(type) << 10 | static_cast<unsigned>(size);
  return {static_cast<char>(word & 0xFF), static_cast<char>(word >> 8)};
}

// The file header. Bits 5-15 of bytes 14-15 are the file's encryption salt, which differs from
// file to file.
inline std::string starsHeader(int year, int type, int player, std::uint8_t flags,
                               std::uint32_t gameId = kStarsGameId) {
  std::string bytes = starsBlockHeader(8, 16) + "J3J3";
  for (int shift = 0; shift < 32; shift += 8) bytes += static_cast<char>(gameId >> shift);
  const unsigned turn = static_cast<unsigned>(year - 2400);
  const unsigned salt = (gameId ^ (turn * 0x9E37u) ^ (static_cast<unsigned>(type) * 0x2F1u) ^
                         (static_cast<unsigned>(player) * 0x4C3u)) &
                        0x7FF;
  const unsigned playerWord = salt << 5 | (static_cast<unsigned>(player) & 0x1F);
  bytes += {static_cast<char>(kStarsVersion & 0xFF),
            static_cast<char>(kStarsVersion >> 8),
            static_cast<char>(turn & 0xFF),
            static_cast<char>(turn >> 8),
            static_cast<char>(playerWord & 0xFF),
            static_cast<char>(playerWord >> 8),
            static_cast<char>(type),
            static_cast<char>(flags)};
  return bytes;
}

// `payload` as blocks of at most 1023 bytes (types as in a turn: player, planets, fleets, ...),
// then the end block: 2 bytes in result and host files, none in orders files.
inline std::string starsBlocks(const std::string& payload, int type) {
  static constexpr int kinds[] = {6, 13, 16, 43, 30, 20};
  std::string bytes;
  size_t block = 0;
  for (size_t at = 0; at < payload.size(); at += 1023, ++block) {
    const std::string data = payload.substr(at, 1023);
    bytes += starsBlockHeader(kinds[block % 6], data.size()) + data;
  }
  return bytes +
         (type == kOrders ? starsBlockHeader(0, 0) : starsBlockHeader(0, 2) + std::string(2, '\0'));
}

// A file of a game's turn of `year` (orders, host or result file; player 0-based, 31 in the host
// file), with the generation counter of that year. `flags` adds the low bits (bit 0
// "submitted").
inline std::string starsFile(int year, int type, int player, const std::string& rest = "turn",
                             std::uint32_t gameId = kStarsGameId, std::uint8_t flags = 0) {
  const auto allFlags = static_cast<std::uint8_t>(starsGeneration(year) << 5 | flags);
  return starsHeader(year, type, player, allFlags, gameId) + starsBlocks(rest, type);
}

// The universe file, written once when the game is created and never again: 2400, player 31,
// flags 0, its planets block, then 4 bytes of unencrypted planet data per planet outside any
// block.
inline std::string starsUniverse(int planets = 40, std::uint32_t gameId = kStarsGameId) {
  std::string settings(64, '\0');
  for (size_t at = 0; at < settings.size(); ++at) {
    settings[at] = static_cast<char>((gameId >> (at % 4 * 8)) + at * 7);
  }
  settings[10] = static_cast<char>(planets & 0xFF);
  settings[11] = static_cast<char>(planets >> 8);
  std::string data;
  for (int planet = 0; planet < planets; ++planet) {
    const unsigned word = static_cast<unsigned>(planet) * 0x2F3Bu + gameId;
    for (int shift = 0; shift < 32; shift += 8) data += static_cast<char>(word >> shift);
  }
  return starsHeader(2400, kUniverse, 31, 0, gameId) + starsBlockHeader(7, 64) + settings + data;
}

inline std::string starsHost(int year, const std::string& rest = "host",
                             std::uint32_t gameId = kStarsGameId) {
  return starsFile(year, kHost, 31, rest, gameId);
}

// The result file of player `number` (1-based).
inline std::string starsTurn(int year, int number, const std::string& rest = "turn",
                             std::uint32_t gameId = kStarsGameId) {
  return starsFile(year, kResult, number - 1, rest, gameId);
}

// The orders of player `number` (1-based) answering the result file of `year`. Many orders that
// hosts use leave "submitted" off.
inline std::string starsOrders(int year, int number, const std::string& rest = "orders",
                               bool submitted = false, std::uint32_t gameId = kStarsGameId) {
  return starsFile(year, kOrders, number - 1, rest, gameId, submitted ? 1 : 0);
}

}  // namespace zelvaro::test
