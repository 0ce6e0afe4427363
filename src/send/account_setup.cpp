#include "send/account_setup.h"

#include <algorithm>
#include <cctype>

#include "net/sasl.h"
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

// Only this machine can read a connection to itself: a tunnel's local end (ssh -L, stunnel)
// carries the login encrypted from there on. Judged by the name as written, before any lookup.
bool isLoopbackHost(std::string host) {
  for (char& c : host) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (host == "localhost" || host.ends_with(".localhost") || host == "::1" || host == "[::1]") {
    return true;
  }
  if (!host.starts_with("127.")) return false;
  int parts = 2;
  for (size_t i = 4; i < host.size(); ++i) {
    if (host[i] == '.') {
      if (host[i - 1] == '.' || ++parts > 4) return false;
    } else if (!std::isdigit(static_cast<unsigned char>(host[i]))) {
      return false;
    }
  }
  return parts == 4 && host.back() != '.';
}

void forgetSecret(std::string& secret) {
  net::wipeSecret(secret);
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
  if (*security == core::MailSecurity::None && !isLoopbackHost(settings.serverAddress().host)) {
    return "a login over an unencrypted connection would show your password: set Security to "
           "STARTTLS or TLS";
  }
  Credentials credentials = credentialsFor(account, settings.serverAddress().host, whileWaiting);
  if (!credentials.ok) return credentials.problem;
  client.Password = std::move(credentials.password);
  return "";
}

}  // namespace zelvaro::send
