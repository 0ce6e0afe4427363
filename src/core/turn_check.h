#pragma once

// The check before sending: every file a message would carry is looked at before anything
// goes, so that last year's turn, another player's or another game's never reaches a player.
// It reads the 18-byte header of each Stars! file and compares it with the host file's; the
// universe file, written once when the game was created, by its kind and game alone.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/game.h"

namespace zelvaro::core {

enum class StarsFileType { Universe = 0, Orders = 1, Host = 2, Result = 3, History = 4, Race = 5 };

// The block header and the file header at the start of every Stars! file.
struct StarsFileHeader {
  static constexpr size_t Size = 18;

  std::uint32_t gameId = 0;
  std::uint16_t version = 0;
  int year = 2400;
  int player = 0;  // 0-based; 31 in universe and host files
  int type = 0;    // a StarsFileType, or whatever number the file holds
  std::uint8_t flags = 0;
};

// Nothing when the bytes are fewer than 18 or lack the "J3J3" mark.
std::optional<StarsFileHeader> parseStarsHeader(std::string_view bytes);

enum class TurnFileRole { Result, Universe, Extra };

struct TurnFile {
  TurnFileRole role;
  std::string path;  // as found on disk (any case), else as derived
};

// What the message of roster entry `player` (1-based, its `fields` as the roster holds them)
// carries, in order: his result file, the universe file, his extra files, as the game asks.
std::vector<TurnFile> turnFilesOf(const Game& game, int player,
                                  const std::vector<std::string>& fields);

enum class Verdict {
  Ok,
  Missing,
  Empty,
  Unreadable,
  NotStars,
  OtherGame,
  OtherYear,
  OtherPlayer,
  WrongKind,
};

struct TurnFinding {
  int player = 0;
  TurnFile file;
  Verdict verdict = Verdict::Ok;
  int fileYear = 0;  // for OtherYear
  int hostYear = 0;
  int filePlayer = 0;  // 1-based, for OtherPlayer

  bool ok() const { return verdict == Verdict::Ok; }
  // A file that is there but is the wrong one: such an entry is never mailed unless the
  // operator says so. Missing, empty and unreadable files merely stay behind.
  bool wrongFile() const;
  // In plain words, naming the file: "orion.m2 is for 2425, the host file is at 2426".
  std::string text() const;
};

// Every file of every entry that a session would mail (selected, with an address), each with
// its verdict, in roster order.
std::vector<TurnFinding> checkTurnFiles(const Game& game);

// The entries with a file that is not ok (each once, in order), and their findings.
std::vector<TurnFinding> problemsOf(const std::vector<TurnFinding>& findings);

// Whether the session would mail this roster entry at all.
bool mailable(const std::vector<std::string>& fields);

}  // namespace zelvaro::core
