#pragma once

// Failures that no server reply carries: TLS, a login the server offers no way to make, a
// message or an address the server cannot take, a reply that cannot be read. They end Open the way socket errors do; the request's ErrorMessage() reads
// "<text>: <detail> (TLS error #<n>)", the detail naming the verification error and the host
// where there is one.

#include <string>

namespace zelvaro::net {

// The TLS handshake did not complete (protocol, version or cipher refused, or the peer spoke
// no TLS at all).
inline constexpr int tlsHandshakeFailed = 30001;
// The server's certificate does not lead to a trusted authority, or is expired or unusable.
inline constexpr int tlsCertificateNotTrusted = 30002;
// The certificate is valid but for another host name than the one connected to.
inline constexpr int tlsHostNameMismatch = 30003;
// STARTTLS was required and the server's EHLO did not offer it: nothing more was sent.
inline constexpr int tlsStartTlsNotOffered = 30004;
// The CA file could not be read as PEM certificates.
inline constexpr int tlsCaFileUnreadable = 30005;
// The TLS library could not be set up.
inline constexpr int tlsSetupFailed = 30006;
// The encrypted connection broke after the handshake (a bad record, a truncated stream).
inline constexpr int tlsProtocolError = 30007;
// A user is set and the server offers none of the login mechanisms asked for (or no AUTH).
inline constexpr int authNotOffered = 30008;

// The server announced a SIZE limit the message exceeds: nothing of it was sent.
inline constexpr int messageTooBig = 30009;

// An address the envelope cannot carry: not an address RFC 5321 allows, or one with letters
// beyond ASCII before the "@" for a server without SMTPUTF8. No command was sent for it.
inline constexpr int addressNotValid = 30010;
inline constexpr int addressNeedsSmtpUtf8 = 30011;

// What the server sent cannot be read as SMTP: the conversation is broken off.
inline constexpr int replyTooLong = 30012;
inline constexpr int replyLineTooLong = 30013;
inline constexpr int notAnSmtpReply = 30014;

// The fixed English text of one of the numbers above; "Not a TLS error" for any other.
std::string TlsErrorText(int error);

// True for the numbers above.
bool IsTlsError(int error);

}  // namespace zelvaro::net
