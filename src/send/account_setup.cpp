#include "send/account_setup.h"

#include <algorithm>

#include "send/credentials.h"

namespace zelvaro::send {

namespace {

net::TSmtpSecurity netSecurity(core::MailSecurity security) {
  switch (security) {
    case core::MailSecurity::StartTls:
      return net::TSmtpSecurity::StartTls;
    case core::MailSecurity::Tls:
      return net::TSmtpSecurity::Tls;
    case core::MailSecurity::None:
      break;
  }
  return net::TSmtpSecurity::None;
}

net::TSmtpAuthType netAuth(core::MailAuth auth) {
  switch (auth) {
    case core::MailAuth::Plain:
      return net::TSmtpAuthType::Plain;
    case core::MailAuth::Login:
      return net::TSmtpAuthType::Login;
    case core::MailAuth::XOAuth2:
      return net::TSmtpAuthType::XOAuth2;
    case core::MailAuth::Auto:
      break;
  }
  return net::TSmtpAuthType::Auto;
}

}  // namespace

void forgetSecret(std::string& secret) {
  std::fill(secret.begin(), secret.end(), '\0');
  secret.clear();
}

std::string applyAccount(net::TCustomSmtpClient& client, const core::Settings& settings,
                         const std::function<void()>& whileWaiting) {
  const core::MailAccount& account = settings.account;
  const auto security = core::securityFromText(account.security);
  if (!security) {
    return "Unknown security \"" + account.security +
           "\" in the settings: use none, starttls or tls";
  }
  const auto auth = core::authFromText(account.auth);
  if (!auth) {
    return "Unknown auth \"" + account.auth +
           "\" in the settings: use auto, plain, login or xoauth2";
  }
  client.Security = netSecurity(*security);
  client.AuthType = netAuth(*auth);
  client.Username = account.user;
  client.CaFile = account.caFile;
  forgetSecret(client.Password);
  if (account.user.empty()) return "";
  Credentials credentials = credentialsFor(account, settings.serverAddress().host, whileWaiting);
  if (!credentials.ok) return credentials.problem;
  client.Password = std::move(credentials.password);
  return "";
}

}  // namespace zelvaro::send
