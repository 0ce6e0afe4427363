#pragma once

// A send session over a game in a temporary folder (universe abc.xy, result files abc.m<N>), a
// player database file, and a window kept in memory.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/contestor_entry.h"
#include "core/text_store.h"
#include "platform/eventloop.h"
#include "platform/messages.h"
#include "send/send_session.h"
#include "support/memory_session_host.h"
#include "support/stars_turn.h"
#include "support/temp_dir.h"

namespace zelvaro::test {

using Lines = std::vector<std::string>;

class SendSessionFixture : public testing::Test {
 protected:
  // Fast polls; a time-out no healthy server comes near; the overall bar's real reset.
  static constexpr send::SessionTiming kTiming{20, 30000, 2000};

  SendSessionFixture() {
    recorded().clear();
    core::resetStoreState();
    core::Settings& settings = host.settingsValue;
    settings.email = "host@example.org";
    settings.defalias = "Game Host";
    settings.database = dir.file("players.db");
    writeFile(settings.database, "");
    core::Game& game = host.gameValue;
    game.name = "abc";
    game.universePath = dir.file("abc.xy");
    game.basePath = dir.file("abc.");
    game.year = 2405;
    game.subject = "Turn %Y of %G for player %P";
    game.body = {"Hello player %P,", "", "your turn of %Y is attached."};
    // A session that never ends fails its test instead of hanging it: the program ending
    // stops every wait.
    guard_.setInterval(kGuardMs);
    guard_.onTick = [this] {
      guard_.setEnabled(false);
      ADD_FAILURE() << "the session did not end";
      platform::setApplicationTerminating(true);
    };
    guard_.setEnabled(true);
  }
  ~SendSessionFixture() override { platform::setApplicationTerminating(false); }

  static platform::RecordingMessages& recorded() {
    return dynamic_cast<platform::RecordingMessages&>(platform::messages());
  }

  void useServer(int port) { host.settingsValue.server = "127.0.0.1:" + std::to_string(port); }

  // A roster entry; returns its slot number.
  int addEntry(const std::string& name, const std::string& flag, const std::string& addresses,
               const Lines& extraFiles = {}) {
    Lines fields{name, flag, addresses};
    fields.insert(fields.end(), extraFiles.begin(), extraFiles.end());
    host.gameValue.roster.push_back(core::ContestorEntry::fromFields(fields));
    return static_cast<int>(host.gameValue.roster.size());
  }

  std::string resultFile(int slot) const { return dir.file("abc.m" + std::to_string(slot)); }
  // A turn of the game's year by default.
  std::string writeResultFile(int slot, std::string bytes = "") const {
    if (bytes.empty()) bytes = starsTurn(2405, slot, "result");
    writeFile(resultFile(slot), bytes);
    return resultFile(slot);
  }

  // The log lines between the two that carry the time of day.
  Lines loggedSteps() const {
    const Lines& log = host.logWindow;
    EXPECT_GE(log.size(), 2u);
    if (log.size() < 2) return log;
    EXPECT_EQ(log.front().rfind("Begin session. DateTime:", 0), 0u) << log.front();
    const bool ended = log.size() >= 4 && log[log.size() - 2].rfind("End session at ", 0) == 0;
    return Lines(log.begin() + 1, ended ? log.end() - 2 : log.end());
  }

  std::string gameLine() const {
    return "Game:\"abc\" XYfile:\"" + dir.file("abc.xy") + "\" Gameyear:2405";
  }

  Lines entryLines(const std::string& name, const std::string& addresses,
                   const Lines& files) const {
    Lines lines{"Recipient:" + name + " email(s):" + addresses, "Using new SMTP routine."};
    for (const auto& file : files) lines.push_back("Attaching file:\"" + file + "\"");
    return lines;
  }

  TempDir dir;
  MemorySessionHost host;

 private:
  static constexpr int kGuardMs = 60000;
  platform::Timer guard_;
};

// The pieces one after the other, for expected logs.
inline Lines concat(std::initializer_list<Lines> pieces) {
  Lines all;
  for (const Lines& piece : pieces) all.insert(all.end(), piece.begin(), piece.end());
  return all;
}

// Whether `lines` holds `wanted` in that order (other lines may stand between).
inline bool inOrder(const Lines& lines, const Lines& wanted) {
  auto at = lines.begin();
  for (const auto& line : wanted) {
    at = std::find(at, lines.end(), line);
    if (at == lines.end()) return false;
    ++at;
  }
  return true;
}

}  // namespace zelvaro::test
