#pragma once

// IMAP server responses (RFC 9051 / 3501) taken from the bytes a connection delivers, however
// they are split: a response is one line, or a line broken by literals `{n}` CR LF followed by
// n bytes of anything. Pure: no socket, no clock; the engine and the tests feed it.

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zelvaro::net {

enum class ImapResponseKind { Tagged, Untagged, Continuation };

struct ImapResponse {
  ImapResponseKind kind = ImapResponseKind::Untagged;
  std::string tag;                      // Tagged only
  std::optional<std::uint32_t> number;  // "* 12 FETCH ...": 12
  std::string keyword;                  // upper case: OK, NO, BAD, BYE, CAPABILITY, FETCH, ...
  std::string code;                     // "[UIDVALIDITY 7]" after a status word: "UIDVALIDITY 7"
  std::string text;                     // what follows keyword and code
  std::vector<std::string> literals;    // in order; `line` and `text` keep their "{n}" markers
  std::string line;                     // the whole response without CR LF, literals cut out

  bool isStatus(const char* word) const { return keyword == word; }
};

// An element of a parenthesised list: an atom (NIL included, as the atom "NIL"), a string
// (quoted or literal, unquoted), or a list.
struct ImapItem {
  enum class Type { Atom, String, List } type = Type::Atom;
  std::string text;
  std::vector<ImapItem> items;
};

// The items of `text` (a FETCH's "(UID 4 RFC822.SIZE 120 BODY[] {120})", a LIST's
// "(\HasNoChildren) "/" INBOX"); literal markers take the response's literals in order. Nothing
// when the text is not well formed.
std::optional<std::vector<ImapItem>> parseImapItems(std::string_view text,
                                                    const std::vector<std::string>& literals);

class ImapResponseReader {
 public:
  // Takes the next bytes; complete responses queue up for next(). After a failure every byte is
  // ignored.
  void feed(std::string_view bytes);
  std::optional<ImapResponse> next();
  // The stream cannot be an IMAP server's: why, in one line (then nothing more comes out).
  const std::string& failure() const { return failure_; }
  bool failed() const { return !failure_.empty(); }
  // Bytes taken that belong to no complete response yet.
  std::size_t pendingBytes() const { return input_.size() + current_.line.size(); }

 private:
  void parse();
  bool takeLine();
  void takeLiteral();
  void finishResponse();
  void fail(std::string why);

  std::string input_;
  std::size_t scanned_ = 0;                   // bytes of input_ already known to hold no LF
  std::optional<std::uint64_t> literalLeft_;  // inside a literal: bytes still to come
  std::uint64_t literalBytes_ = 0;
  ImapResponse current_;
  std::deque<ImapResponse> ready_;
  std::string failure_;
};

}  // namespace zelvaro::net
