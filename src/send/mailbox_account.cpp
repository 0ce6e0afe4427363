#include "send/mailbox_account.h"

#include "net/sasl.h"
#include "net/tls_errors.h"
#include "send/account_setup.h"
#include "send/credentials.h"

namespace zelvaro::send {

namespace {

std::optional<net::SaslMechanism> mechanismOf(core::MailAuth auth) {
  switch (auth) {
    case core::MailAuth::Plain:
      return net::SaslMechanism::Plain;
    case core::MailAuth::Login:
      return net::SaslMechanism::Login;
    case core::MailAuth::XOAuth2:
      return net::SaslMechanism::XOAuth2;
    case core::MailAuth::Auto:
      break;
  }
  return std::nullopt;
}

}  // namespace

std::string mailboxFailureHint(int error) {
  if (net::IsTlsError(error)) return " (check imapsecurity, and cafile for a private CA)";
  if (error >= 10000 && error < 20000) return " (check imapserver, and that the server is up)";
  return "";
}

std::string applyMailboxAccount(net::ImapClient& client, const core::Settings& settings,
                                const std::function<void()>& whileWaiting) {
  const core::OrdersMailbox& mailbox = settings.mailbox;
  net::wipeSecret(client.password);
  if (mailbox.server.empty()) {
    return "No orders mailbox is set: enter its server in Settings (Orders mailbox) or set "
           "imapserver in zelvaro.cfg";
  }
  const core::ServerAddress address = mailbox.address();
  const auto security = core::securityFromText(mailbox.security);
  if (!security) {
    return "Unknown imapsecurity \"" + mailbox.security +
           "\" in the settings: use tls, starttls or none";
  }
  if (*security == core::MailSecurity::None && !isLoopbackHost(address.host)) {
    return "imapsecurity none would send the mailbox password in clear to " + address.host +
           ": it is only for a server on this machine; use tls or starttls";
  }
  const auto auth = core::authFromText(mailbox.auth);
  if (!auth) {
    return "Unknown imapauth \"" + mailbox.auth +
           "\" in the settings: use auto, plain, login or xoauth2";
  }
  client.host = address.host;
  client.port = address.port;
  client.security = *security == core::MailSecurity::Tls        ? net::ImapSecurity::Tls
                    : *security == core::MailSecurity::StartTls ? net::ImapSecurity::StartTls
                                                                : net::ImapSecurity::None;
  client.auth = mechanismOf(*auth);
  client.caFile = settings.account.caFile;
  client.username = mailbox.user.empty() ? settings.account.user : mailbox.user;
  if (client.username.empty()) {
    return "No user for the orders mailbox: set imapuser (or the SMTP user) in Settings";
  }
  Credentials credentials;
  if (mailbox.user.empty() && mailbox.passwordCommand.empty()) {
    credentials = credentialsFor(settings.account, settings.serverAddress().host, whileWaiting);
  } else {
    core::MailAccount own;
    own.user = client.username;
    own.passwordCommand = mailbox.passwordCommand;
    credentials = credentialsFor(own, address.host, whileWaiting);
  }
  if (!credentials.ok) return credentials.problem;
  client.password = std::move(credentials.password);
  net::wipeSecret(credentials.password);
  return "";
}

}  // namespace zelvaro::send
