#pragma once

// The command line: game file paths and switches. "/send" (any case) or "--send" mails every
// named game unattended and ends; "--help" and "--version" answer and end before anything
// opens. Every switch is a row of one table (command_line.cpp); an argument starting with "-"
// that no row knows is a usage error, and "--" ends the switches for paths that start with "-".

#include <optional>
#include <set>
#include <string>
#include <vector>

namespace zelvaro::core {

// Exit statuses of the program.
inline constexpr int ExitOk = 0;
inline constexpr int ExitFailed = 1;     // something failed, or a message needed saying
inline constexpr int ExitUsage = 2;      // a command line it cannot use
inline constexpr int ExitOrdersOut = 3;  // --status: a selected player's orders are not in

inline constexpr const char* MultipleFilesMessage =
    "It doesn't make sense to specify multible files without the [/send] option!";

struct CommandLine {
  bool batch = false;
  bool help = false;
  bool version = false;
  // Connect to the mail server of the settings, start TLS, log in and quit; the report on
  // standard output.
  bool checkConnection = false;
  // Mail each new turn of the named games until stopped, once its files have settled for
  // this many seconds (30 unless given).
  bool watch = false;
  std::optional<int> settleSeconds;
  // One pass over the games' mailbox and drop folders, judging every orders file that came in.
  bool fetchOrders = false;
  // Who is in: a table of the games' players and their orders, for a shell or a script.
  bool status = false;
  // With --status: the status page of the (one) game written to this file as well.
  std::string statusHtml;
  // Why the command line cannot be used ("unknown option -x"); empty when it can.
  std::string usageError;
  // The paths in command-line order, exactly as given.
  std::vector<std::string> paths;
  // The last path named: opened at the first activation.
  std::string pendingGameFile;
  int fileCount = 0;

  // What the send run is asked beyond the games.
  bool again = false;   // mail players the journal has as mailed
  bool strict = false;  // refuse players with a missing or empty file too
  std::set<int> only;   // when not empty, only these player numbers
  std::string dryRun;   // when set, the messages go into this folder and nothing is sent

  const std::vector<std::string>& gameFiles() const { return paths; }
  // Several paths only make sense for an unattended run; otherwise the last one wins.
  bool multipleFilesWithoutSend() const {
    return fileCount > 1 && !batch && !watch && !fetchOrders && !status;
  }
};

// One switch the program knows, for the parser and the usage text alike.
struct CommandLineSwitch {
  const char* name;       // as typed; a name starting with "/" matches in any case
  const char* alias;      // another spelling, or nullptr
  const char* valueName;  // the value it takes from the next argument ("DIR"), or nullptr
  const char* help;       // one line for the usage text
  void (*apply)(CommandLine& line, const std::string& value);
};

const std::vector<CommandLineSwitch>& commandLineSwitches();

CommandLine examineCommandLine(const std::vector<std::string>& arguments);

}  // namespace zelvaro::core
