#pragma once

// A composer set up as the send session sets it up, with the session's two handlers on it: the
// Comments line after From, and body lines served by number from the filled lines.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "send/message_hooks.h"
#include "send/smtp_cli.h"
#include "support/smtp_requests.h"
#include "support/temp_dir.h"

namespace zelvaro::test {

class SmtpCliFixture : public ::testing::Test {
 protected:
  SmtpCliFixture() : requests(client) {
    client.Host = "127.0.0.1";
    client.SignOn = "host.test";
    client.FromName = "host@example.org";
    client.RcptName = {"player@example.org"};
    client.HdrFrom = "\"Game Host\" <host@example.org>";
    client.HdrTo = "player@example.org";
    client.HdrSubject = "Turn 2405 of abc";
    client.OnHeaderLine = [](net::TCustomSmtpClient&, char* line, int size) {
      send::addCommentsLine(line, size);
    };
    client.OnGetData = [this](net::TCustomSmtpClient&, int number, char* line, int maxLen,
                              bool& more) {
      send::serveBodyLine(memo, number, line, maxLen, more);
    };
  }

  SmtpRequests::End open() {
    return requests.run([this] { client.Open(); });
  }
  SmtpRequests::End mail() {
    return requests.run([this] { client.Mail(); });
  }
  SmtpRequests::End quit() {
    return requests.run([this] { client.Quit(); });
  }

  // Writes a file into the test's folder and lists it for attaching; returns its path.
  std::string writeAttachment(const std::string& name, const std::string& bytes) {
    const std::string path = dir.file(name);
    writeFile(path, bytes);
    client.EmailFiles.push_back(path);
    return path;
  }

  TempDir dir;
  send::TSmtpCli client;
  SmtpRequests requests;
  std::vector<std::string> memo;
};

}  // namespace zelvaro::test
