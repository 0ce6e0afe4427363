#include "send/notice_mailer.h"

#include <algorithm>

#include "platform/eventloop.h"
#include "platform/socketerrors.h"
#include "send/account_setup.h"
#include "send/failure_causes.h"
#include "send/message_hooks.h"
#include "send/mime_text.h"
#include "send/smtp_cli.h"
#include "send/smtp_requests.h"
#include "send/templates.h"

namespace zelvaro::send {

namespace {

// A value taken from received mail goes into a header only when it cannot end the line or
// start another: printable ASCII without blanks, as a Message-ID or a keyword is.
bool headerToken(const std::string& value) {
  return !value.empty() && std::all_of(value.begin(), value.end(),
                                       [](unsigned char c) { return c > 0x20 && c < 0x7f; });
}

}  // namespace

struct NoticeMailer::Impl {
  Impl(core::Settings settingsIn, NoticeMailerOptions optionsIn)
      : settings(std::move(settingsIn)),
        options(std::move(optionsIn)),
        requests(client, {options.stallTimeoutMs, options.onTrace, {}}) {
    client.ReplyTimeLimitMs = options.stallTimeoutMs;
    client.OnGetData = [this](net::TCustomSmtpClient&, int number, char* line, int maxLen,
                              bool& more) { serveBodyLine(body, number, line, maxLen, more); };
    client.OnHeaderLine = [this](net::TCustomSmtpClient&, char* line, int) {
      noteMessageId(line, messageId);
    };
    client.OnBuildHeader = [this](net::TCustomSmtpClient&, std::vector<std::string>& header) {
      if (headerToken(inReplyTo)) {
        header.push_back("In-Reply-To: " + inReplyTo);
        header.push_back("References: " + inReplyTo);
      }
      if (headerToken(autoSubmitted)) header.push_back("Auto-Submitted: " + autoSubmitted);
    };
    client.OnMessageAccepted = [this](net::TCustomSmtpClient&, const std::string& reply) {
      accepted = reply;
    };
  }

  // The account's security and login, the password fetched once for all notices.
  bool prepareAccount(NoticeOutcome& outcome) {
    if (!accountTried) {
      accountTried = true;
      accountProblem = applyAccount(client, settings, options.whileWaiting);
      const core::ServerAddress server = settings.serverAddress();
      client.Host = server.host;
      client.Port = server.port;
    }
    outcome.failure = accountProblem;
    return accountProblem.empty();
  }

  // A connection ready for the next message: the one before after RSET, else a new one.
  int ready() {
    if (client.Connected() && client.State() == net::scReady) {
      if (requests.run(&net::TCustomSmtpClient::Rset) == 0) return 0;
      client.Abort();
      platform::processMessages();
    }
    return requests.run(&net::TCustomSmtpClient::Open);
  }

  void fail(NoticeOutcome& outcome, int error) {
    if (!requests.stall().empty()) {
      outcome.failure = "the server stopped answering: " + requests.stall();
      return;
    }
    const std::string message =
        client.ErrorMessage().empty() ? platform::SocketErrorText(error) : client.ErrorMessage();
    outcome.failure = failureText(error, message);
    if (client.RefusedBy() == net::TSmtpStep::MailFrom && error >= 500 && error < 600) {
      outcome.failure += "; " + senderRefusedCause(client.FromName, !client.Username.empty()).text;
    } else if (const FailureCause cause = failureCause(error, message, client.Host);
               !cause.text.empty()) {
      outcome.failure += "; " + cause.text;
    }
  }

  core::Settings settings;
  NoticeMailerOptions options;
  TSmtpCli client;
  SmtpRequests requests;
  bool accountTried = false;
  std::string accountProblem;
  std::vector<std::string> body;
  std::string inReplyTo;
  std::string autoSubmitted;
  std::string messageId;
  std::string accepted;
};

NoticeMailer::NoticeMailer(core::Settings settings, NoticeMailerOptions options)
    : impl_(std::make_unique<Impl>(std::move(settings), std::move(options))) {}

NoticeMailer::~NoticeMailer() {
  close();
  forgetSecret(impl_->client.Password);
}

NoticeOutcome NoticeMailer::send(const Notice& notice) {
  Impl& m = *impl_;
  NoticeOutcome outcome;
  const std::string to = NormalizeAddressList(notice.to);
  if (to.empty() || to.find(',') != std::string::npos || firstUnmailableAddress(to)) {
    outcome.failure = "\"" + notice.to + "\" is not one address to mail to";
    return outcome;
  }
  if (!m.prepareAccount(outcome)) return outcome;
  if (const int error = m.ready(); error != 0) {
    m.fail(outcome, error);
    return outcome;
  }
  const std::string& alias = notice.fromName.empty() ? m.settings.defalias : notice.fromName;
  m.client.FromName = m.settings.email;
  m.client.HdrFrom = quotedDisplayName(alias) + " <" + m.settings.email + ">";
  m.client.HdrTo = to;
  m.client.RcptName = {to};
  m.client.HdrSubject = notice.subject;
  m.client.EmailFiles.clear();
  m.body = notice.body;
  m.inReplyTo = notice.inReplyTo;
  m.autoSubmitted = notice.autoSubmitted;
  m.messageId.clear();
  m.accepted.clear();
  const int error = m.requests.run(&net::TCustomSmtpClient::Mail);
  outcome.messageId = m.messageId;
  // Taken is taken, whatever came after the server's reply.
  if (!m.accepted.empty()) {
    outcome.sent = true;
    outcome.reply = m.accepted;
    return outcome;
  }
  m.fail(outcome, error);
  // A connection the server is closing is not used for the next notice.
  if (error == 421) m.client.Abort();
  return outcome;
}

void NoticeMailer::close() {
  Impl& m = *impl_;
  if (m.client.Connected() && m.client.State() == net::scReady) {
    m.requests.run(&net::TCustomSmtpClient::Quit);
  }
  if (m.client.Connected()) m.client.Abort();
  platform::processMessages();
}

}  // namespace zelvaro::send
