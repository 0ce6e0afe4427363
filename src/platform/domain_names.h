#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zelvaro::platform {

// A domain as the DNS and the SMTP envelope spell it: a name with letters beyond ASCII in its
// IDNA (ASCII-compatible) form, "münchen.example" as "xn--mnchen-3ya.example"; an ASCII name
// unchanged. Nothing when the name has no such form.
std::optional<std::string> asciiDomain(std::string_view domain);

}  // namespace zelvaro::platform
