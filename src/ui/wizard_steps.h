#pragma once

// What the player wizard knows and decides, without a window: the four answers, which input is
// open, what the speech bubble says, and the one-entry game that OK makes of it all. The
// wizard's window shows this state after every handler; tests drive it directly.

#include <string>
#include <vector>

#include "core/game.h"
#include "core/player_database.h"

namespace zelvaro::ui {

// The wizard's inputs, in the order of its steps.
enum class WizardInput { Universe, Browse, PlayerNumber, Host, GameName, MoreFiles, Ok, NotOk };
inline constexpr int kWizardInputs = 8;

struct Bubble {
  std::string wiz;
  std::string wiz2;
  bool operator==(const Bubble&) const = default;
};

class WizardSteps {
 public:
  static const Bubble kSpell;  // before the first hint
  static const Bubble kHint;   // what to do first

  // Starts over: empty answers, player number "1", the database's players in file order as
  // the host choices, no extra files, only step 1 open. True on the first opening of the run:
  // the hint then waits for its timer; later openings show it already (see close()).
  bool open(const std::string& databasePath);
  // The hint timer fired.
  void showHint() { bubble_ = kHint; }
  // However the wizard closes: the host choices go, the bubble is ready for the next opening.
  void close();

  // Step 1: the universe path changed.
  void setUniverse(const std::string& path);
  // Step 2: the player number as typed, and Enter on it.
  void setPlayerNumber(const std::string& text) { playerNumber_ = text; }
  void enterPlayerNumber();
  // Step 3: the host's address changed (a player's name becomes his e-mail list), and Enter.
  void setHost(const std::string& text);
  void enterHost();
  // Step 4.
  void setGameName(const std::string& text) { gameName_ = text; }
  void enterGameName();
  // Step 5.
  void setExtraFiles(std::vector<std::string> paths) { extraFiles_ = std::move(paths); }
  void notOk();
  // OK, first half: false, with the bubble telling why, while the host's address (a player's
  // name turned into his e-mail list) has no "@".
  bool confirmHost();
  // OK, second half: the wizard's game in `game`, which the caller has cleared: one entry
  // mailing the orders file and the extra files to the host, the universe, the game name, a
  // subject and a line of body for the player's diary, neither result nor universe attached.
  void fillGame(core::Game& game) const;
  // What is wrong with the orders file beside the player's result file, in plain words; empty
  // when nothing is (or there is nothing to go by).
  std::string ordersProblem() const;

  const std::string& universe() const { return universe_; }
  const std::string& playerNumber() const { return playerNumber_; }
  const std::string& host() const { return host_; }
  const std::string& gameName() const { return gameName_; }
  const std::string& ordersFile() const { return ordersFile_; }
  const std::vector<std::string>& extraFiles() const { return extraFiles_; }
  std::vector<std::string> hostChoices() const;

  bool enabled(WizardInput input) const { return enabled_[static_cast<int>(input)]; }
  WizardInput focus() const { return focus_; }
  // Counts the moves of the focus, so a window moves it only when a step did.
  int focusMoves() const { return focusMoves_; }
  const Bubble& bubble() const { return bubble_; }

 private:
  void enable(std::initializer_list<WizardInput> inputs, bool on);
  // Moves from one input to the next and says what to do there.
  void moveOn(WizardInput from, WizardInput to, Bubble bubble);
  void nameToAddress();
  bool namesPlayer(const std::string& text) const;

  std::string universe_;
  std::string playerNumber_ = "1";
  std::string host_;
  std::string gameName_;
  std::string ordersFile_;
  std::vector<std::string> extraFiles_;
  std::vector<core::PlayerRow> players_;

  bool enabled_[kWizardInputs] = {};
  WizardInput focus_ = WizardInput::Universe;
  int focusMoves_ = 0;
  Bubble bubble_ = kSpell;
  bool firstOpening_ = true;
  bool firstWarning_ = true;
};

}  // namespace zelvaro::ui
