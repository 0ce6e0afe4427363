#include "app/watch.h"

#include <algorithm>
#include <cctype>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <utility>

#include "app/watch_intake.h"
#include "app/watch_schedule.h"
#include "platform/application.h"
#include "platform/file_lock.h"
#include "platform/messages.h"

namespace zelvaro::app {

namespace {

using Clock = core::WatchClock;
using State = core::TurnObservation::State;
using Action = core::TurnDecision::Action;

std::string timeOfDay(core::WatchTime when) {
  const std::time_t time = Clock::to_time_t(when);
  std::tm local{};
  localtime_r(&time, &local);
  char text[16];
  std::strftime(text, sizeof text, "%H:%M:%S", &local);
  return text;
}

std::string plural(size_t count, const std::string& noun) {
  return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

}  // namespace

// The session's and the readers' message boxes become lines about the game at hand, each said
// once until the game's files change.
class GameWatch::Messages : public platform::Messages {
 public:
  explicit Messages(GameWatch& watch) : watch_(watch) {}
  void show(const std::string& text, platform::MessageKind) override { say(text); }
  platform::Button ask(const platform::Question& question) override {
    say(question.text);
    return question.defaultButton;
  }
  std::optional<std::string> openFile(const platform::FileDialog&) override { return std::nullopt; }
  std::optional<std::string> saveFile(const platform::FileDialog&) override { return std::nullopt; }

 private:
  void say(std::string text) {
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    Game* game = watch_.current_;
    if (game == nullptr) {
      std::cerr << "zelvaro: " << text << std::endl;
    } else if (game->messages.insert(text).second) {
      watch_.tell(*game, text);
    }
  }
  GameWatch& watch_;
};

GameWatch::GameWatch(WatchOptions options, GameMailer& mailer)
    : options_(std::move(options)), mailer_(mailer), folders_(options_.rescanMs) {
  for (const std::string& path : options_.gameFiles) {
    auto game = std::make_unique<Game>();
    game->path = std::filesystem::absolute(path).lexically_normal().string();
    game->name = std::filesystem::path(game->path).filename().string();
    Game* raw = game.get();
    game->timer.onTick = [this, raw] {
      raw->timer.setEnabled(false);
      look(*raw);
    };
    games_.push_back(std::move(game));
  }
  folders_.onChange = [this](const std::string& folder) { lookAfterChange(folder); };
  if (options_.schedule != nullptr) {
    options_.schedule->hooks().tell = [this](const std::string& path, const std::string& text) {
      if (Game* game = gameAt(path)) tell(*game, text);
    };
    options_.schedule->hooks().lookAgain = [this](const std::string& path) {
      if (Game* game = gameAt(path)) lookAgainAt(*game, Clock::now());
    };
  }
  // Intake and mailing both run the loop while they wait for a server: one at a time.
  intake_ = std::make_unique<WatchIntake>(options_.gameFiles, options_.settingsPath);
  intake_->mayRun = [this] { return !mailing_; };
  intake_->running = [this](bool on) {
    mailing_ = on;
    if (!on) {
      for (Game* waiting : std::exchange(lookAfterMailing_, {}))
        lookAgainAt(*waiting, Clock::now());
    }
  };
  previousMessages_ = platform::installMessages(std::make_unique<Messages>(*this));
}

GameWatch::~GameWatch() {
  platform::installMessages(std::move(previousMessages_));
}

void GameWatch::start() {
  for (const auto& game : games_) {
    const std::string folder = std::filesystem::path(game->path).parent_path().string();
    game->folders.insert(folder);
    folders_.watch(folder);
  }
  for (const auto& game : games_) look(*game);
  intake_->start(folders_);
}

void GameWatch::lookAfterChange(const std::string& folder) {
  intake_->folderChanged(folder);
  for (const auto& game : games_) {
    if (game->folders.count(folder) != 0) look(*game);
  }
}

void GameWatch::watchStarsFolder(Game& game, const core::TurnObservation& seen) {
  if (seen.game.basePath.empty()) return;
  std::error_code error;
  const std::filesystem::path base = std::filesystem::absolute(seen.game.basePath, error);
  if (error) return;
  const std::string folder = base.lexically_normal().parent_path().string();
  if (game.folders.insert(folder).second) folders_.watch(folder);
}

void GameWatch::look(Game& game) {
  if (platform::applicationTerminating()) return;
  // One session at a time, and never one inside another: the session runs the loop while it
  // waits for the server, and changes arriving meanwhile are looked at after it.
  if (mailing_) {
    lookAfterMailing_.insert(&game);
    return;
  }
  current_ = &game;
  try {
    // A damaged journal never stops mailing; it is said once per change of the game.
    if (const std::string problem = journal_.load(); !problem.empty()) {
      platform::showMessage(problem);
    }
    const core::TurnObservation seen = core::observeTurn(game.path, journal_);
    watchStarsFolder(game, seen);
    act(game, seen);
  } catch (const std::exception& e) {
    // Nothing about one game ends the watch over all of them.
    sayState(game, std::string("cannot look at the game: ") + e.what());
  }
  current_ = nullptr;
}

void GameWatch::noteChange(Game& game, const core::TurnObservation& seen) {
  if (game.looked && seen.fingerprint == game.fingerprint) return;
  // The first look judges by the files' own times, so a turn generated long ago goes at once;
  // after that a change counts from when it was seen, whatever clock the file server keeps.
  game.changeSeen = game.looked ? Clock::now() : std::min(seen.newestChange, Clock::now());
  game.looked = true;
  game.fingerprint = seen.fingerprint;
  game.messages.clear();
}

void GameWatch::act(Game& game, const core::TurnObservation& seen) {
  noteChange(game, seen);
  switch (seen.state) {
    case State::FolderMissing:
      return sayState(game, "the folder " + seen.problem + " is missing; watching for it");
    case State::GameFileMissing:
      return sayState(game, "the game file is missing; watching for it");
    case State::GameFileDamaged:
      return sayState(game,
                      "the game file cannot be read (" + seen.problem + "); watching for a change");
    case State::HostFileMissing:
      return sayState(game, "no host file " + seen.problem + "; watching for it");
    case State::Ready:
      break;
  }
  const int year = seen.game.year;
  const std::string prefix = std::to_string(year) + ": ";
  // Files the game program is still writing are no turn yet; its end brings a look.
  if (options_.schedule != nullptr && options_.schedule->generating(game.path)) return;
  if (year != game.year) {
    game.year = year;
    game.failures.clear();  // a new turn gets every player tried again
    tell(game, prefix + "turn found");
  }
  const core::TurnDecision decision = core::decideTurn(
      withFailures(game, seen.players), game.changeSeen, Clock::now(), options_.rules);
  if (decision.lookAgainAt) lookAgainAt(game, *decision.lookAgainAt);
  if (decision.action != Action::Send) followSchedule(game, seen);
  switch (decision.action) {
    case Action::Done:
      return sayState(game, prefix + "every player mailed");
    case Action::Waiting:
      return sayState(game,
                      prefix + "waiting for " + plural(decision.players.size(), "result file"));
    case Action::Settling:
      return sayState(game, prefix + "files complete; mailing once they have not changed for " +
                                std::to_string(options_.rules.settle.count()) + " s");
    case Action::Retrying:
      return;  // the failure said when
    case Action::Stuck:
      return sayState(game, prefix + "nothing more to mail before the next turn");
    case Action::Send:
      return mail(game, seen, decision.players);
  }
}

void GameWatch::mail(Game& game, const core::TurnObservation& seen,
                     const std::vector<int>& players) {
  mailing_ = true;
  MailOutcome outcome;
  try {
    platform::FileLock lock(platform::lockPathFor(game.path));
    if (!lock.tryLock()) {
      // What the other run mails is not due any more: the game is looked at afresh after it.
      std::cerr << "zelvaro: " << game.name << ": another Zelvaro is mailing this game; waiting"
                << std::endl;
      lock.wait();
      mailing_ = false;
      lookAfterSession(game);
      return;
    }
    outcome = mailer_.mail(game.path, std::set<int>(players.begin(), players.end()));
  } catch (...) {
    mailing_ = false;
    throw;
  }
  mailing_ = false;
  if (platform::applicationTerminating()) return;
  const size_t before = std::count_if(seen.players.begin(), seen.players.end(),
                                      [](const auto& player) { return player.mailed; });
  const std::string prefix = std::to_string(game.year) + ": ";
  tell(game, prefix + "mailed " + std::to_string(before + outcome.mailed) + " of " +
                 std::to_string(seen.players.size()));
  for (const auto& [player, reason] : outcome.failed) noteFailure(game, player, reason);
  game.stateLine.clear();
  lookAfterSession(game);
}

// What changed during the session, and the retries just planned, are seen to from the loop.
void GameWatch::lookAfterSession(Game& game) {
  lookAfterMailing_.insert(&game);
  for (Game* waiting : std::exchange(lookAfterMailing_, {})) lookAgainAt(*waiting, Clock::now());
}

void GameWatch::followSchedule(Game& game, const core::TurnObservation& seen) {
  if (options_.schedule == nullptr) return;
  // Notices run the loop as a session does: other looks wait until they are out.
  mailing_ = true;
  std::optional<core::WatchTime> next;
  try {
    next = options_.schedule->look(game.path, seen);
  } catch (...) {
    mailing_ = false;
    throw;
  }
  mailing_ = false;
  if (next) lookAgainAt(game, *next);
  for (Game* waiting : std::exchange(lookAfterMailing_, {})) lookAgainAt(*waiting, Clock::now());
}

GameWatch::Game* GameWatch::gameAt(const std::string& path) const {
  for (const auto& game : games_) {
    if (game->path == path) return game.get();
  }
  return nullptr;
}

void GameWatch::noteFailure(Game& game, int player, const std::string& reason) {
  Failure& failure = game.failures[player];
  ++failure.attempts;
  failure.kind = core::failureKindOfReason(reason);
  failure.last = Clock::now();
  std::string text =
      std::to_string(game.year) + ": Player #" + std::to_string(player) + ": " + reason + "; ";
  if (failure.kind == core::FailureKind::Lasting) {
    text += "not tried again before the next turn or a restart";
  } else {
    text += "next try at " +
            timeOfDay(failure.last + core::retryDelay(failure.attempts, options_.rules));
  }
  tell(game, text);
}

std::vector<core::WatchedPlayer> GameWatch::withFailures(
    const Game& game, std::vector<core::WatchedPlayer> players) const {
  for (core::WatchedPlayer& player : players) {
    auto found = game.failures.find(player.number);
    if (found == game.failures.end()) continue;
    player.failedAttempts = found->second.attempts;
    player.lastFailure = found->second.kind;
    player.lastAttempt = found->second.last;
  }
  return players;
}

void GameWatch::lookAgainAt(Game& game, core::WatchTime when) {
  using std::chrono::milliseconds;
  const auto wait = std::chrono::duration_cast<milliseconds>(when - Clock::now());
  // The rescan looks anyway; a timer never waits longer than it, so a clock that jumps costs
  // at most one rescan.
  if (game.timer.enabled() && game.nextLook <= when) return;
  game.nextLook = when;
  const long long ms = std::clamp<long long>(wait.count(), 1, options_.rescanMs);
  game.timer.setInterval(static_cast<int>(ms));
  game.timer.setEnabled(true);
}

void GameWatch::sayState(Game& game, const std::string& text) {
  if (text == game.stateLine) return;
  game.stateLine = text;
  tell(game, text);
}

void GameWatch::tell(const Game& game, const std::string& text) {
  std::cerr << game.name << ": " << text << std::endl;
}

}  // namespace zelvaro::app
