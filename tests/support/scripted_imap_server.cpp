#include "support/scripted_imap_server.h"

namespace zelvaro::test {

ScriptedImapServer& ScriptedImapServer::greetAndLogIn(const std::string& capabilities) {
  line("* OK [CAPABILITY " + capabilities + "] scripted.test ready");
  reply("A1 OK [CAPABILITY " + capabilities + "] Logged in");
  return *this;
}

ScriptedImapServer& ScriptedImapServer::answerSelect(const std::string& tag, int exists,
                                                     unsigned uidValidity) {
  expectLine();
  line("* FLAGS (\\Answered \\Flagged \\Deleted \\Seen \\Draft)");
  line("* " + std::to_string(exists) + " EXISTS");
  line("* 0 RECENT");
  line("* OK [UIDVALIDITY " + std::to_string(uidValidity) + "] UIDs valid");
  line(tag + " OK [READ-WRITE] Select completed");
  return *this;
}

std::string ScriptedImapServer::fetchResponse(int number, unsigned uid, const std::string& message,
                                              const char* section) {
  return "* " + std::to_string(number) + " FETCH (UID " + std::to_string(uid) + " RFC822.SIZE " +
         std::to_string(message.size()) + " " + section + " {" + std::to_string(message.size()) +
         "}\r\n" + message + ")\r\n";
}

}  // namespace zelvaro::test
