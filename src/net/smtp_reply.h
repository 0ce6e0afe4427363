#pragma once

// Reply text as it arrives: complete lines are taken off the front of a fixed buffer, and the
// code at the head of each line is read without trusting the line to hold one.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zelvaro::net {

// Takes the first line ended by CR LF off the front of the `length` bytes pending in `buffer`,
// moves the rest down and returns the line without its line end. Nothing when no line is
// complete yet. A zero byte is kept as part of the line.
std::optional<std::string> takeReplyLine(char* buffer, int& length);

struct ReplyCode {
  int code = 0;
  // A "-" right after the code: more lines of the same reply follow.
  bool continuation = false;
  // The line is a reply line at all: anything else must never pass for a success.
  bool wellFormed = false;
};

// RFC 5321 4.2: three digits, the first 2 to 5, then a space, a "-" or the end of the line.
// Any other line gives code 0 and wellFormed false.
ReplyCode parseReplyCode(std::string_view line);

// What the server's EHLO reply announced.
struct SmtpCapabilities {
  bool startTls = false;
  bool eightBitMime = false;
  std::vector<std::string> authMechanisms;  // upper case, in the server's order
  bool pipelining = false;                  // RFC 2920
  bool smtpUtf8 = false;                    // RFC 6531
  bool sizeOffered = false;                 // RFC 1870, with or without a limit
  std::uint64_t size = 0;                   // SIZE's limit; 0 when none was announced
  std::vector<std::string> lines;           // the reply's lines as received
};

// Reads one line of an EHLO reply ("250-AUTH PLAIN LOGIN", "250 SIZE 1000"). The first line
// names the server, not a capability.
void addCapabilityLine(SmtpCapabilities& capabilities, std::string_view line);

}  // namespace zelvaro::net
