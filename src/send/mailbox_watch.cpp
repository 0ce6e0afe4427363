// MailboxWatch (declared in orders_mailbox.h): one connection that idles in the orders folder,
// or a timer where the server cannot idle.

#include <algorithm>

#include "net/imap_client.h"
#include "net/imap_limits.h"
#include "net/sasl.h"
#include "platform/eventloop.h"
#include "send/mailbox_account.h"
#include "send/orders_mailbox.h"

namespace zelvaro::send {

namespace {
constexpr int kFirstRetryMs = 60 * 1000;
constexpr int kLongestRetryMs = 15 * 60 * 1000;
}  // namespace

struct MailboxWatch::Impl {
  enum class Phase { Stopped, Connecting, Idling, Renewing, Polling, Waiting };

  Impl(core::Settings s, std::function<void()> mayHaveMail,
       std::function<void(const std::string&)> problem)
      : settings(std::move(s)),
        onMayHaveMail(std::move(mayHaveMail)),
        onProblem(std::move(problem)) {
    client.onRequestDone = [this](net::ImapClient&, net::ImapRequest request, int error) {
      requestDone(request, error);
    };
    client.onMailboxChanged = [this](net::ImapClient& c) {
      newMail = true;
      c.stopIdle();
    };
    timer.onTick = [this] { tick(); };
  }

  void connect() {
    phase = Phase::Connecting;
    timer.setEnabled(false);
    if (std::string problem = applyMailboxAccount(client, settings); !problem.empty()) {
      return failed(problem);
    }
    try {
      client.open();
    } catch (const std::exception& e) {
      failed(e.what());
    }
  }

  void requestDone(net::ImapRequest request, int error) {
    // Between polls the connection only says goodbye; how it went changes nothing.
    if (phase == Phase::Stopped || request == net::ImapRequest::Logout) return;
    if (error != 0) return failed("Orders mailbox: " + client.errorMessage());
    switch (request) {
      case net::ImapRequest::Open:
        return client.select(settings.mailbox.folder);
      case net::ImapRequest::Select:
        retryMs = kFirstRetryMs;
        if (client.hasCapability("IDLE")) {
          idle();
        } else {
          // Nothing to keep open between polls: each pass connects for itself.
          phase = Phase::Polling;
          client.logout();
          schedule(net::imap_limits::kPollIntervalMs);
        }
        return tell();
      case net::ImapRequest::Idle: {
        const bool changed = newMail;
        idle();
        if (changed) tell();
        return;
      }
      default:
        return;
    }
  }

  void idle() {
    newMail = false;
    phase = Phase::Idling;
    client.idle();
    schedule(net::imap_limits::kIdleRenewMs);
  }

  void tick() {
    switch (phase) {
      case Phase::Idling:
        phase = Phase::Renewing;
        timer.setEnabled(false);
        return client.stopIdle();
      case Phase::Polling:
        return tell();
      case Phase::Waiting:
        return connect();
      default:
        return;
    }
  }

  void failed(const std::string& problem) {
    if (onProblem) onProblem(problem);
    client.abort();
    net::wipeSecret(client.password);
    phase = Phase::Waiting;
    schedule(retryMs);
    retryMs = std::min(retryMs * 2, kLongestRetryMs);
  }

  void schedule(int milliseconds) {
    timer.setEnabled(false);
    timer.setInterval(milliseconds);
    timer.setEnabled(true);
  }

  void tell() {
    if (onMayHaveMail) onMayHaveMail();
  }

  core::Settings settings;
  std::function<void()> onMayHaveMail;
  std::function<void(const std::string&)> onProblem;
  net::ImapClient client;
  platform::Timer timer;
  Phase phase = Phase::Stopped;
  bool newMail = false;
  int retryMs = kFirstRetryMs;
};

MailboxWatch::MailboxWatch(core::Settings settings, std::function<void()> onMayHaveMail,
                           std::function<void(const std::string&)> onProblem)
    : impl_(std::make_unique<Impl>(std::move(settings), std::move(onMayHaveMail),
                                   std::move(onProblem))) {}

MailboxWatch::~MailboxWatch() {
  stop();
}

void MailboxWatch::start() {
  if (impl_->phase == Impl::Phase::Stopped) impl_->connect();
}

void MailboxWatch::stop() {
  impl_->phase = Impl::Phase::Stopped;
  impl_->timer.setEnabled(false);
  impl_->client.abort();
  net::wipeSecret(impl_->client.password);
}

bool MailboxWatch::idling() const {
  return impl_->phase == Impl::Phase::Idling && impl_->client.idling();
}

}  // namespace zelvaro::send
