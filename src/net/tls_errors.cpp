#include "net/tls_errors.h"

namespace zelvaro::net {

namespace {

struct TlsErrorEntry {
  int error;
  const char* text;
};

constexpr TlsErrorEntry kTexts[] = {
    {tlsHandshakeFailed, "TLS handshake failed"},
    {tlsCertificateNotTrusted, "Server certificate not trusted"},
    {tlsHostNameMismatch, "Server certificate is for another host name"},
    {tlsStartTlsNotOffered, "Server does not offer STARTTLS; nothing was sent in cleartext"},
    {tlsCaFileUnreadable, "CA file could not be read"},
    {tlsSetupFailed, "TLS could not be set up"},
    {tlsProtocolError, "TLS connection broken"},
    {authNotOffered, "Server offers no login mechanism that can be used"},
    {messageTooBig, "Message too big for the server"},
    {addressNotValid, "Not an address the envelope can carry"},
    {addressNeedsSmtpUtf8,
     "The server does not offer SMTPUTF8, which letters beyond ASCII before the @ need"},
    {replyTooLong, "Reply too long"},
    {replyLineTooLong, "Reply line too long"},
    {notAnSmtpReply, "Not an SMTP reply"},
};

}  // namespace

std::string TlsErrorText(int error) {
  for (const TlsErrorEntry& entry : kTexts) {
    if (entry.error == error) return entry.text;
  }
  return "Not a TLS error";
}

bool IsTlsError(int error) {
  for (const TlsErrorEntry& entry : kTexts) {
    if (entry.error == error) return true;
  }
  return false;
}

}  // namespace zelvaro::net
