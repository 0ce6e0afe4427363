#include "send/password_command.h"

#include "platform/process_runner.h"

namespace zelvaro::send {

namespace {

// More than any password or token.
constexpr size_t kMaxOutput = 64 * 1024;
// A failing command's own words, shown after its status: enough for gpg's or pass's reason.
constexpr size_t kShownErrorChars = 300;

std::string statusText(const platform::ProcessResult& result) {
  if (result.end == platform::ProcessResult::End::Signalled) {
    return "was ended by signal " + std::to_string(result.signal);
  }
  // The shell's own statuses for a command it could not run.
  const int code = result.exitStatus;
  const char* meaning = code == 127   ? " (command not found)"
                        : code == 126 ? " (not executable)"
                                      : "";
  return "failed with exit status " + std::to_string(code) + meaning;
}

// Standard error on one line, cut after so many characters (never inside one).
std::string shownErrors(const std::string& errors) {
  std::string line;
  size_t characters = 0;
  for (char c : errors) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte & 0xC0) != 0x80 && ++characters > kShownErrorChars) break;
    line += byte < 0x20 || byte == 0x7F ? ' ' : c;
  }
  const size_t begin = line.find_first_not_of(' ');
  if (begin == std::string::npos) return "";
  return line.substr(begin, line.find_last_not_of(' ') + 1 - begin);
}

// Never the command line itself: `echo secret` is a command line too.
CommandSecret refused(const std::string& problem) {
  return {false, "", "The password command (passwordcommand) " + problem};
}

void forget(std::string& text) {
  platform::wipeBytes(text.data(), text.size());
  text.clear();
}

}  // namespace

CommandSecret runPasswordCommand(const std::string& command, std::chrono::milliseconds limit,
                                 const std::function<void()>& whileWaiting) {
  platform::ProcessResult result = platform::runProcess(command, {limit, kMaxOutput, whileWaiting});
  // The secret leaves this function in one place only.
  const size_t end = result.output.find('\n');
  std::string first = result.output.substr(0, end);
  forget(result.output);
  if (!first.empty() && first.back() == '\r') first.pop_back();

  if (result.end == platform::ProcessResult::End::NotStarted) {
    return refused("could not be started: " + result.problem);
  }
  if (result.end == platform::ProcessResult::End::TimedOut) {
    forget(first);
    return refused("did not finish within " +
                   std::to_string(std::chrono::duration_cast<std::chrono::seconds>(limit).count()) +
                   " s and was stopped");
  }
  if (!result.succeeded()) {
    forget(first);
    // Shown only now: a command that worked may have written anything there.
    const std::string errors = shownErrors(result.errors);
    forget(result.errors);
    return refused(statusText(result) + (errors.empty() ? "" : "; passwordcommand: " + errors));
  }
  forget(result.errors);
  if (first.empty()) return refused("printed no password (exit status 0)");
  return {true, std::move(first), ""};
}

}  // namespace zelvaro::send
