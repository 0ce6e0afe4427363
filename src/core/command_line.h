#pragma once

// The command line: game file paths and the switch "/send" (any case), which mails every named
// game unattended and ends. "--help" and "--version" answer and end before anything opens.

#include <string>
#include <vector>

namespace zelvaro::core {

// Exit statuses of the program.
inline constexpr int ExitOk = 0;
inline constexpr int ExitFailed = 1;  // something failed, or a message needed saying
inline constexpr int ExitUsage = 2;   // a command line it cannot use

inline constexpr const char* MultipleFilesMessage =
    "It doesn't make sense to specify multible files without the [/send] option!";

struct CommandLine {
  std::vector<std::string> arguments;  // as given, "/send" included
  bool batch = false;
  bool help = false;
  bool version = false;
  // The last path named: opened at the first activation.
  std::string pendingGameFile;
  int fileCount = 0;

  // The paths in command-line order, exactly as given.
  std::vector<std::string> gameFiles() const;
  // Several paths only make sense for a batch run; otherwise the last one wins.
  bool multipleFilesWithoutSend() const { return fileCount > 1 && !batch; }
};

bool isSendSwitch(const std::string& argument);

CommandLine examineCommandLine(const std::vector<std::string>& arguments);

}  // namespace zelvaro::core
