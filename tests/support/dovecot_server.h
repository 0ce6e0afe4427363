#pragma once

// A real IMAP server for the tests: Dovecot in a temporary folder of its own (its dovecot.conf,
// run and state folders, log, a passwd-file with one user, maildir), listening on free loopback
// ports, plain with STARTTLS and implicit TLS, under the tests' throw-away CA. Started by the
// constructor, stopped by the destructor; works as root (mail then belongs to "nobody") and as
// any other user.

#include <sys/types.h>

#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "support/test_certificates.h"

namespace zelvaro::test {

class DovecotServer {
 public:
  static constexpr const char* kUser = "host@example.org";
  static constexpr const char* kPassword = "s3cret-Pa55";

  // `capabilitiesOff`: capabilities the server must not offer (for instance "MOVE" or "IDLE"),
  // to take the client down its other paths against the real thing.
  explicit DovecotServer(const std::vector<std::string>& capabilitiesOff = {});
  ~DovecotServer();
  DovecotServer(const DovecotServer&) = delete;
  DovecotServer& operator=(const DovecotServer&) = delete;

  int imapPort() const { return imapPort_; }    // plain, STARTTLS offered
  int imapsPort() const { return imapsPort_; }  // TLS from the first byte
  // Certificates for "localhost".
  std::string caFile() const { return certificates_.caFile(); }

  // Puts the message into the folder ("INBOX", or "Zelvaro.Rejected" with Dovecot's "."
  // separator) the way a delivery agent does: a new file in its maildir's new/.
  void deliver(const std::string& message, const std::string& folder = "INBOX");
  // The messages in the folder (new/ and cur/), in the order of their file names (a delivery's
  // time first); nothing for a folder that does not exist.
  std::vector<std::string> messages(const std::string& folder) const;
  // The server's log, for a failing test's message.
  std::string log() const;
  // The folder's maildir, where Dovecot keeps its index and UID list beside the mail.
  std::string folderPath(const std::string& folder) const;

 private:
  void waitForListener() const;
  void stop();

  TempDir root_;
  TestCertificates certificates_;
  int imapPort_ = 0;
  int imapsPort_ = 0;
  uid_t mailUid_ = 0;
  gid_t mailGid_ = 0;
  pid_t pid_ = -1;
  int delivered_ = 0;
};

}  // namespace zelvaro::test
