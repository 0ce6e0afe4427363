#pragma once

// Text rules of the message on the wire: header values that cannot break a header apart,
// header lines folded instead of cut, body lines that cannot end the message early.

#include <string>
#include <string_view>
#include <vector>

namespace zelvaro::net {

// A value for a header line or a command: each CR and each LF becomes a space, so a value can
// never start a line of its own.
std::string singleLine(std::string_view value);

// Text fit to quote in a message or a log line: each control byte becomes \xNN.
std::string printableText(std::string_view text);

// Blanks and control characters off both ends.
std::string trimmed(std::string_view text);

// Folds every physical line of `text` (lines joined by CR LF) that is longer than RFC 5322
// allows, at a space or after a comma, into lines of at most 78 characters where such a point
// exists; a line without any such point is broken at the limit. Shorter lines stay as they are.
std::string foldHeaderLine(std::string_view text);

// One line of text (no line break in it) as quoted-printable (RFC 2045 6.7): lines of at most 76
// characters, each but the last ending in a soft break "=", which a reader joins back into the
// line. Bytes other than printable ASCII, "=" itself, and a blank at the end are written =XX.
std::vector<std::string> quotedPrintableLines(std::string_view line);

// Base64 of `count` bytes on one line (RFC 2045 alphabet and padding, no line break): 60
// characters for 45 bytes, an attachment's line.
std::string base64Line(const unsigned char* bytes, size_t count);
std::string base64Line(std::string_view text);
// The same characters, appended to `text`.
void appendBase64(const unsigned char* bytes, size_t count, std::string& text);

// The wire lines of one body line: it is cut at every CR LF, lone CR and lone LF.
std::vector<std::string_view> splitBodyLine(std::string_view line);

}  // namespace zelvaro::net
