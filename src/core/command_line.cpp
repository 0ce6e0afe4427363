#include "core/command_line.h"

#include <algorithm>
#include <cctype>

namespace zelvaro::core {

namespace {

// "/send" keeps its any-case spelling from the days of DOS-style switches; the rest are exact.
bool matches(const char* name, const std::string& argument) {
  if (name == nullptr) return false;
  std::string_view wanted(name);
  if (wanted.size() != argument.size()) return false;
  if (wanted.front() != '/') return wanted == argument;
  return std::equal(argument.begin(), argument.end(), wanted.begin(), [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) == b;
  });
}

const CommandLineSwitch* findSwitch(const std::string& argument) {
  for (const CommandLineSwitch& entry : commandLineSwitches()) {
    if (matches(entry.name, argument) || matches(entry.alias, argument)) return &entry;
  }
  return nullptr;
}

void refuse(CommandLine& line, const std::string& why) {
  if (line.usageError.empty()) line.usageError = why;
}

// "3,7" into the set; false when an item is not a player number from 1 to 16.
bool addPlayerNumbers(const std::string& list, std::set<int>& numbers) {
  size_t begin = 0;
  for (;;) {
    const size_t end = list.find(',', begin);
    const std::string item = list.substr(begin, end - begin);
    if (item.empty() || item.size() > 2 ||
        !std::all_of(item.begin(), item.end(), [](char c) { return c >= '0' && c <= '9'; })) {
      return false;
    }
    const int number = std::stoi(item);
    if (number < 1 || number > 16) return false;
    numbers.insert(number);
    if (end == std::string::npos) return true;
    begin = end + 1;
  }
}

// Whole seconds, digits only, at most a day: "30s" or "-1" is a mistake worth saying.
void setSettle(CommandLine& line, const std::string& text) {
  constexpr int kMostSeconds = 24 * 60 * 60;
  const bool digits =
      !text.empty() && text.size() <= 5 &&
      std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
  if (!digits || std::stoi(text) > kMostSeconds) {
    refuse(line, "--settle needs a number of seconds from 0 to 86400, not \"" + text + "\"");
    return;
  }
  line.settleSeconds = std::stoi(text);
}

// Watch mode shares nothing with the other ways to run.
void checkWatch(CommandLine& line) {
  if (line.settleSeconds && !line.watch) refuse(line, "--settle goes with --watch only");
  if (line.watch && line.batch) refuse(line, "--watch and --send do not go together");
  if (line.watch && line.paths.empty()) refuse(line, "--watch needs the game files to watch");
}

// Taking orders in and telling who is in are runs of their own, each over the named games.
void checkOrders(CommandLine& line) {
  const int runs = line.batch + line.watch + line.fetchOrders + line.status + line.checkConnection;
  if ((line.fetchOrders || line.status) && runs > 1) {
    refuse(line, "--fetch-orders and --status go with no other run (--send, --watch, ...)");
  }
  if (line.fetchOrders && line.paths.empty()) {
    refuse(line, "--fetch-orders needs the game files whose orders to take in");
  }
  if (line.status && line.paths.empty()) refuse(line, "--status needs the game files");
  if (!line.statusHtml.empty() && !line.status) refuse(line, "--html goes with --status only");
  if (!line.statusHtml.empty() && line.paths.size() > 1) {
    refuse(line, "--html writes the page of one game: name one game file");
  }
}

void addPath(CommandLine& line, const std::string& path) {
  line.paths.push_back(path);
  line.pendingGameFile = path;
  ++line.fileCount;
}

}  // namespace

const std::vector<CommandLineSwitch>& commandLineSwitches() {
  static const std::vector<CommandLineSwitch> switches = {
      {"/send", "--send", nullptr, "mail every named game in order, unattended, then end",
       [](CommandLine& line, const std::string&) { line.batch = true; }},
      {"--help", "-h", nullptr, "show this text and end",
       [](CommandLine& line, const std::string&) { line.help = true; }},
      {"--version", nullptr, nullptr, "show the version and end",
       [](CommandLine& line, const std::string&) { line.version = true; }},
      {"--check-connection", nullptr, nullptr,
       "connect, start TLS, log in and quit, mailing nothing; the report on standard "
       "output, exit status 0 when the server took the login",
       [](CommandLine& line, const std::string&) { line.checkConnection = true; }},
      {"--again", nullptr, nullptr, "with --send: mail the players already mailed once more",
       [](CommandLine& line, const std::string&) { line.again = true; }},
      {"--only", nullptr, "LIST", "with --send: mail only these player numbers (--only 3,7)",
       [](CommandLine& line, const std::string& list) {
         if (!addPlayerNumbers(list, line.only)) {
           refuse(line, "--only needs player numbers from 1 to 16, as in --only 3,7");
         }
       }},
      {"--strict", nullptr, nullptr,
       "with --send: do not mail a player whose file is missing or empty either",
       [](CommandLine& line, const std::string&) { line.strict = true; }},
      {"--dry-run", nullptr, "DIR",
       "with --send: write every message into DIR as <NN>-player<N>.eml instead of mailing "
       "it",
       [](CommandLine& line, const std::string& folder) {
         if (folder.empty()) refuse(line, "--dry-run needs a folder");
         line.dryRun = folder;
       }},
      {"--watch", nullptr, nullptr, "mail each new turn of the games as it comes, until stopped",
       [](CommandLine& line, const std::string&) { line.watch = true; }},
      {"--settle", nullptr, "SECONDS",
       "with --watch: files unchanged this long before mailing (30)", setSettle},
      {"--fetch-orders", nullptr, nullptr,
       "take the orders in once, from the mailbox and each game's incoming folder, then end; "
       "exit status 0 when nothing failed",
       [](CommandLine& line, const std::string&) { line.fetchOrders = true; }},
      {"--status", nullptr, nullptr,
       "show whose orders are in for each game's year; exit status 0 when every selected "
       "player's are, 3 when someone's are not",
       [](CommandLine& line, const std::string&) { line.status = true; }},
      {"--html", nullptr, "FILE",
       "with --status: also write the game's status page (a static HTML page) to FILE",
       [](CommandLine& line, const std::string& file) {
         if (file.empty()) refuse(line, "--html needs a file name");
         line.statusHtml = file;
       }},
  };
  return switches;
}

CommandLine examineCommandLine(const std::vector<std::string>& arguments) {
  CommandLine line;
  bool switchesEnded = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (switchesEnded) {
      addPath(line, argument);
    } else if (argument == "--") {
      switchesEnded = true;
    } else if (const CommandLineSwitch* known = findSwitch(argument)) {
      std::string value;
      if (known->valueName != nullptr) {
        if (i + 1 == arguments.size()) {
          refuse(line, argument + " needs " + known->valueName);
          break;
        }
        value = arguments[++i];
      }
      known->apply(line, value);
    } else if (!argument.empty() && argument.front() == '-') {
      refuse(line, "unknown option " + argument);
    } else {
      addPath(line, argument);
    }
  }
  if ((line.again || line.strict || !line.only.empty() || !line.dryRun.empty()) && !line.batch) {
    refuse(line, "--again, --only, --strict and --dry-run go with --send");
  }
  checkWatch(line);
  checkOrders(line);
  return line;
}

}  // namespace zelvaro::core
