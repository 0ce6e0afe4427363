#include "app/orders_run.h"

#include <algorithm>
#include <ostream>
#include <vector>

#include "core/game_file.h"
#include "core/mailed_mark.h"
#include "core/orders_status.h"
#include "core/player_database.h"
#include "core/schedule_state.h"
#include "core/settings.h"
#include "core/status_page.h"
#include "core/turn_check.h"
#include "core/turn_status.h"
#include "send/orders_intake.h"
#include "send/orders_pass.h"

namespace zelvaro::app {

namespace {

// The game as its file has it now; nothing, with the reason through `problem`, when it cannot
// be read.
std::optional<core::Game> readGame(const std::string& path,
                                   const std::function<void(const std::string&)>& problem) {
  core::Game game;
  game.filePath = path;
  core::StarsHeader header;
  try {
    if (!core::readGameFile(game, header)) {
      problem("There is no game file " + path);
      return std::nullopt;
    }
  } catch (const std::exception& error) {
    problem(error.what());
    return std::nullopt;
  }
  return game;
}

std::function<void(const std::string&)> errorLines(std::ostream& err) {
  return [&err](const std::string& line) { err << "zelvaro: " << line << "\n"; };
}

core::SendJournal loadedJournal(std::ostream& err) {
  core::SendJournal journal;
  if (const std::string problem = journal.load(); !problem.empty()) {
    err << "zelvaro: " << problem << "\n";
  }
  return journal;
}

std::string padded(const std::string& text, size_t width) {
  return text + std::string(width > text.size() ? width - text.size() : 0, ' ');
}

void printTable(const std::vector<std::vector<std::string>>& rows, std::ostream& out) {
  std::vector<size_t> widths(rows.front().size(), 0);
  for (const auto& row : rows) {
    for (size_t column = 0; column < row.size(); ++column) {
      widths[column] = std::max(widths[column], row[column].size());
    }
  }
  for (const auto& row : rows) {
    std::string line;
    for (size_t column = 0; column < row.size(); ++column) {
      line += padded(row[column], widths[column] + 2);
    }
    line.erase(line.find_last_not_of(' ') + 1);
    out << line << "\n";
  }
}

// The deadline and the time left, and the page when asked; false when the page failed.
bool writeSchedule(const core::Game& game, const core::SendJournal& journal,
                   const std::string& htmlFile, std::ostream& out, std::ostream& err) {
  core::GameRules rules;
  try {
    const core::RulesReading reading = core::readGameRules(core::rulesPathFor(game.filePath));
    rules = reading.rules;
    for (const std::string& problem : reading.problems) err << "zelvaro: " << problem << "\n";
  } catch (const std::exception& error) {
    err << "zelvaro: " << error.what() << "\n";
  }
  const core::StatusPage page = core::statusPageOf(game, journal, rules, core::WatchClock::now());
  if (!page.deadline.empty()) {
    out << "Deadline: " << page.deadline << " (" << page.timeLeft << ")\n";
  } else if (rules.deadline.kind != core::Deadline::Kind::None) {
    out << "Deadline: " << core::deadlineText(rules.deadline) << ", from when the turn goes out\n";
  }
  if (htmlFile.empty()) return true;
  try {
    core::writeStatusPage(htmlFile, page);
  } catch (const std::exception& error) {
    err << "zelvaro: " << error.what() << "\n";
    return false;
  }
  return true;
}

}  // namespace

std::vector<send::IntakeGame> readIntakeGames(
    const std::vector<std::string>& gameFiles, const core::Settings& settings,
    const std::function<void(const std::string&)>& problem) {
  const std::vector<core::PlayerRow> database = core::PlayerDatabase(settings.database).players();
  std::vector<send::IntakeGame> games;
  for (const std::string& path : gameFiles) {
    if (std::optional<core::Game> game = readGame(path, problem)) {
      games.push_back({std::move(*game), database});
    }
  }
  return games;
}

int runFetchOrders(const core::CommandLine& commandLine, const std::string& settingsPath,
                   std::ostream& out, std::ostream& err) {
  core::Settings settings;
  core::loadOptions(settingsPath, settings);
  std::vector<send::IntakeGame> games =
      readIntakeGames(commandLine.gameFiles(), settings, errorLines(err));
  bool failed = games.size() != commandLine.gameFiles().size();
  core::SendJournal journal = loadedJournal(err);
  send::OrdersIntake intake(std::move(games), journal);
  send::OrdersPass pass(
      settings, intake, journal,
      {[&out](const std::string& line) { out << line << "\n"; }, errorLines(err)});
  if (!pass.takeMailbox()) failed = true;
  if (!pass.takeDropFolders()) failed = true;
  return failed ? core::ExitFailed : core::ExitOk;
}

int runStatus(const core::CommandLine& commandLine, std::ostream& out, std::ostream& err) {
  const core::SendJournal journal = loadedJournal(err);
  bool unreadable = false;
  bool someoneOut = false;
  for (const std::string& path : commandLine.gameFiles()) {
    const std::optional<core::Game> game = readGame(path, errorLines(err));
    if (!game) {
      unreadable = true;
      continue;
    }
    const std::string gameFile = core::journalGameFile(*game);
    out << game->name << ", " << game->year << " (" << gameFile << ")\n";
    if (!writeSchedule(*game, journal, commandLine.statusHtml, out, err)) unreadable = true;
    std::vector<std::vector<std::string>> rows{{"Player", "Name", "Mailed", "Orders", "Time"}};
    for (size_t slot = 0; slot < game->roster.size(); ++slot) {
      const int player = static_cast<int>(slot) + 1;
      if (!core::mailable(game->roster[slot].fields())) continue;
      const core::MailedMark mailed =
          core::mailedMark(journal.lastWord(gameFile, game->year, player));
      const auto in = core::ordersIn(journal, gameFile, game->year, player);
      const auto last = core::lastOrdersVerdict(journal, gameFile, game->year, player);
      someoneOut = someoneOut || !in;
      rows.push_back({std::to_string(player), game->roster[slot].name(), mailed.column,
                      in ? "in" : (last ? "rejected" : "out"),
                      in ? in->when() : (last ? last->when() : "")});
    }
    printTable(rows, out);
  }
  if (unreadable) return core::ExitFailed;
  return someoneOut ? core::ExitOrdersOut : core::ExitOk;
}

}  // namespace zelvaro::app
