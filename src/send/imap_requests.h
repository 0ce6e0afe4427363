#pragma once

// One request of an IMAP client at a time, waited for by running the event loop: what the
// mailbox pass and the mailbox check do between their steps.

#include <functional>
#include <optional>

#include "net/imap_client.h"

namespace zelvaro::send {

class ImapRequests {
 public:
  // Takes over the client's onRequestDone.
  explicit ImapRequests(net::ImapClient& client);

  // Starts the request and runs the loop until it has ended: 0 or its error. A request that
  // cannot start, or a loop that is quitting, aborts the connection.
  int run(const std::function<void(net::ImapClient&)>& request);

 private:
  net::ImapClient& client_;
  std::optional<int> error_;
};

}  // namespace zelvaro::send
