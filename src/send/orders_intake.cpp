#include "send/orders_intake.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "core/errors.h"
#include "core/orders_status.h"
#include "core/sha256.h"
#include "core/stars_files.h"
#include "core/text_file.h"
#include "core/turn_status.h"

namespace zelvaro::send {

namespace {

namespace fs = std::filesystem;

std::optional<core::StarsFileHeader> hostHeaderOf(const core::Game& game) {
  if (game.basePath.empty()) return std::nullopt;
  try {
    return core::parseStarsHeader(core::readFirstBytes(
        core::existingName(core::hostFileOf(game.basePath)), core::StarsFileHeader::Size));
  } catch (const core::EInOutError&) {
    return std::nullopt;
  }
}

// An attachment worth judging: a Stars! file of any kind (a .m sent back gets its answer), or
// a file named as orders that turned out to be something else.
bool candidate(const MailAttachment& attachment) {
  if (core::parseStarsHeader(attachment.bytes)) return true;
  const size_t dot = attachment.name.rfind('.');
  if (dot == std::string::npos || dot + 2 >= attachment.name.size()) return false;
  const std::string extension = attachment.name.substr(dot + 1);
  return (extension[0] == 'x' || extension[0] == 'X') &&
         std::all_of(extension.begin() + 1, extension.end(),
                     [](unsigned char c) { return std::isdigit(c) != 0; });
}

std::optional<std::string> storedOrders(const std::string& path) {
  if (!core::fileExists(path)) return std::nullopt;
  return core::readFirstBytes(path, core::kOrdersFileLimit + 1);
}

}  // namespace

std::string ordersFileOf(const core::Game& game, int number) {
  const std::string host = core::existingName(core::hostFileOf(game.basePath));
  const bool upper = host.size() >= 3 && host.substr(host.size() - 3) == "HST";
  return core::existingName(game.basePath + (upper ? "X" : "x") + std::to_string(number));
}

std::string keptOrdersFolder(const core::Game& game, int year) {
  const fs::path folder = fs::path(core::journalGameFile(game)).parent_path();
  return (folder / ".zelvaro" / "orders" / std::to_string(year)).string();
}

OrdersIntake::OrdersIntake(std::vector<IntakeGame> games, core::SendJournal& journal)
    : games_(std::move(games)), journal_(journal) {}

const IntakeGame& OrdersIntake::routeOf(const IntakeGame& home, std::string_view bytes) const {
  const std::optional<core::StarsFileHeader> header = core::parseStarsHeader(bytes);
  if (!header) return home;
  for (const IntakeGame& game : games_) {
    const std::optional<core::StarsFileHeader> host = hostHeaderOf(game.game);
    if (host && host->gameId == header->gameId) return game;
  }
  return home;
}

MessageIntake OrdersIntake::takeMessage(std::string_view message) {
  MessageIntake intake;
  intake.parts = takeApart(message);
  if (games_.empty()) return intake;
  bool failed = false;
  bool rejected = false;
  for (const MailAttachment& attachment : intake.parts.attachments) {
    if (!candidate(attachment)) continue;
    const IntakeGame& game = routeOf(games_.front(), attachment.bytes);
    JudgedOrders judged =
        judge(game, attachment.name, attachment.bytes, intake.parts.sender, intake.parts.messageId,
              core::playersOfSender(game.game, game.database, intake.parts.sender));
    failed = failed || !judged.failure.empty();
    rejected = rejected || (judged.failure.empty() && !judged.in());
    intake.files.push_back(std::move(judged));
  }
  if (!intake.files.empty() && !failed) {
    intake.verdict = rejected ? MessageVerdict::Rejected : MessageVerdict::Done;
  }
  return intake;
}

JudgedOrders OrdersIntake::takeFile(size_t game, const std::string& name,
                                    const std::string& bytes) {
  const IntakeGame& routed = routeOf(games_.at(game), bytes);
  return judge(routed, name, bytes, "incoming/" + name, {}, std::nullopt);
}

JudgedOrders OrdersIntake::judge(const IntakeGame& game, const std::string& name,
                                 const std::string& bytes, const std::string& sender,
                                 const std::string& messageId,
                                 const std::optional<std::set<int>>& senders) {
  JudgedOrders judged;
  judged.name = name;
  judged.game = &game;
  judged.sha256 = core::sha256Hex(bytes);
  judged.senders = senders.value_or(std::set<int>{});
  const std::string gameFile = core::journalGameFile(game.game);
  if (!messageId.empty()) {
    for (const core::OrdersEntry& line : journal_.orders()) {
      if (line.gameFile == gameFile && line.messageId == messageId &&
          line.file.sha256 == judged.sha256) {
        judged.judgedBefore = true;
        judged.judgement.player = line.player;
        judged.verdict = line.verdict;
        judged.reason = line.reason;
        return judged;
      }
    }
  }
  const std::optional<core::StarsFileHeader> host = hostHeaderOf(game.game);
  if (!host) {
    judged.failure = "the host file of " + gameFile + " cannot be read";
    return judged;
  }
  try {
    std::optional<std::string> stored;
    if (const std::optional<core::StarsFileHeader> header = core::parseStarsHeader(bytes);
        header && header->player < 16) {
      stored = storedOrders(ordersFileOf(game.game, header->player + 1));
    }
    judged.judgement = core::judgeOrders(bytes, *host, senders, stored);
    judged.verdict = judged.judgement.word();
    judged.reason = judged.judgement.reason;
    if (judged.judgement.verdict == core::OrdersVerdict::Accepted) store(game, judged, bytes);
    journal_.append(core::OrdersEntry{core::journalTime(),
                                      gameFile,
                                      game.game.name,
                                      host->year,
                                      judged.judgement.player,
                                      sender,
                                      {core::attachmentName(name), judged.sha256},
                                      messageId,
                                      judged.judgement.word(),
                                      judged.judgement.reason});
  } catch (const core::EInOutError& error) {
    judged.failure = error.what();
  }
  return judged;
}

void OrdersIntake::store(const IntakeGame& game, JudgedOrders& judged, const std::string& bytes) {
  const std::string target = ordersFileOf(game.game, judged.judgement.player);
  if (const std::optional<std::string> previous = storedOrders(target)) {
    // The orders they replace stay at hand, in the folder of the year they were made for.
    const std::optional<core::StarsFileHeader> header = core::parseStarsHeader(*previous);
    const std::string folder = keptOrdersFolder(game.game, header ? header->year : 0);
    std::error_code error;
    fs::create_directories(folder, error);
    if (error) throw core::EInOutError("Cannot create", folder, error.value());
    core::writeAllBytes(folder + "/" + fs::path(target).filename().string() + "." +
                            core::sha256Hex(*previous).substr(0, 12),
                        *previous);
  }
  core::writeAllBytes(target, bytes);
  judged.storedAs = target;
}

}  // namespace zelvaro::send
