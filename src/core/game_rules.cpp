#include "core/game_rules.h"

#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "core/comma_list.h"
#include "core/text_file.h"
#include "core/text_store.h"

namespace zelvaro::core {

namespace {

constexpr std::array<const char*, 7> kWeekdays{"mon", "tue", "wed", "thu", "fri", "sat", "sun"};

std::string lowered(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::vector<std::string> words(const std::string& text) {
  std::vector<std::string> out;
  std::string word;
  for (char c : text) {
    if (std::isspace(static_cast<unsigned char>(c))) {
      if (!word.empty()) out.push_back(std::move(word));
      word.clear();
    } else {
      word += c;
    }
  }
  if (!word.empty()) out.push_back(std::move(word));
  return out;
}

std::optional<double> parseHours(const std::string& text) {
  double value = 0;
  const char* end = text.data() + text.size();
  auto [ptr, error] = std::from_chars(text.data(), end, value);
  if (error != std::errc() || ptr != end || !std::isfinite(value) || value < 0) return std::nullopt;
  return value;
}

// "HH:MM" as minutes of the day.
std::optional<int> parseClock(const std::string& text) {
  int hours = 0;
  int minutes = 0;
  size_t colon = text.find(':');
  if (colon == std::string::npos || colon == 0 || colon > 2 || text.size() != colon + 3) {
    return std::nullopt;
  }
  auto number = [](const std::string& digits, int& out) {
    auto [ptr, error] = std::from_chars(digits.data(), digits.data() + digits.size(), out);
    return error == std::errc() && ptr == digits.data() + digits.size();
  };
  if (!number(text.substr(0, colon), hours) || !number(text.substr(colon + 1), minutes)) {
    return std::nullopt;
  }
  if (hours > 23 || minutes > 59) return std::nullopt;
  return hours * 60 + minutes;
}

std::string clockText(int minuteOfDay) {
  char text[24];
  std::snprintf(text, sizeof text, "%02d:%02d", minuteOfDay / 60, minuteOfDay % 60);
  return text;
}

// Shortest decimal text that reads back as the same number: "24", "0.005".
std::string numberText(double value) {
  char text[32];
  auto [ptr, error] = std::to_chars(text, text + sizeof text, value);
  return error == std::errc() ? std::string(text, ptr) : "0";
}

// Body lines in one value: "\n" between lines, "\\" for a backslash.
std::string joinedLines(const std::vector<std::string>& lines) {
  std::string out;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) out += "\\n";
    for (char c : lines[i]) {
      if (c == '\\') out += '\\';
      out += c;
    }
  }
  return out;
}

std::vector<std::string> splitLines(const std::string& value) {
  std::vector<std::string> lines(1);
  for (size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '\\' && i + 1 < value.size()) {
      ++i;
      if (value[i] == 'n') {
        lines.emplace_back();
        continue;
      }
    }
    lines.back() += value[i];
  }
  return lines;
}

}  // namespace

std::optional<Deadline> parseDeadline(const std::string& text) {
  const std::vector<std::string> parts = words(lowered(text));
  if (parts.empty()) return std::nullopt;
  Deadline deadline;
  if (parts[0] == "none" && parts.size() == 1) return deadline;
  if (parts[0] == "daily" && parts.size() == 2) {
    auto minute = parseClock(parts[1]);
    if (!minute) return std::nullopt;
    deadline.kind = Deadline::Kind::Daily;
    deadline.minuteOfDay = *minute;
    return deadline;
  }
  if (parts[0] == "weekly" && parts.size() == 3) {
    auto minute = parseClock(parts[2]);
    for (size_t day = 0; day < kWeekdays.size() && minute; ++day) {
      if (parts[1] != kWeekdays[day]) continue;
      deadline.kind = Deadline::Kind::Weekly;
      deadline.weekday = static_cast<int>(day);
      deadline.minuteOfDay = *minute;
      return deadline;
    }
    return std::nullopt;
  }
  if (parts[0] == "after" && parts.size() == 2) {
    auto hours = parseHours(parts[1]);
    if (!hours || *hours <= 0) return std::nullopt;
    deadline.kind = Deadline::Kind::After;
    deadline.hours = *hours;
    return deadline;
  }
  return std::nullopt;
}

std::string deadlineText(const Deadline& deadline) {
  switch (deadline.kind) {
    case Deadline::Kind::None:
      return "none";
    case Deadline::Kind::Daily:
      return "daily " + clockText(deadline.minuteOfDay);
    case Deadline::Kind::Weekly:
      return std::string("weekly ") + kWeekdays.at(static_cast<size_t>(deadline.weekday)) + " " +
             clockText(deadline.minuteOfDay);
    case Deadline::Kind::After:
      return "after " + numberText(deadline.hours);
  }
  return "none";
}

std::optional<GenerateWhen> generateWhenFromText(const std::string& text) {
  const std::string word = lowered(text);
  if (word == "allin") return GenerateWhen::AllIn;
  if (word == "deadline") return GenerateWhen::Deadline;
  if (word == "both") return GenerateWhen::Both;
  return std::nullopt;
}

std::string generateWhenText(GenerateWhen when) {
  switch (when) {
    case GenerateWhen::AllIn:
      return "allin";
    case GenerateWhen::Deadline:
      return "deadline";
    case GenerateWhen::Both:
      break;
  }
  return "both";
}

std::optional<std::vector<double>> parseReminderHours(const std::string& text) {
  std::vector<double> hours;
  const std::string compact = RemoveSpaces(text);
  if (compact.empty()) return hours;
  for (const std::string& item : CommaList::split(compact)) {
    auto value = parseHours(item);
    if (!value) return std::nullopt;
    hours.push_back(*value);
  }
  return hours;
}

std::string reminderHoursText(const std::vector<double>& hours) {
  std::string text;
  for (double value : hours) text += (text.empty() ? "" : ",") + numberText(value);
  return text;
}

std::string rulesPathFor(const std::string& gameFile) {
  return gameFile + ".rules";
}

RulesReading readGameRules(const std::string& path) {
  RulesReading reading;
  if (!fileExists(path)) return reading;
  GameRules& rules = reading.rules;
  auto value = [&path](const char* key) -> std::optional<std::string> {
    std::string text = ReadKey(path, key);
    if (text == NotFound) return std::nullopt;
    return text;
  };
  auto complain = [&reading](const char* key, const std::string& text, const char* expected) {
    reading.problems.push_back(std::string(key) + " \"" + text + "\" is not understood (" +
                               expected + "); the default is used.");
  };
  if (auto text = value("deadline")) {
    if (auto deadline = parseDeadline(*text)) {
      rules.deadline = *deadline;
    } else {
      complain("deadline", *text, "none, daily HH:MM, weekly DAY HH:MM or after HOURS");
    }
  }
  if (auto text = value("reminders")) {
    if (auto hours = parseReminderHours(*text)) {
      rules.reminders = *hours;
    } else {
      complain("reminders", *text, "hours before the deadline, such as 24,2");
    }
  }
  if (auto text = value("generatecommand")) rules.generateCommand = *text;
  if (auto text = value("generatewhen")) {
    if (auto when = generateWhenFromText(*text)) {
      rules.generateWhen = *when;
    } else {
      complain("generatewhen", *text, "allin, deadline or both");
    }
  }
  if (auto text = value("grace")) {
    if (auto minutes = parseHours(RemoveSpaces(*text))) {
      rules.graceMinutes = *minutes;
    } else {
      complain("grace", *text, "minutes after the deadline");
    }
  }
  if (auto text = value("remindersubject")) rules.reminderSubject = *text;
  if (auto text = value("reminderbody")) rules.reminderBody = splitLines(*text);
  if (auto text = value("statuspage")) rules.statusPage = *text;
  if (auto text = value("receiptsubject")) rules.receiptSubject = *text;
  if (auto text = value("rejectsubject")) rules.rejectSubject = *text;
  if (auto text = value("receiptbody")) rules.receiptBody = splitLines(*text);
  return reading;
}

void writeGameRules(const std::string& path, const GameRules& rules) {
  writeAllLines(path, {
                          "deadline," + deadlineText(rules.deadline),
                          "reminders," + reminderHoursText(rules.reminders),
                          "generatecommand," + rules.generateCommand,
                          "generatewhen," + generateWhenText(rules.generateWhen),
                          "grace," + numberText(rules.graceMinutes),
                          "remindersubject," + rules.reminderSubject,
                          "reminderbody," + joinedLines(rules.reminderBody),
                          "statuspage," + rules.statusPage,
                          "receiptsubject," + rules.receiptSubject,
                          "rejectsubject," + rules.rejectSubject,
                          "receiptbody," + joinedLines(rules.receiptBody),
                      });
}

namespace {

// Every "%" + `letter` (either case) in `text` made `value`.
std::string withPlaceholder(const std::string& text, char letter, const std::string& value) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 1 < text.size() && (text[i + 1] | 0x20) == letter) {
      out += value;
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace

std::string withDeadlineWords(const std::string& text, const std::string& deadlineWords) {
  return withPlaceholder(text, 'd', deadlineWords);
}

std::string generateCommandLine(const std::string& command, const std::string& hostFile) {
  std::string quoted = "'";
  for (char c : hostFile) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return withPlaceholder(command, 'h', quoted + "'");
}

}  // namespace zelvaro::core
