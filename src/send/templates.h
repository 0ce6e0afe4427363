#pragma once

// Filling the subject and body templates of a turn mail, and turning a player's e-mail field
// into the list of recipients.

#include <optional>
#include <string>
#include <vector>

namespace zelvaro::send {

// What the placeholders stand for while one player's mail is filled.
struct TemplateValues {
  int year = 0;                  // %Y
  std::string gameName;          // %G
  std::string PlayerNumberText;  // %P: the slot number, at most 12 characters
};

// The player number as %P shows it.
std::string playerNumberText(int slot);

// Fills one line. After a "%" the letters y, g and p (either case) are taken in that order,
// each at most once, each one present replaced: "%YGP" is year, game and player run
// together, while "%GY" is the game name and a "Y". A "%" followed by anything else stays.
std::string FillTemplate(const std::string& text, const TemplateValues& values);

// Every blank removed and every ";" made a ",": the To header value. A quoted local part
// ("first last"@example.org) is kept as written.
std::string NormalizeAddressList(const std::string& text);

// The envelope recipients of a normalised list, in order: its CommaList items, so ",," gives
// an empty item and a trailing "," none; an address with a quoted local part is one item, quotes
// and all.
std::vector<std::string> recipientsOf(const std::string& normalized);

struct UnmailableAddress {
  std::string address;
  std::string fault;  // why, in a few plain words
};

// The first address of a normalised list that must not be mailed to: one RFC 5321 does not allow
// (a blank or a control character, which would split it or a command apart, "<" or ">", no "@").
// Empty items are no addresses and pass.
std::optional<UnmailableAddress> firstUnmailableAddress(const std::string& normalized);

}  // namespace zelvaro::send
