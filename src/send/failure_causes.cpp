#include "send/failure_causes.h"

#include <algorithm>
#include <cctype>

#include "net/smtp_reply.h"
#include "net/tls_errors.h"
#include "platform/socketerrors.h"

namespace zelvaro::send {

namespace {

bool mentions(const std::string& reply, const std::string& word) {
  auto same = [](char a, char b) {
    return std::toupper(static_cast<unsigned char>(a)) ==
           std::toupper(static_cast<unsigned char>(b));
  };
  return std::search(reply.begin(), reply.end(), word.begin(), word.end(), same) != reply.end();
}

// "Server certificate not trusted: <detail> (TLS error #30002)" -> "<detail>".
std::string tlsDetail(const std::string& reply) {
  const size_t begin = reply.find(": ");
  const size_t end = reply.rfind(" (TLS error");
  if (begin == std::string::npos || end == std::string::npos || end <= begin) return reply;
  return reply.substr(begin + 2, end - begin - 2);
}

FailureCause stop(std::string text) {
  return {std::move(text), true};
}

}  // namespace

std::string failureText(int error, const std::string& message) {
  const net::ReplyCode reply = net::parseReplyCode(message);
  if (reply.wellFormed && reply.code == error) return message;
  const std::string number = "#" + std::to_string(error) + ")";
  if (message.find(number) != std::string::npos) return message;
  const bool socket = error >= 10000 && error < 12000;
  return (message.empty() ? platform::SocketErrorText(error) : message) +
         (socket ? " (Winsock error " : " (error ") + number;
}

FailureCause failureCause(int error, const std::string& reply, const std::string& host) {
  const std::string ports = "set Security to STARTTLS (port 587) or TLS (port 465)";
  switch (error) {
    case net::tlsStartTlsNotOffered:
      return stop(
          "The server does not offer STARTTLS, so nothing was sent in cleartext: set Security to "
          "TLS (port 465) if the provider offers it, or check the server name.");
    case net::tlsCertificateNotTrusted:
      return stop("The certificate of " + host + " was refused (" + tlsDetail(reply) +
                  "): for a server with a certificate of its own CA, put that CA in CA file.");
    case net::tlsHostNameMismatch:
      return stop("The certificate of " + host + " was refused (" + tlsDetail(reply) +
                  "): check the server name, which must be the one the certificate names.");
    case net::tlsHandshakeFailed:
    case net::tlsProtocolError:
      if (mentions(reply, "client certificate")) {
        return stop(
            "The server wants a certificate of yours (a client certificate), which this program "
            "cannot send: use the provider's port for a password login instead (587 with "
            "STARTTLS, or 465 with TLS).");
      }
      return stop("TLS with " + host +
                  " failed: check that the port goes with the security (587 for STARTTLS, "
                  "465 for TLS).");
    case net::tlsCaFileUnreadable:
      return stop("The CA file (cafile) could not be read as PEM certificates.");
    case net::authNotOffered:
      return stop("The server offers no login this program can use here: " + ports +
                  ", since many servers offer a login only over TLS, or choose another Auth.");
    default:
      break;
  }
  // Microsoft's refusals of a password login come as 535 or 550 with these codes.
  if (mentions(reply, "5.7.30") || mentions(reply, "5.7.139")) {
    return stop(
        "The provider accepts only OAuth2 logins: choose XOAUTH2 as Auth and a password command "
        "that prints an access token.");
  }
  if (error == 535 || error == 534) {
    return stop(
        "The server refused the user name or password. Gmail, Yahoo, GMX and Fastmail need an "
        "app password, made in the account's security settings, instead of the account's own.");
  }
  if (error == 530) {
    if (mentions(reply, "STARTTLS") || mentions(reply, "TLS")) {
      return stop("this server wants an encrypted connection: set Security to STARTTLS");
    }
    return stop("The server wants a login: set User and the password in Settings.");
  }
  // RFC 4954's "temporary authentication failure": providers answer it to too many logins, and
  // every further one prolongs the lock-out.
  if (error == 454) {
    return stop(
        "The server refuses logins for now (" + reply +
        "): nothing more was tried, so as not to prolong a lock-out; send again in an hour.");
  }
  if (error == platform::WSAETIMEDOUT) {
    return stop(
        "The server stopped answering, so the other players were not tried (each would wait as "
        "long): check the server name and that the port goes with the security (587 for "
        "STARTTLS, 465 for TLS).");
  }
  return {};
}

FailureCause senderRefusedCause(const std::string& sender, bool loggedIn) {
  if (loggedIn) {
    return stop("this login may not send as " + sender +
                ": set the return address to an address of that account");
  }
  return stop("The server does not take " + sender +
              " as the sender: set the return address to an address of your account with the "
              "provider, or set User and the password in Settings.");
}

}  // namespace zelvaro::send
