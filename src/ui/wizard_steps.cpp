#include "ui/wizard_steps.h"

#include <algorithm>

#include "core/contestor_entry.h"
#include "core/errors.h"
#include "core/orders_check.h"
#include "core/stars_files.h"
#include "core/text_file.h"
#include "core/text_store.h"

namespace zelvaro::ui {

namespace {

using In = WizardInput;

bool hasAt(const std::string& text) {
  return text.find('@') != std::string::npos;
}

// The player number as the number filter reads it: 1 to 16, or 0 for anything else.
int playerNumberOf(const std::string& text) {
  try {
    const int number = core::toInteger(core::NumberFilter(text));
    return number >= 1 && number <= 16 ? number : 0;
  } catch (const core::EConvertError&) {
    return 0;
  }
}

}  // namespace

const Bubble WizardSteps::kSpell{"I put a spell on you!", ""};
const Bubble WizardSteps::kHint{"1st, Choose a universe..", "(Use the '...' button!)"};

bool WizardSteps::open(const std::string& databasePath) {
  const bool first = firstOpening_;
  firstOpening_ = false;
  universe_.clear();
  gameName_.clear();
  playerNumber_ = "1";
  host_.clear();
  ordersFile_.clear();
  players_ = core::PlayerDatabase(databasePath).players();
  extraFiles_.clear();
  enable({In::Universe, In::Browse}, true);
  enable({In::PlayerNumber, In::Host, In::GameName, In::MoreFiles, In::Ok, In::NotOk}, false);
  focus_ = In::Universe;
  ++focusMoves_;
  firstWarning_ = true;
  return first;
}

void WizardSteps::close() {
  players_.clear();
  bubble_ = kHint;
}

std::vector<std::string> WizardSteps::hostChoices() const {
  std::vector<std::string> names;
  for (const core::PlayerRow& player : players_) names.push_back(player.name);
  return names;
}

void WizardSteps::setUniverse(const std::string& path) {
  universe_ = path;
  if (!core::fileExists(path)) return;
  if (core::basePathOf(path).empty()) {
    bubble_.wiz = "That ain't no universefile man!";
    return;
  }
  enable({In::Browse}, false);
  moveOn(In::Universe, In::PlayerNumber,
         {"Now tell me your player number", "and hit return real hard."});
}

void WizardSteps::enterPlayerNumber() {
  if (playerNumberOf(playerNumber_) == 0) {
    bubble_.wiz = "Enter a value between 1 and 16";
    return;
  }
  // The number as typed, blanks and all: that is the name the player will look for.
  const std::string base = core::basePathOf(universe_);
  ordersFile_ = base + "x" + playerNumber_;
  if (core::fileExists(ordersFile_) || core::fileExists(base + "m" + playerNumber_)) {
    moveOn(In::PlayerNumber, In::Host,
           {"Now I need to know your host's", "email address. <Enter> when done."});
  } else if (firstWarning_) {
    firstWarning_ = false;
    bubble_ = {"I see no turn files here yet.", "If you are sure, hit enter again."};
  } else {
    moveOn(In::PlayerNumber, In::Host,
           {"Now I need to know your host's", "email adress. Hit enter when done."});
  }
}

void WizardSteps::setHost(const std::string& text) {
  host_ = text;
  nameToAddress();
}

void WizardSteps::nameToAddress() {
  if (hasAt(host_)) return;
  for (const core::PlayerRow& player : players_) {
    if (core::SameText(host_, player.name)) host_ = player.email;
  }
}

bool WizardSteps::namesPlayer(const std::string& text) const {
  // By the time Enter comes, a name has already become the player's e-mail list.
  return std::any_of(players_.begin(), players_.end(), [&](const core::PlayerRow& player) {
    return core::SameText(text, player.name) || core::SameText(text, player.email);
  });
}

void WizardSteps::enterHost() {
  if (host_.empty()) return;
  if (!hasAt(host_) && !namesPlayer(host_)) {
    bubble_ = {"EMAIL adress..  not shoe number!", "At least something with a @."};
    return;
  }
  nameToAddress();
  moveOn(In::Host, In::GameName, {"Now just tell me", "the gamename.."});
}

void WizardSteps::enterGameName() {
  if (gameName_.empty()) return;
  enable({In::MoreFiles, In::Ok, In::NotOk}, true);
  moveOn(In::GameName, In::Ok,
         {"Click OK to finish it,", "or 'forget it all' if you regret . . ."});
}

void WizardSteps::notOk() {
  enable({In::Universe, In::PlayerNumber, In::Host, In::GameName, In::Browse, In::MoreFiles}, true);
}

bool WizardSteps::confirmHost() {
  nameToAddress();
  if (hasAt(host_)) return true;
  bubble_ = {"You sure know how to fuck up!", "Enter a VALID email address!"};
  return false;
}

void WizardSteps::fillGame(core::Game& game) const {
  std::vector<std::string> fields{host_, "1", host_, ordersFile_};
  fields.insert(fields.end(), extraFiles_.begin(), extraFiles_.end());
  game.roster.push_back(core::ContestorEntry::fromFields(fields));
  game.universePath = universe_;
  game.name = gameName_;
  game.subject = "My .X file for " + gameName_ + ", honoured host!";
  game.body.push_back("<Write your diary for the host here.>");
  game.attachResults = false;
  game.attachUniverse = false;
}

std::string WizardSteps::ordersProblem() const {
  const int number = playerNumberOf(playerNumber_);
  if (ordersFile_.empty() || number == 0) return {};
  const std::string result = core::existingName(core::basePathOf(universe_) + "m" + playerNumber_);
  return core::ownOrdersProblem(core::existingName(ordersFile_), result, number);
}

void WizardSteps::enable(std::initializer_list<WizardInput> inputs, bool on) {
  for (WizardInput input : inputs) enabled_[static_cast<int>(input)] = on;
}

void WizardSteps::moveOn(WizardInput from, WizardInput to, Bubble bubble) {
  enable({from}, false);
  enable({to}, true);
  focus_ = to;
  ++focusMoves_;
  bubble_ = std::move(bubble);
}

}  // namespace zelvaro::ui
