// The settings dialog's Orders mailbox group as the host uses it: what he types becomes the
// imap settings, his password goes to the keyring under the mailbox's own user, and the check
// reports what a real Dovecot said.

#include "ui/orders_mailbox_group.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <map>

#include "support/dovecot_server.h"

namespace zelvaro::ui {
namespace {

using test::DovecotServer;

class OrdersMailboxGroupTest : public testing::Test {
 protected:
  template <typename Widget>
  Widget* control(const char* name) {
    auto* widget = group.findChild<Widget*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << "no " << name;
    return widget;
  }
  void type(const char* name, const std::string& text) {
    control<QLineEdit>(name)->clear();
    QTest::keyClicks(control<QLineEdit>(name), QString::fromStdString(text));
  }

  core::Settings settings;
  std::map<std::string, std::string> keyring;
  OrdersMailboxGroup group{{[this] { return settings; },
                            [this](const std::string& key, const std::string& secret) {
                              keyring[key] = secret;
                              return std::string();
                            },
                            {}}};
};

TEST_F(OrdersMailboxGroupTest, WhatIsTypedBecomesTheSettingsAndUnknownWordsStay) {
  core::OrdersMailbox kept;
  kept.security = "ssl";  // a word of no choice: kept until another is chosen
  group.fill(kept);
  type("ImapServerEdit", " imap.example.org ");
  type("ImapFolderEdit", "");
  control<QComboBox>("ImapAuthChoice")->setCurrentIndex(3);
  core::OrdersMailbox entered = group.entered();
  EXPECT_EQ(entered.server, "imap.example.org");
  EXPECT_EQ(entered.security, "ssl");
  EXPECT_EQ(entered.auth, "xoauth2");
  EXPECT_EQ(entered.folder, "INBOX");
  EXPECT_EQ(entered.doneFolder, "Zelvaro");
  control<QComboBox>("ImapSecurityChoice")->setCurrentIndex(1);
  EXPECT_EQ(group.entered().security, "starttls");
  EXPECT_EQ(group.entered().address().port, "143");

  // A password without a user of the mailbox's own has nowhere to go.
  type("ImapPasswordEdit", "s3cret");
  EXPECT_NE(group.keepPassword(), "");
  type("ImapUserEdit", "orders@example.org");
  EXPECT_EQ(group.keepPassword(), "");
  EXPECT_EQ(keyring["orders@example.org@imap.example.org"], "s3cret");
  EXPECT_TRUE(control<QLineEdit>("ImapPasswordEdit")->text().isEmpty());
}

TEST_F(OrdersMailboxGroupTest, CheckConnectionReportsWhatTheServerSaid) {
  DovecotServer server;
  settings.account.caFile = server.caFile();
  group.fill({});
  type("ImapServerEdit", "localhost:" + std::to_string(server.imapsPort()));
  type("ImapUserEdit", DovecotServer::kUser);
  type("ImapPasswordCommandEdit", std::string("printf %s ") + DovecotServer::kPassword);
  control<QPushButton>("ImapCheckButton")->click();
  const QString passed = group.report();
  EXPECT_TRUE(passed.contains(QStringLiteral("Login: accepted for host@example.org")))
      << passed.toStdString();
  EXPECT_TRUE(passed.contains(QStringLiteral("Folder INBOX: 0 messages"))) << passed.toStdString();
  EXPECT_TRUE(passed.endsWith(QStringLiteral("Mailbox check passed."))) << passed.toStdString();

  type("ImapPasswordCommandEdit", "printf %s wrong");
  control<QPushButton>("ImapCheckButton")->click();
  const QString failed = group.report();
  EXPECT_TRUE(failed.contains(QStringLiteral("AUTHENTICATIONFAILED"))) << failed.toStdString();
  EXPECT_TRUE(failed.endsWith(QStringLiteral("Mailbox check failed."))) << failed.toStdString();
  EXPECT_TRUE(control<QPushButton>("ImapCheckButton")->isEnabled());
}

}  // namespace
}  // namespace zelvaro::ui
