#pragma once

// Every size limit of the SMTP engine and the message composer, in one place.

#include <cstddef>

namespace zelvaro::net::smtp_limits {

// Reply text not yet split into lines, with room for a terminating zero: a reply line of 4093
// characters plus CR LF is the longest that can be completed.
inline constexpr int kReplyBufferSize = 4096;
inline constexpr int kReplyPendingMax = kReplyBufferSize - 1;

// One reply, however it trickles in, may take this long and this many lines.
inline constexpr int kReplyTimeLimitMs = 120000;
inline constexpr int kReplyLinesMax = 1000;

// The buffer a header line is handed to the hooks in, terminating zero included.
inline constexpr int kLineBufferSize = 1024;
// A header line too long for the line buffer gets this much room for the hooks to add to it.
inline constexpr int kHeaderHookRoom = 256;
// RFC 5322: a header line must not exceed 998 characters and should not exceed 78.
inline constexpr int kHeaderLineMax = 998;
inline constexpr int kHeaderFoldWidth = 78;

// RFC 5321 4.5.3.1.6: a line of text on the wire, without its CR LF. A text part with a longer
// line goes out quoted-printable, whose lines are at most this wide (RFC 2045 6.7).
inline constexpr int kWireLineMax = 998;
inline constexpr std::size_t kQuotedPrintableWidth = 76;
// A body line is asked of its owner again in a buffer this many times larger while it fills the
// buffer, up to the longest line taken whole.
inline constexpr int kBodyLineGrowth = 4;
inline constexpr int kBodyLineLongest = 16 * 1024 * 1024;

// Body lines are asked for with this MaxLen; dot-stuffing may add one character, so the body
// buffer holds one more than the line buffer.
inline constexpr int kBodyMaxLen = kLineBufferSize - 1;
inline constexpr int kBodyBufferSize = kLineBufferSize + 1;

// The message goes to the socket in blocks of about this many bytes, not a line at a time.
inline constexpr int kSendBlockSize = 64 * 1024;
// While the connection takes every block at once, the next is made in the same turn of the
// event loop, up to this many bytes or milliseconds; then the window gets its turn.
inline constexpr int kSendTurnBytes = 256 * 1024;
inline constexpr int kSendTurnMs = 2;

// Accepted reply codes of one command, not counting the terminating 0 entry.
inline constexpr int kMaxAcceptedCodes = 15;

// Bytes of an attachment per base64 line: 45 bytes give 60 characters.
inline constexpr int kBase64BytesPerLine = 45;
// An attachment is read through a buffer of this size, whatever the size of the file.
inline constexpr int kAttachmentReadBuffer = 64 * 1024;

}  // namespace zelvaro::net::smtp_limits
