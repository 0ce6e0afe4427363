#include "send/credentials.h"

#include <gtest/gtest.h>

#include <chrono>

#include "platform/keyring.h"
#include "send/password_command.h"
#include "support/secret_service.h"

namespace zelvaro::send {
namespace {

using std::chrono::milliseconds;

TEST(PasswordCommand, GivesTheFirstLineOfItsOutputOnly) {
  CommandSecret answer = runPasswordCommand("printf 'tok en\\r\\nsecond line\\n'");
  EXPECT_TRUE(answer.ok) << answer.problem;
  EXPECT_EQ(answer.secret, "tok en");
  EXPECT_EQ(runPasswordCommand("printf unended").secret, "unended");
}

TEST(PasswordCommand, FailuresNameTheStatusButNeverTheOutput) {
  const std::pair<const char*, const char*> cases[] = {
      {"echo hunter2; exit 3", "failed with exit status 3"},
      {"echo hunter2 >&2; true", "printed no password (exit status 0)"},
      {"printf '\\nhunter2\\n'", "printed no password"},
      {"kill -9 $$", "was ended by signal 9"},
      {"no-such-command-here", "exit status 127 (command not found)"},
  };
  for (auto [command, expected] : cases) {
    CommandSecret answer = runPasswordCommand(command);
    EXPECT_FALSE(answer.ok) << command;
    EXPECT_EQ(answer.secret, "") << command;
    EXPECT_NE(answer.problem.find(expected), std::string::npos) << answer.problem;
    EXPECT_EQ(answer.problem.find("hunter2"), std::string::npos) << answer.problem;
  }
}

TEST(PasswordCommand, AHangingCommandIsStoppedAtTheLimit) {
  // The background child keeps the output open: the limit must not wait for it either.
  const auto begun = std::chrono::steady_clock::now();
  int waits = 0;
  CommandSecret answer =
      runPasswordCommand("sleep 30 & echo early; sleep 30", milliseconds(400), [&] { ++waits; });
  EXPECT_LT(std::chrono::steady_clock::now() - begun, std::chrono::seconds(5));
  EXPECT_FALSE(answer.ok);
  EXPECT_NE(answer.problem.find("did not finish within"), std::string::npos) << answer.problem;
  EXPECT_GT(waits, 0) << "the window is kept alive meanwhile";
}

TEST(PasswordCommand, ABackgroundChildDoesNotHoldTheRun) {
  const auto begun = std::chrono::steady_clock::now();
  CommandSecret answer = runPasswordCommand("printf pw; sleep 60 &");
  EXPECT_LT(std::chrono::steady_clock::now() - begun, milliseconds(900));
  EXPECT_EQ(answer.secret, "pw");
}

TEST(PasswordCommand, ItsErrorsAreShownPrefixedAndCutOnlyWhenItFailed) {
  CommandSecret answer =
      runPasswordCommand("echo 'gpg: decryption failed:' >&2; echo ' No secret key' >&2; exit 2");
  EXPECT_EQ(answer.problem,
            "The password command (passwordcommand) failed with exit status 2; passwordcommand: "
            "gpg: decryption failed:  No secret key");
  answer = runPasswordCommand("head -c 1000 /dev/zero | tr '\\0' e >&2; exit 1");
  EXPECT_EQ(answer.problem.substr(answer.problem.find("passwordcommand: ")),
            "passwordcommand: " + std::string(300, 'e'));
  EXPECT_TRUE(runPasswordCommand("echo warning >&2; echo pw").problem.empty());
}

using CredentialsTest = test::SecretServiceTest;

TEST_F(CredentialsTest, TheCommandWinsOverTheKeyringWhichIsKeyedByUserAndHost) {
  core::MailAccount account;
  account.user = "host@example.org";
  Credentials none = credentialsFor(account, "smtp.example.org");
  EXPECT_FALSE(none.ok);
  EXPECT_EQ(none.problem,
            "No password for host@example.org@smtp.example.org in the keyring: enter the "
            "password in Settings (Password) or set passwordcommand in zelvaro.cfg");

  ASSERT_EQ(platform::storeKeyringSecret(keyringKey(account.user, "smtp.example.org"), "kept"), "");
  EXPECT_EQ(credentialsFor(account, "smtp.example.org").password, "kept");
  EXPECT_FALSE(credentialsFor(account, "smtp.other.org").ok) << "another host, another entry";

  account.passwordCommand = "echo given";
  EXPECT_EQ(credentialsFor(account, "smtp.example.org").password, "given");
  account.passwordCommand = "exit 2";
  EXPECT_FALSE(credentialsFor(account, "smtp.example.org").ok)
      << "a failing command never falls back to the keyring";
}

}  // namespace
}  // namespace zelvaro::send
