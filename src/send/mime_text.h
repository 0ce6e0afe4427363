#pragma once

// The pieces of a MIME multipart message that do not depend on the SMTP dialogue.

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

namespace zelvaro::send {

// "= Multipart Boundary mmddyyhhnn." for the given local time, then `random` in 16 hex digits:
// a body line can hold the time, never the random part.
std::string mimeBoundary(const std::tm& local, std::uint64_t random);

// The text after the last "/" of a path: on this system only "/" separates folders.
std::string attachmentFileName(std::string_view path);

// A file name between the double quotes of a name= or filename= parameter: a quote or a
// backslash is escaped, a CR or LF becomes a space.
std::string quotedParameter(std::string_view name);

}  // namespace zelvaro::send
