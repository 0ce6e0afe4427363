#pragma once

// A composer set up as the send session sets it up, with the main window's two handlers written
// the way the session has them: the Comments line after From, and body lines served by number
// from the filled lines.

#include <gtest/gtest.h>
#include <strings.h>

#include <cstring>
#include <string>
#include <vector>

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
      static const std::string comment = "\r\nComments: This email was sent with Zelvaro.";
      if (strncasecmp(line, "From:", 5) != 0) return;
      if (std::strlen(line) + comment.size() < static_cast<size_t>(size)) {
        std::strcat(line, comment.c_str());
      }
    };
    client.OnGetData = [this](net::TCustomSmtpClient&, int number, char* line, int maxLen,
                              bool& more) {
      if (number > static_cast<int>(memo.size())) {
        more = false;
        return;
      }
      const std::string& text = memo[static_cast<size_t>(number - 1)];
      const size_t length = std::min(text.size(), static_cast<size_t>(maxLen - 1));
      std::memcpy(line, text.data(), length);
      line[length] = '\0';
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
