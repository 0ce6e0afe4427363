#pragma once

// Mail addresses as RFC 5321 writes them in the envelope (with RFC 6531's letters beyond ASCII):
// a dot-atom or a quoted local part, "@", and a domain or an address literal.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zelvaro::net {

struct MailAddress {
  std::string localPart;  // as written, quotes and all
  std::string domain;     // as written; an address literal keeps its brackets
};

// The address's parts, or nothing when RFC 5321 does not allow it; then `fault` (when given)
// says why in a few plain words.
std::optional<MailAddress> parseMailAddress(std::string_view text, std::string* fault = nullptr);

// The end of the quoted local part that begins at `begin` (the index after its closing quote,
// where the "@" is), or nothing when no quoted local part begins there.
std::optional<size_t> quotedLocalPartEnd(std::string_view text, size_t begin);

// A list of addresses cut at its commas outside double quotes, empty pieces included.
std::vector<std::string_view> addressListPieces(std::string_view list);

// An address as MAIL FROM and RCPT TO carry it: the local part as written, the domain in its
// ASCII form (IDNA). A local part with letters beyond ASCII needs the server's SMTPUTF8.
struct EnvelopeAddress {
  std::string text;
  bool needsSmtpUtf8 = false;
};
std::optional<EnvelopeAddress> envelopeAddress(std::string_view address,
                                               std::string* fault = nullptr);

}  // namespace zelvaro::net
