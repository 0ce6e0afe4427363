#include "net/sasl.h"

#include <openssl/crypto.h>

#include <algorithm>
#include <cctype>

#include "net/smtp_text.h"

namespace zelvaro::net {

namespace {

bool sameName(const std::string& a, const char* b) {
  const std::string other = b;
  return std::equal(a.begin(), a.end(), other.begin(), other.end(), [](char x, char y) {
    return std::toupper(static_cast<unsigned char>(x)) == y;
  });
}

}  // namespace

const char* saslName(SaslMechanism mechanism) {
  switch (mechanism) {
    case SaslMechanism::Plain:
      return "PLAIN";
    case SaslMechanism::Login:
      return "LOGIN";
    case SaslMechanism::XOAuth2:
      break;
  }
  return "XOAUTH2";
}

std::optional<SaslMechanism> chooseSasl(std::optional<SaslMechanism> wanted,
                                        const std::vector<std::string>& offered) {
  auto offers = [&](SaslMechanism mechanism) {
    return std::any_of(offered.begin(), offered.end(), [&](const std::string& name) {
      return sameName(name, saslName(mechanism));
    });
  };
  if (wanted) return offers(*wanted) ? wanted : std::nullopt;
  for (SaslMechanism mechanism : {SaslMechanism::Plain, SaslMechanism::Login}) {
    if (offers(mechanism)) return mechanism;
  }
  return std::nullopt;
}

std::vector<std::string> saslAnswers(SaslMechanism mechanism, const std::string& user,
                                     const std::string& secret) {
  std::string clear;
  std::vector<std::string> answers;
  switch (mechanism) {
    case SaslMechanism::Plain:
      clear = std::string(1, '\0') + user + '\0' + secret;
      answers.push_back(base64Line(clear));
      break;
    case SaslMechanism::Login:
      clear = secret;
      answers = {base64Line(user), base64Line(clear)};
      break;
    case SaslMechanism::XOAuth2:
      clear = "user=" + user + "\x01" + "auth=Bearer " + secret + "\x01\x01";
      answers.push_back(base64Line(clear));
      break;
  }
  wipeSecret(clear);
  return answers;
}

void wipeSecret(std::string& secret) {
  if (!secret.empty()) OPENSSL_cleanse(secret.data(), secret.size());
  secret.clear();
}

void wipeSecrets(std::vector<std::string>& secrets) {
  for (std::string& secret : secrets) wipeSecret(secret);
  secrets.clear();
}

}  // namespace zelvaro::net
