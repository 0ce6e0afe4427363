// The wizard's game mailed by a real send session to a real SMTP server: the host gets the
// player's orders file and diary.

#include <QComboBox>
#include <QLineEdit>

#include "core/stars_files.h"
#include "dialog_test.h"
#include "send/send_session.h"
#include "support/aiosmtpd_server.h"
#include "support/memory_session_host.h"
#include "support/stars_turn.h"
#include "support/temp_dir.h"
#include "ui/extra_files_dialog.h"
#include "ui/player_wizard.h"
#include "wizard_host_fake.h"

namespace zelvaro::ui {
namespace {

TEST(PlayerWizardDelivery, TheHostReceivesTheOrdersFileAndTheDiary) {
  test::recorded().clear();
  test::TempDir dir;
  test::AiosmtpdServer server;
  test::FakeWizardHost window;
  window.database = dir.file("players.txt");
  test::writeFile(window.database, "\"Host\",\"host@example.org\",\"\"\r\n");
  // No host file next to a player's universe: the year comes from his orders file.
  const std::string orders = test::starsOrders(2405, 2);
  test::writeFile(dir.file("game.xy"), test::starsUniverse());
  test::writeFile(dir.file("game.x2"), orders);

  ExtraFilesDialog extraFiles;
  PlayerWizard wizard(window, extraFiles);
  wizard.start();
  wizard.show();
  wizard.findChild<QLineEdit*>("Edit1")->setText(QString::fromStdString(dir.file("game.xy")));
  auto* edit2 = wizard.findChild<QLineEdit*>("Edit2");
  edit2->setText("2");
  wizard.Edit2Enter();
  wizard.findChild<QComboBox*>("edit3")->setCurrentIndex(0);
  wizard.edit3Enter();
  wizard.findChild<QLineEdit*>("Edit4")->setText("Orion");
  wizard.Edit4Enter();
  wizard.okClick();
  ASSERT_EQ(window.gameValue.roster.size(), 1u);

  test::MemorySessionHost sessionHost;
  sessionHost.settingsValue.server = "127.0.0.1:" + std::to_string(server.port());
  sessionHost.settingsValue.email = "player@example.org";
  sessionHost.settingsValue.defalias = "Player";
  sessionHost.settingsValue.database = window.database;
  sessionHost.gameValue = window.gameValue;
  core::StarsHeader header;
  core::computeBasePathAndYear(sessionHost.gameValue, header);
  EXPECT_EQ(sessionHost.gameValue.year, 2405);
  send::SendSession session(sessionHost, {20, 30000, 2000});
  EXPECT_TRUE(session.run());

  ASSERT_TRUE(server.hasMessage(1));
  EXPECT_FALSE(server.hasMessage(2));
  EXPECT_EQ(server.message(1, "envelope"), "player@example.org\nhost@example.org\n");
  EXPECT_EQ(server.message(1, "subject"), "My .X file for Orion, honoured host!");
  EXPECT_EQ(server.message(1, "text"), "<Write your diary for the host here.>\r\n");
  EXPECT_EQ(server.message(1, "attachments"), "game.x2\n");
  EXPECT_EQ(server.message(1, "attachment-1"), orders);
  EXPECT_TRUE(test::recorded().texts().empty());
}

}  // namespace
}  // namespace zelvaro::ui
