#pragma once

// A game's schedule, kept beside its game file in `<game>.zv.rules` (KEY,VALUE lines like the
// settings file), so that the game file keeps the format older copies of the program read.

#include <optional>
#include <string>
#include <vector>

namespace zelvaro::core {

// When the orders of a turn are due, in the machine's time zone.
struct Deadline {
  enum class Kind { None, Daily, Weekly, After };
  Kind kind = Kind::None;
  int weekday = 0;      // Weekly: 0 Monday .. 6 Sunday
  int minuteOfDay = 0;  // Daily and Weekly: hours * 60 + minutes
  double hours = 0;     // After: hours after the turn was mailed
  bool operator==(const Deadline&) const = default;
};

// "none", "daily HH:MM", "weekly DAY HH:MM" (DAY mon..sun) or "after HOURS" (fractions
// allowed), in any letter case; nothing for anything else.
std::optional<Deadline> parseDeadline(const std::string& text);
std::string deadlineText(const Deadline& deadline);

// When a turn is generated without waiting for the host: when every player is in, at the
// deadline, or whichever comes first.
enum class GenerateWhen { AllIn, Deadline, Both };
std::optional<GenerateWhen> generateWhenFromText(const std::string& text);
std::string generateWhenText(GenerateWhen when);

// "24,2" read as hours before the deadline; nothing when an item is not a number >= 0.
std::optional<std::vector<double>> parseReminderHours(const std::string& text);
std::string reminderHoursText(const std::vector<double>& hours);

struct GameRules {
  Deadline deadline;
  std::vector<double> reminders{24, 2};
  std::string generateCommand;  // run with /bin/sh -c in the game's folder; %H the host file
  GenerateWhen generateWhen = GenerateWhen::Both;
  double graceMinutes = 0;
  std::string reminderSubject = "Reminder: your orders for %G %Y are due %D";
  std::vector<std::string> reminderBody{
      "Your orders for %G, year %Y, have not reached the host yet.", "They are due %D.", "",
      "This is an automatic reminder; if you sent them already, please send them again."};
  std::string statusPage;  // where the status page is written; empty: none
  // The answer to each orders file a player mails in: %G, %Y and %P as in a turn's mail. The
  // body comes first; the verdict, the file's SHA-256 and who is still out follow it.
  std::string receiptSubject = "Orders received: %G %Y player %P";
  std::string rejectSubject = "Orders NOT accepted: %G %Y player %P";
  std::vector<std::string> receiptBody{"This is an automatic answer to the orders you sent for "
                                       "%G, year %Y."};
  bool operator==(const GameRules&) const = default;
};

// `<game file>.rules`.
std::string rulesPathFor(const std::string& gameFile);

struct RulesReading {
  GameRules rules;
  // One plain sentence per key whose value was not understood; that key keeps its default.
  std::vector<std::string> problems;
};

// A missing file gives the defaults and no problem; throws EInOutError when it cannot be read.
RulesReading readGameRules(const std::string& path);
// Rewrites the whole file; throws EInOutError.
void writeGameRules(const std::string& path, const GameRules& rules);

// The template with %D (either case) made the deadline's words; the other placeholders stay
// for the ordinary filling.
std::string withDeadlineWords(const std::string& text, const std::string& deadlineWords);

// The generate command with every %H (either case) made the host file's path, quoted for
// /bin/sh, so a path with blanks or quotes stays one word and never becomes a command.
std::string generateCommandLine(const std::string& command, const std::string& hostFile);

}  // namespace zelvaro::core
