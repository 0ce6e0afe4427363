#pragma once

// The login mechanisms both mail engines speak (RFC 4616 PLAIN, the LOGIN draft, Google's
// XOAUTH2): which one to use among those a server offers, and what the client answers, base64
// encoded. The answers carry the secret; wipeSecret overwrites each once it is sent.

#include <optional>
#include <string>
#include <vector>

namespace zelvaro::net {

enum class SaslMechanism { Plain, Login, XOAuth2 };

// The mechanism's name on the wire: "PLAIN", "LOGIN", "XOAUTH2".
const char* saslName(SaslMechanism mechanism);

// `wanted` empty: PLAIN, else LOGIN. A wanted mechanism only when the server offers it; nothing
// when no usable one is offered. Names are compared in any letter case.
std::optional<SaslMechanism> chooseSasl(std::optional<SaslMechanism> wanted,
                                        const std::vector<std::string>& offered);

// The answers in the order the server asks for them: PLAIN one (also fit as an initial
// response), LOGIN two (user, then password), XOAUTH2 one (`secret` is the access token).
std::vector<std::string> saslAnswers(SaslMechanism mechanism, const std::string& user,
                                     const std::string& secret);

// Overwrites the bytes in a way the compiler keeps, then empties the string.
void wipeSecret(std::string& secret);
void wipeSecrets(std::vector<std::string>& secrets);

}  // namespace zelvaro::net
