#pragma once

// Runs the requests of an SMTP client one after the other, as the send session does, and keeps
// every OnRequestDone it raised. Header-only: only the test programs of net and send use it.

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "net/smtp_client.h"
#include "platform/eventloop.h"
#include "support/wait.h"

namespace zelvaro::test {

class SmtpRequests {
 public:
  struct End {
    net::TSmtpRequest request;
    int error;
  };

  explicit SmtpRequests(net::TCustomSmtpClient& client) {
    client.OnRequestDone = [this](net::TCustomSmtpClient&, net::TSmtpRequest request, int error) {
      ends.push_back({request, error});
    };
  }

  // Starts a request and waits for its end; a request that never ends fails the test.
  End run(const std::function<void()>& start) {
    const size_t before = ends.size();
    start();
    if (!waitUntil([&] { return ends.size() > before; })) {
      ADD_FAILURE() << "the request did not end";
      return {net::rqConnect, -1};
    }
    return ends.back();
  }

  // Lets whatever is queued run, so that a second, wrong OnRequestDone would show.
  static void settle() {
    for (int i = 0; i < 20; ++i) platform::processMessages();
  }

  std::vector<End> ends;
};

inline bool operator==(const SmtpRequests::End& a, const SmtpRequests::End& b) {
  return a.request == b.request && a.error == b.error;
}

inline std::ostream& operator<<(std::ostream& out, const SmtpRequests::End& end) {
  return out << "{request " << static_cast<int>(end.request) << ", error " << end.error << "}";
}

}  // namespace zelvaro::test
