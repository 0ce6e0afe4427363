#include "net/imap_response.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "net/imap_limits.h"
#include "net/smtp_text.h"

namespace zelvaro::net {

using namespace imap_limits;

namespace {

std::string upper(std::string_view word) {
  std::string text(word);
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// The word at the front of `text` (up to a blank), taken off it.
std::string_view takeWord(std::string_view& text) {
  const size_t end = std::min(text.find(' '), text.size());
  std::string_view word = text.substr(0, end);
  text.remove_prefix(std::min(end + 1, text.size()));
  return word;
}

// A message number or count (32 bits in IMAP); nothing for any other word.
std::optional<std::uint32_t> numberWord(std::string_view text) {
  std::uint32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// "{n}" or "{n+}" at the end of a line chunk: the size of the literal that follows.
std::optional<std::uint64_t> literalAtEnd(std::string_view chunk) {
  if (chunk.empty() || chunk.back() != '}') return std::nullopt;
  const size_t open = chunk.rfind('{');
  if (open == std::string_view::npos) return std::nullopt;
  std::string_view digits = chunk.substr(open + 1, chunk.size() - open - 2);
  if (!digits.empty() && digits.back() == '+') digits.remove_suffix(1);
  if (digits.empty() || digits.size() > 19) return std::nullopt;
  std::uint64_t size = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), size);
  if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  return size;
}

class ItemParser {
 public:
  ItemParser(std::string_view text, const std::vector<std::string>& literals)
      : text_(text), literals_(literals) {}

  std::optional<std::vector<ImapItem>> all() {
    std::vector<ImapItem> items;
    if (!sequence(items, 0) || at_ != text_.size()) return std::nullopt;
    return items;
  }

 private:
  // Items up to the end of the text or a ")" (left for the caller).
  bool sequence(std::vector<ImapItem>& items, int depth) {
    while (true) {
      while (at_ < text_.size() && text_[at_] == ' ') ++at_;
      if (at_ == text_.size() || text_[at_] == ')') return true;
      ImapItem item;
      if (!one(item, depth)) return false;
      items.push_back(std::move(item));
    }
  }

  bool one(ImapItem& item, int depth) {
    const char c = text_[at_];
    if (c == '(') {
      if (depth >= kListDepthMax) return false;
      ++at_;
      item.type = ImapItem::Type::List;
      if (!sequence(item.items, depth + 1) || at_ == text_.size()) return false;
      ++at_;  // ")"
      return true;
    }
    if (c == '"') return quoted(item);
    if (c == '{') return literal(item);
    return atom(item);
  }

  bool quoted(ImapItem& item) {
    item.type = ImapItem::Type::String;
    for (++at_; at_ < text_.size(); ++at_) {
      char c = text_[at_];
      if (c == '"') {
        ++at_;
        return true;
      }
      if (c == '\\' && ++at_ < text_.size()) c = text_[at_];
      item.text += c;
    }
    return false;
  }

  bool literal(ImapItem& item) {
    const size_t close = text_.find('}', at_);
    if (close == std::string_view::npos || next_ >= literals_.size()) return false;
    item.type = ImapItem::Type::String;
    item.text = literals_[next_++];
    at_ = close + 1;
    return true;
  }

  // Up to a blank or a parenthesis outside brackets: "BODY[HEADER.FIELDS (FROM)]" is one atom.
  bool atom(ImapItem& item) {
    const size_t start = at_;
    int brackets = 0;
    for (; at_ < text_.size(); ++at_) {
      const char c = text_[at_];
      if (c == '[') ++brackets;
      if (c == ']' && brackets > 0) --brackets;
      if (brackets == 0 && (c == ' ' || c == '(' || c == ')')) break;
    }
    if (brackets != 0 || at_ == start) return false;
    item.type = ImapItem::Type::Atom;
    item.text = std::string(text_.substr(start, at_ - start));
    return true;
  }

  std::string_view text_;
  const std::vector<std::string>& literals_;
  size_t at_ = 0;
  size_t next_ = 0;
};

}  // namespace

std::optional<std::vector<ImapItem>> parseImapItems(std::string_view text,
                                                    const std::vector<std::string>& literals) {
  return ItemParser(text, literals).all();
}

void ImapResponseReader::feed(std::string_view bytes) {
  if (failed()) return;
  input_.append(bytes);
  parse();
}

std::optional<ImapResponse> ImapResponseReader::next() {
  if (ready_.empty()) return std::nullopt;
  ImapResponse response = std::move(ready_.front());
  ready_.pop_front();
  return response;
}

void ImapResponseReader::parse() {
  size_t start = 0;
  while (!failed()) {
    if (literalLeft_) {
      const auto count =
          static_cast<size_t>(std::min<std::uint64_t>(*literalLeft_, input_.size() - start));
      current_.literals.back().append(input_, start, count);
      start += count;
      *literalLeft_ -= count;
      if (*literalLeft_ > 0) break;
      literalLeft_.reset();
      continue;
    }
    const size_t end = input_.find('\n', std::max(start, scanned_));
    if (end == std::string::npos) {
      scanned_ = input_.size();
      // A CR waiting for its LF is no part of the text: the limit must not depend on the split.
      const size_t waiting =
          start < input_.size() ? input_.size() - start - (input_.back() == '\r' ? 1 : 0) : 0;
      if (current_.line.size() + waiting > kResponseTextMax) {
        fail("Response too long");
      }
      break;
    }
    std::string_view chunk(input_.data() + start, end - start);
    start = end + 1;
    scanned_ = start;
    if (!chunk.empty() && chunk.back() == '\r') chunk.remove_suffix(1);
    if (chunk.find('\0') != std::string_view::npos) {
      fail("Response with a NUL byte outside a literal");
      break;
    }
    current_.line.append(chunk);
    if (current_.line.size() > kResponseTextMax) {
      fail("Response too long");
      break;
    }
    if (const std::optional<std::uint64_t> size = literalAtEnd(chunk)) {
      literalBytes_ += *size;
      if (*size > kLiteralMax || literalBytes_ > kResponseLiteralsMax ||
          current_.literals.size() >= kLiteralsPerResponse) {
        fail("Literal too large: {" + std::to_string(*size) + "}");
        break;
      }
      current_.literals.emplace_back().reserve(static_cast<size_t>(*size));
      literalLeft_ = *size;
      continue;
    }
    finishResponse();
  }
  input_.erase(0, std::min(start, input_.size()));
  scanned_ = scanned_ >= start ? scanned_ - start : 0;
}

void ImapResponseReader::finishResponse() {
  ImapResponse response = std::move(current_);
  current_ = {};
  literalBytes_ = 0;
  std::string_view rest(response.line);
  const std::string_view first = takeWord(rest);
  if (first.empty()) return fail("Not an IMAP response: \"" + printableText(response.line) + "\"");
  if (first == "+") {
    response.kind = ImapResponseKind::Continuation;
    response.text = std::string(rest);
    ready_.push_back(std::move(response));
    return;
  }
  if (first == "*") {
    response.kind = ImapResponseKind::Untagged;
    std::string_view word = takeWord(rest);
    if (const std::optional<std::uint32_t> number = numberWord(word)) {
      response.number = number;
      word = takeWord(rest);
    }
    response.keyword = upper(word);
  } else {
    response.kind = ImapResponseKind::Tagged;
    response.tag = std::string(first);
    response.keyword = upper(takeWord(rest));
  }
  if (response.keyword.empty()) {
    return fail("Not an IMAP response: \"" + printableText(response.line) + "\"");
  }
  const bool status = response.keyword == "OK" || response.keyword == "NO" ||
                      response.keyword == "BAD" || response.keyword == "BYE" ||
                      response.keyword == "PREAUTH";
  if (status && !rest.empty() && rest.front() == '[') {
    const size_t close = rest.find(']');
    if (close != std::string_view::npos) {
      response.code = std::string(rest.substr(1, close - 1));
      rest.remove_prefix(close + 1);
      if (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
    }
  }
  response.text = std::string(rest);
  ready_.push_back(std::move(response));
}

void ImapResponseReader::fail(std::string why) {
  failure_ = std::move(why);
  input_.clear();
  current_ = {};
  literalLeft_.reset();
}

}  // namespace zelvaro::net
