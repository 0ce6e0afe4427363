#include "platform/keyring.h"

#include <gtest/gtest.h>

#include "support/secret_service.h"

namespace zelvaro::platform {
namespace {

using KeyringTest = test::SecretServiceTest;

TEST_F(KeyringTest, StoresReadsAndForgetsEachLoginApart) {
  const std::string key = "host@smtp.example.org";
  EXPECT_EQ(readKeyringSecret(key).status, KeyringAnswer::Status::NotStored);
  EXPECT_EQ(storeKeyringSecret(key, "pässwörd ☃"), "");
  EXPECT_EQ(storeKeyringSecret("host@smtp.other.org", "other"), "");

  KeyringAnswer answer = readKeyringSecret(key);
  EXPECT_EQ(answer.status, KeyringAnswer::Status::Found) << answer.problem;
  EXPECT_EQ(answer.secret, "pässwörd ☃");
  EXPECT_EQ(storeKeyringSecret(key, "changed"), "");
  EXPECT_EQ(readKeyringSecret(key).secret, "changed") << "a second store replaces the first";

  EXPECT_EQ(forgetKeyringSecret(key), "");
  EXPECT_EQ(readKeyringSecret(key).status, KeyringAnswer::Status::NotStored);
  EXPECT_EQ(forgetKeyringSecret(key), "") << "forgetting twice is no fault";
  EXPECT_EQ(readKeyringSecret("host@smtp.other.org").secret, "other");
}

}  // namespace
}  // namespace zelvaro::platform
