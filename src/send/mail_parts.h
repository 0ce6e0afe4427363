#pragma once

// A received message taken apart for orders intake: who sent it, whether an automatic answer
// to it is allowed (RFC 3834: never to mail that is itself automatic, a bounce, or from a
// list), and every file it carries, decoded, whatever the sender's mail program did with it
// (base64, quoted-printable, uuencode in a part or inline in the text, names in RFC 2047 or
// RFC 2231, multiparts inside multiparts).

#include <string>
#include <string_view>
#include <vector>

namespace zelvaro::send {

struct MailAttachment {
  std::string name;   // decoded, UTF-8; may be empty
  std::string bytes;  // decoded
};

struct MailParts {
  bool parsed = false;         // false: not a message at all, nothing else below is set
  std::string sender;          // the From address, bare ("ann@example.org"); empty when none
  std::string messageId;       // with its angle brackets, as In-Reply-To wants it; may be empty
  std::string subject;         // decoded
  bool autoSubmitted = false;  // Auto-Submitted other than "no"
  bool bounce = false;         // an empty return path, or a multipart/report
  bool fromList = false;       // List-Id, or Precedence bulk, list or junk
  std::vector<MailAttachment> attachments;

  // Whether an automatic answer may go back to the sender.
  bool answerable() const {
    return parsed && !sender.empty() && !autoSubmitted && !bounce && !fromList;
  }
};

MailParts takeApart(std::string_view message);

}  // namespace zelvaro::send
