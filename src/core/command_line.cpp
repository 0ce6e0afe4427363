#include "core/command_line.h"

#include <algorithm>
#include <cctype>

namespace zelvaro::core {

bool isSendSwitch(const std::string& argument) {
  static const std::string send = "/send";
  return argument.size() == send.size() &&
         std::equal(argument.begin(), argument.end(), send.begin(), [](char a, char b) {
           return std::tolower(static_cast<unsigned char>(a)) == b;
         });
}

namespace {

bool isAnswerOnly(const std::string& argument) {
  return argument == "--help" || argument == "--version";
}

}  // namespace

std::vector<std::string> CommandLine::gameFiles() const {
  std::vector<std::string> paths;
  for (const auto& argument : arguments) {
    if (!isSendSwitch(argument) && !isAnswerOnly(argument)) paths.push_back(argument);
  }
  return paths;
}

CommandLine examineCommandLine(const std::vector<std::string>& arguments) {
  CommandLine line;
  line.arguments = arguments;
  for (const auto& argument : arguments) {
    if (argument == "--help") {
      line.help = true;
    } else if (argument == "--version") {
      line.version = true;
    } else if (isSendSwitch(argument)) {
      line.batch = true;
    } else {
      line.pendingGameFile = argument;
      ++line.fileCount;
    }
  }
  return line;
}

}  // namespace zelvaro::core
