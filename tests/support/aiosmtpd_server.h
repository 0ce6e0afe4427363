#pragma once

// A real SMTP server for the tests: Debian's aiosmtpd on a free loopback port, started by the
// constructor and stopped by the destructor. Each message it accepts is parsed by Python's email
// package; the results are files the test reads (see aiosmtpd_sink.py).

#include <sys/types.h>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace zelvaro::test {

class AiosmtpdServer {
 public:
  // `options` as aiosmtpd_sink.py takes them: "security=starttls", "user=host", ...
  explicit AiosmtpdServer(const std::vector<std::string>& options = {});
  ~AiosmtpdServer();
  AiosmtpdServer(const AiosmtpdServer&) = delete;
  AiosmtpdServer& operator=(const AiosmtpdServer&) = delete;

  int port() const { return port_; }
  // What the parser found for message `number` (from 1): "from", "text", "attachment-1", ...
  std::string message(int number, const std::string& item) const;
  bool hasMessage(int number) const;
  // The address of every MAIL FROM the server was sent, a line each.
  std::string mailCommands() const;
  // With quit-delay: how many QUITs arrived so far.
  int quitsArrived() const;

 private:
  void stop();

  TempDir folder_;
  pid_t pid_ = -1;
  int input_ = -1;
  int port_ = 0;
};

}  // namespace zelvaro::test
