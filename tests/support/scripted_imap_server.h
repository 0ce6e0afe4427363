#pragma once

// An IMAP server of the tests' own: the scripted line server of the SMTP tests (replies,
// pauses, bytes one at a time, TLS, closing at any point, the exact transcript) with IMAP's
// usual exchanges added. The client's tags are A1, A2, ... in order, so scripts name them.

#include <string>

#include "support/scripted_smtp_server.h"

namespace zelvaro::test {

class ScriptedImapServer : public ScriptedSmtpServer {
 public:
  static constexpr const char* kCapabilities =
      "IMAP4rev1 SASL-IR LITERAL+ IDLE MOVE UIDPLUS AUTH=PLAIN AUTH=LOGIN";

  // The greeting with its capabilities, then AUTHENTICATE PLAIN (tag A1) accepted.
  ScriptedImapServer& greetAndLogIn(const std::string& capabilities = kCapabilities);
  // SELECT answered for a folder with `exists` messages and this UIDVALIDITY.
  ScriptedImapServer& answerSelect(const std::string& tag, int exists, unsigned uidValidity);
  // One FETCH response carrying the message as a literal, as Dovecot sends it.
  static std::string fetchResponse(int number, unsigned uid, const std::string& message,
                                   const char* section = "BODY[]");
};

}  // namespace zelvaro::test
