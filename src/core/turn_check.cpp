#include "core/turn_check.h"

#include "core/stars_files.h"
#include "core/text_file.h"

namespace zelvaro::core {

namespace {

unsigned byteAt(std::string_view bytes, size_t offset) {
  return static_cast<unsigned char>(bytes[offset]);
}

unsigned wordAt(std::string_view bytes, size_t offset) {
  return byteAt(bytes, offset) | byteAt(bytes, offset + 1) << 8;
}

// The header of the host file, the measure of every other file; nothing when it is not there
// or not a Stars! file (then only what a file says of itself is checked).
std::optional<StarsFileHeader> hostHeaderOf(const Game& game) {
  if (game.basePath.empty()) return std::nullopt;
  try {
    return parseStarsHeader(
        readFirstBytes(existingName(hostFileOf(game.basePath)), StarsFileHeader::Size));
  } catch (const EInOutError&) {
    return std::nullopt;
  }
}

TurnFinding judge(int player, const TurnFile& file, const std::optional<StarsFileHeader>& host) {
  TurnFinding finding{player, file};
  auto verdict = [&finding](Verdict verdict) {
    finding.verdict = verdict;
    return finding;
  };
  if (!fileExists(file.path)) return verdict(Verdict::Missing);
  std::string bytes;
  try {
    bytes = readFirstBytes(file.path, StarsFileHeader::Size);
  } catch (const EInOutError&) {
    return verdict(Verdict::Unreadable);
  }
  if (file.role == TurnFileRole::Extra) return finding;
  if (bytes.empty()) return verdict(Verdict::Empty);
  const std::optional<StarsFileHeader> header = parseStarsHeader(bytes);
  if (!header) return verdict(Verdict::NotStars);
  const StarsFileType kind =
      file.role == TurnFileRole::Result ? StarsFileType::Result : StarsFileType::Universe;
  if (header->type != static_cast<int>(kind)) return verdict(Verdict::WrongKind);
  if (host && header->gameId != host->gameId) return verdict(Verdict::OtherGame);
  // The universe file is written once, when the game is created, and keeps that year for good.
  if (host && file.role == TurnFileRole::Result && header->year != host->year) {
    finding.fileYear = header->year;
    finding.hostYear = host->year;
    return verdict(Verdict::OtherYear);
  }
  if (file.role == TurnFileRole::Result && header->player != player - 1) {
    finding.filePlayer = header->player + 1;
    return verdict(Verdict::OtherPlayer);
  }
  return finding;
}

}  // namespace

std::optional<StarsFileHeader> parseStarsHeader(std::string_view bytes) {
  if (bytes.size() < StarsFileHeader::Size || bytes.substr(2, 4) != "J3J3") return std::nullopt;
  StarsFileHeader header;
  header.gameId = wordAt(bytes, 6) | static_cast<std::uint32_t>(wordAt(bytes, 8)) << 16;
  header.version = static_cast<std::uint16_t>(wordAt(bytes, 10));
  header.year = 2400 + static_cast<int>(wordAt(bytes, 12));
  header.player = static_cast<int>(wordAt(bytes, 14) & 0x1F);
  header.type = static_cast<int>(byteAt(bytes, 16));
  header.flags = static_cast<std::uint8_t>(byteAt(bytes, 17));
  return header;
}

bool mailable(const std::vector<std::string>& fields) {
  return fields.size() >= 3 && fields[1] == "1" && !fields[2].empty();
}

std::vector<TurnFile> turnFilesOf(const Game& game, int player,
                                  const std::vector<std::string>& fields) {
  std::vector<TurnFile> files;
  if (game.attachResults) {
    files.push_back({TurnFileRole::Result, existingName(resultFileOf(game.basePath, player))});
  }
  if (game.attachUniverse) {
    files.push_back({TurnFileRole::Universe, existingName(universeFileOf(game.basePath))});
  }
  for (size_t field = 3; field < fields.size(); ++field) {
    files.push_back({TurnFileRole::Extra, fields[field]});
  }
  return files;
}

std::vector<TurnFinding> checkTurnFiles(const Game& game) {
  const std::optional<StarsFileHeader> host = hostHeaderOf(game);
  std::vector<TurnFinding> findings;
  for (size_t index = 0; index < game.roster.size(); ++index) {
    const std::vector<std::string> fields = game.roster[index].fields();
    if (!mailable(fields)) continue;
    const int player = static_cast<int>(index) + 1;
    for (const TurnFile& file : turnFilesOf(game, player, fields)) {
      findings.push_back(judge(player, file, host));
    }
  }
  return findings;
}

std::vector<TurnFinding> problemsOf(const std::vector<TurnFinding>& findings) {
  std::vector<TurnFinding> problems;
  for (const TurnFinding& finding : findings) {
    if (finding.ok()) continue;
    // The worst of an entry's findings speaks for it: a wrong file before a missing one.
    if (!problems.empty() && problems.back().player == finding.player) {
      if (finding.wrongFile() && !problems.back().wrongFile()) problems.back() = finding;
      continue;
    }
    problems.push_back(finding);
  }
  return problems;
}

bool TurnFinding::wrongFile() const {
  switch (verdict) {
    case Verdict::Ok:
    case Verdict::Missing:
    case Verdict::Empty:
    case Verdict::Unreadable:
      return false;
    default:
      return true;
  }
}

std::string TurnFinding::text() const {
  const std::string name = attachmentName(file.path);
  const std::string kind = file.role == TurnFileRole::Result ? "result" : "universe";
  switch (verdict) {
    case Verdict::Ok:
      return name + " is fine";
    case Verdict::Missing:
      return name + " is missing";
    case Verdict::Empty:
      return name + " is empty";
    case Verdict::Unreadable:
      return name + " cannot be read";
    case Verdict::NotStars:
      return name + " is not a Stars! file";
    case Verdict::OtherGame:
      return name + " is from another game than the host file";
    case Verdict::OtherYear:
      return name + " is for " + std::to_string(fileYear) + ", the host file is at " +
             std::to_string(hostYear);
    case Verdict::OtherPlayer:
      return name + " is player " + std::to_string(filePlayer) + "'s turn";
    case Verdict::WrongKind:
      return name + " is not a " + kind + " file";
  }
  return name;
}

}  // namespace zelvaro::core
