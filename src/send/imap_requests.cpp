#include "send/imap_requests.h"

#include <stdexcept>

#include "platform/eventloop.h"

namespace zelvaro::send {

ImapRequests::ImapRequests(net::ImapClient& client) : client_(client) {
  client_.onRequestDone = [this](net::ImapClient&, net::ImapRequest, int error) { error_ = error; };
}

int ImapRequests::run(const std::function<void(net::ImapClient&)>& request) {
  error_.reset();
  try {
    request(client_);
  } catch (const std::exception&) {
    client_.abort();
    return net::imapProtocolError;
  }
  while (!error_ && !platform::applicationTerminating()) platform::waitMessage();
  if (!error_) {
    client_.abort();
    return net::imapServerClosed;
  }
  return *error_;
}

}  // namespace zelvaro::send
