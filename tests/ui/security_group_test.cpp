// The settings dialog's Security group as the operator uses it: what Close writes, where the
// password goes, and the check's report against a real server.

#include "ui/security_group.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <map>

#include "support/aiosmtpd_server.h"

namespace zelvaro::ui {
namespace {

class SecurityGroupTest : public testing::Test {
 protected:
  template <typename Widget>
  Widget* control(const char* name) {
    auto* widget = group.findChild<Widget*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << "no " << name;
    return widget;
  }
  void type(const char* name, const QString& text) {
    control<QLineEdit>(name)->clear();
    QTest::keyClicks(control<QLineEdit>(name), text);
  }

  core::Settings settings;
  std::map<std::string, std::string> keyring;
  std::vector<std::string> trace;
  SecurityGroup group{{[this] {
                         core::Settings now = settings;
                         now.account = group.entered();
                         return now;
                       },
                       [this](const std::string& key, const std::string& secret) {
                         keyring[key] = secret;
                         return std::string();
                       },
                       [this](const std::string& line) { trace.push_back(line); }}};
};

TEST_F(SecurityGroupTest, ChoicesBecomeTheFilesWordsAndUnknownWordsAreKept) {
  core::MailAccount account;
  account.security = "TLS";
  account.auth = "cram-md5";
  account.user = "host@example.org";
  group.fill(account);
  EXPECT_EQ(control<QComboBox>("SecurityChoice")->currentIndex(), 2);
  core::MailAccount back = group.entered();
  EXPECT_EQ(back.security, "tls");
  EXPECT_EQ(back.auth, "cram-md5") << "never quietly another login";

  control<QComboBox>("AuthChoice")->setCurrentIndex(3);
  account.security = "ssl";
  group.fill(account);
  EXPECT_EQ(group.entered().security, "ssl") << "never quietly plain text";
  control<QComboBox>("SecurityChoice")->setCurrentIndex(1);
  EXPECT_EQ(group.entered().security, "starttls");
}

TEST_F(SecurityGroupTest, APasswordTypedGoesToTheKeyringOnlyAndIsShownAsDots) {
  core::MailAccount account;
  account.user = "host@example.org";
  group.fill(account);
  EXPECT_EQ(control<QLineEdit>("PasswordEdit")->echoMode(), QLineEdit::Password);
  type("PasswordEdit", "s3cret");
  EXPECT_EQ(group.keepPassword("smtp.example.org"), "");
  EXPECT_EQ(keyring,
            (std::map<std::string, std::string>{{"host@example.org@smtp.example.org", "s3cret"}}));
  EXPECT_EQ(control<QLineEdit>("PasswordEdit")->text(), "");
  EXPECT_EQ(group.keepPassword("smtp.example.org"), "") << "an empty field keeps what is stored";
  EXPECT_EQ(keyring.size(), 1u);
}

TEST_F(SecurityGroupTest, CheckConnectionShowsAReadableReport) {
  test::AiosmtpdServer server;
  settings.server = "127.0.0.1:" + std::to_string(server.port());
  settings.email = "host@example.org";
  group.fill({});
  group.checkClick();
  const QString report = group.report();
  EXPECT_TRUE(report.contains(QStringLiteral("\nGreeting: 220 "))) << report.toStdString();
  EXPECT_TRUE(report.startsWith(QStringLiteral("Connection check passed.\n")))
      << report.toStdString();
  EXPECT_FALSE(trace.empty()) << "the monitor sees the conversation";
  EXPECT_FALSE(server.hasMessage(1));

  group.testMessageClick();
  EXPECT_TRUE(server.hasMessage(1));
  EXPECT_TRUE(
      group.report().contains(QStringLiteral("Test message: accepted for host@example.org")));
}

}  // namespace
}  // namespace zelvaro::ui
