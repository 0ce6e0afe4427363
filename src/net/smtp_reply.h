#pragma once

// Reply text as it arrives: complete lines are taken off the front of a fixed buffer, and the
// number at the head of each line is read without trusting the line to hold one.

#include <optional>
#include <string>
#include <string_view>

namespace zelvaro::net {

// Takes the first line ended by CR LF off the front of the `length` bytes pending in `buffer`,
// moves the rest down and returns the line without its line end. Nothing when no line is
// complete yet. A zero byte is kept as part of the line.
std::optional<std::string> takeReplyLine(char* buffer, int& length);

struct ReplyCode {
  int code = 0;
  // A "-" right after the number: more lines of the same reply follow.
  bool continuation = false;
};

// Leading spaces, tabs, CR and LF are skipped; one sign is accepted; no digit gives 0. A number
// too large for the code saturates rather than overflows.
ReplyCode parseReplyCode(std::string_view line);

}  // namespace zelvaro::net
