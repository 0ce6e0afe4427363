#pragma once

// The pieces of a MIME multipart message that do not depend on the SMTP dialogue.

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

namespace zelvaro::send {

// "= Multipart Boundary mmddyyhhnn." for the given local time, then `random` in 16 hex digits:
// a body line can hold the time, never the random part.
std::string mimeBoundary(const std::tm& local, std::uint64_t random);

// The text after the last "/" of a path: on this system only "/" separates folders.
std::string attachmentFileName(std::string_view path);

// A file name between the double quotes of a name= or filename= parameter: a quote or a
// backslash is escaped, a CR or LF becomes a space.
std::string quotedParameter(std::string_view name);

// True when every byte is 7-bit ASCII.
bool isAscii(std::string_view text);

// A header value for readers that expect ASCII: unchanged when it is ASCII, else RFC 2047
// encoded words (UTF-8, base64) of at most 75 characters, folded onto further lines, never
// splitting a character.
std::string encodedWords(std::string_view text);

// A From or To value `"Display Name" <address>` with a display name that is not ASCII: the
// name as encoded words, the address as it is. Other values come back unchanged.
std::string encodedMailbox(std::string_view value);

// A To value of addresses joined by commas, each domain in its ASCII form (IDNA) as in the
// envelope; an address with letters beyond ASCII before its "@" stays as written.
std::string asciiDomains(std::string_view addresses);

// The Content-Type value of a file to attach: Stars! files (.xy, .hst, .x<N>, .m<N>, .h<N>,
// .r<N>) "application/octet-stream" whatever their bytes look like; a text file "text/plain"
// with its charset where known; otherwise what the file's name and bytes say.
std::string attachmentContentType(const std::string& path);

// A parameter `name` of a MIME header line for a file name: `name="abc.m3"` when ASCII, else
// RFC 2231 `name*=UTF-8''...` with every other byte percent-encoded.
std::string fileNameParameter(std::string_view name, std::string_view fileName);

// An RFC 5322 quoted string for a display name: a mail reader takes `"The \"Host\""` for the
// name The "Host".
std::string quotedDisplayName(std::string_view name);

// "<random@domain>" for a Message-ID, the domain taken from the return address.
std::string messageId(std::string_view returnAddress);

}  // namespace zelvaro::send
