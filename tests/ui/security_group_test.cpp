// The settings dialog's Security group as the operator uses it: what Close writes, where the
// password goes, and the check's report against a real server.

#include "ui/security_group.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <cstdlib>
#include <map>

#include "send/credentials.h"
#include "send/password_memory.h"
#include "support/aiosmtpd_server.h"
#include "support/test_certificates.h"

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
  EXPECT_EQ(group.keepPassword("smtp.example.org").note, "");
  EXPECT_EQ(keyring,
            (std::map<std::string, std::string>{{"host@example.org@smtp.example.org", "s3cret"}}));
  EXPECT_EQ(control<QLineEdit>("PasswordEdit")->text(), "");
  EXPECT_EQ(group.keepPassword("smtp.example.org").note, "")
      << "an empty field keeps what is stored";
  EXPECT_EQ(keyring.size(), 1u);

  // Typed without a user, it is not dropped in silence.
  type("UserEdit", "");
  type("PasswordEdit", "s3cret");
  const PasswordKeeping refused = group.keepPassword("smtp.example.org");
  EXPECT_TRUE(refused.refused);
  EXPECT_NE(refused.note.find("User is empty"), std::string::npos) << refused.note;
  EXPECT_EQ(control<QLineEdit>("PasswordEdit")->text(), "s3cret") << "kept for the user to come";
}

TEST_F(SecurityGroupTest, CheckConnectionShowsAReadableReport) {
  test::AiosmtpdServer server;
  settings.server = "127.0.0.1:" + std::to_string(server.port());
  settings.email = "host@example.org";
  group.fill({});
  group.checkClick();
  const QString report = group.report();
  EXPECT_TRUE(report.contains(QStringLiteral("\nGreeting: 220 "))) << report.toStdString();
  EXPECT_EQ(group.verdict(), QStringLiteral("Connection check passed.")) << report.toStdString();
  EXPECT_FALSE(trace.empty()) << "the monitor sees the conversation";
  EXPECT_FALSE(server.hasMessage(1));

  group.testMessageClick();
  EXPECT_TRUE(server.hasMessage(1));
  EXPECT_TRUE(
      group.report().contains(QStringLiteral("Test message: accepted for host@example.org")));
}

// No Secret Service on this desktop: the typed password serves this run, for the check as for
// Send, and the report says so once.
TEST(SecurityGroupWithoutKeyring, ATypedPasswordIsUsedForThisRun) {
  test::TempDir nowhere;
  const char* bus = std::getenv("DBUS_SESSION_BUS_ADDRESS");
  const std::string saved = bus != nullptr ? bus : "";
  setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + nowhere.file("no-bus")).c_str(), 1);
  test::TestCertificates certificates;
  test::AiosmtpdServer server({"security=require-starttls",
                               "cert=" + certificates.certificateFile(),
                               "key=" + certificates.keyFile(), "user=host", "password=s3cret"});
  core::Settings settings;
  settings.server = "localhost:" + std::to_string(server.port());
  settings.email = "host@example.org";
  settings.account.security = "starttls";
  settings.account.user = "host";
  settings.account.caFile = certificates.caFile();
  SecurityGroup* group = nullptr;
  SecurityGroup widget({[&] {
    core::Settings now = settings;
    now.account = group->entered();
    return now;
  }});
  group = &widget;
  widget.fill(settings.account);
  QTest::keyClicks(widget.findChild<QLineEdit*>("PasswordEdit"), QStringLiteral("s3cret"));

  widget.checkClick();
  EXPECT_EQ(widget.verdict(), QStringLiteral("Connection check passed."))
      << widget.report().toStdString();
  const QStringList lines = widget.report().split(QLatin1Char('\n'));
  EXPECT_TRUE(lines.front().contains(QStringLiteral("kept in memory until Zelvaro ends")))
      << widget.report().toStdString();
  EXPECT_TRUE(lines.front().contains(QStringLiteral("Password command")));
  EXPECT_TRUE(widget.report().contains(QStringLiteral("Login: accepted for host")));
  auto* report = widget.findChild<QPlainTextEdit*>("CheckReport");
  EXPECT_GE(report->sizeHint().height(), report->fontMetrics().lineSpacing() * lines.size())
      << "the box grows to its text";

  // The next check, and a send session, find it without a word.
  widget.testMessageClick();
  EXPECT_EQ(widget.verdict(), QStringLiteral("Connection check passed."))
      << widget.report().toStdString();
  EXPECT_FALSE(widget.report().contains(QStringLiteral("keyring")))
      << widget.report().toStdString();
  EXPECT_TRUE(server.hasMessage(1));
  const send::Credentials credentials = send::credentialsFor(settings.account, "localhost");
  EXPECT_TRUE(credentials.ok) << credentials.problem;
  EXPECT_EQ(credentials.password, "s3cret");
  send::forgetPasswordKeptForThisRun(send::keyringKey("host", "localhost"));
  if (bus != nullptr) {
    setenv("DBUS_SESSION_BUS_ADDRESS", saved.c_str(), 1);
  } else {
    unsetenv("DBUS_SESSION_BUS_ADDRESS");
  }
}

}  // namespace
}  // namespace zelvaro::ui
