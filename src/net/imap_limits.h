#pragma once

// Every size and time limit of the IMAP engine, in one place.

#include <cstddef>
#include <cstdint>

namespace zelvaro::net::imap_limits {

// The text of one response with its literals cut out. A SEARCH of a large mailbox is the longest
// a server sends us honestly: 100,000 UIDs of up to ten digits.
inline constexpr std::size_t kResponseTextMax = 1024 * 1024;
// One literal, and all literals of one response together. A message over kWholeMessageMax is
// fetched as its header only, so anything near this is a server that lies about sizes.
inline constexpr std::uint64_t kLiteralMax = 16 * 1024 * 1024;
inline constexpr std::uint64_t kResponseLiteralsMax = 20 * 1024 * 1024;
// Literals of one response (a LIST name, a FETCH's body): a few are usual.
inline constexpr std::size_t kLiteralsPerResponse = 64;
// Nesting of parenthesised lists in a response (BODYSTRUCTURE would need more; we never ask).
inline constexpr int kListDepthMax = 16;

// A message larger than this is not fetched whole: its header is enough to refuse it.
inline constexpr std::uint64_t kWholeMessageMax = 4 * 1024 * 1024;

// Received bytes taken from the socket per read.
inline constexpr int kReceiveChunk = 64 * 1024;

// A command's responses, however they trickle in, may take this long from the command on
// (a FETCH of a large message on a slow line included).
inline constexpr int kCommandTimeLimitMs = 120000;
// RFC 2177: the server may drop an idle client after 30 minutes; IDLE is renewed before that.
inline constexpr int kIdleRenewMs = 29 * 60 * 1000 - 30 * 1000;
// Without IDLE the mailbox is asked every five minutes.
inline constexpr int kPollIntervalMs = 5 * 60 * 1000;

// UIDs asked for in one UID FETCH, MOVE or COPY command: keeps each command line short.
inline constexpr std::size_t kUidsPerCommand = 256;

}  // namespace zelvaro::net::imap_limits
