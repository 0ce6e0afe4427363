#include "core/settings.h"

#include "core_test.h"

namespace zelvaro::core {
namespace {

using Lines = std::vector<std::string>;

class SettingsFile : public CoreTest {
 protected:
  std::string path = dir.file("zelvaro.cfg");

  Settings loadAll() {
    Settings settings;
    loadOptions(path, settings);
    loadLayout(path, settings);
    return settings;
  }
  std::string bummer(const std::string& key) { return "Bummer!! CFG file sucked; [" + key + "]"; }
};

TEST_F(SettingsFile, FirstStartCreatesExactlyTheSevenDefaults) {
  createSettingsIfMissing(path);
  EXPECT_EQ(lines(path),
            (Lines{"server,smtp.yourprovider.invalid", "email,yourname@yourprovider.invalid",
                   "defalias,yournamehere", "logging,0", "logfile,", "overwrite,0",
                   "database," + defaultDatabasePath()}));
  Settings settings = loadAll();
  EXPECT_TRUE(shown().empty()) << shown().front();
  EXPECT_EQ(settings.split, 5);
  EXPECT_EQ(settings.progressMaximum, 500);
  EXPECT_EQ(settings.server, "smtp.yourprovider.invalid");
  EXPECT_EQ(settings.logfile, "");
  EXPECT_FALSE(settings.logging);
  EXPECT_EQ(settings.window, WindowGeometry{});

  WriteKey(path, "server", "mine");
  createSettingsIfMissing(path);  // an existing file is never re-defaulted
  EXPECT_EQ(ReadKey(path, "server"), "mine");
}

TEST_F(SettingsFile, MissingKeysFallBackWithMessagesAtEveryStart) {
  file("zelvaro.cfg", {"unrelated,1"});
  const Lines expected{bummer("DATABASE"), bummer("SERVER"),  bummer("EMAIL"),
                       bummer("DEFALIAS"), bummer("LOGGING"), bummer("OVERWRITE")};
  for (int start = 0; start < 2; ++start) {
    recorded().clear();
    Settings settings = loadAll();
    EXPECT_EQ(shown(), expected);
    EXPECT_EQ(settings.database, defaultDatabasePath());
    EXPECT_EQ(settings.server, "smtp.nowhere.invalid");
    EXPECT_EQ(settings.email, "nobody@nowhere.invalid");
    EXPECT_EQ(settings.defalias, "yourweirdname");
    EXPECT_EQ(settings.logfile, "");  // never the not-found text
    EXPECT_EQ(settings.encoding, 0);
  }
  EXPECT_EQ(lines(path), Lines{"unrelated,1"});  // fallbacks are not written back

  Settings edited;
  edited.server = "localhost:2525";
  edited.logging = true;
  writeMailOptions(path, edited);
  recorded().clear();
  Settings settings = loadAll();
  EXPECT_EQ(shown(), Lines{bummer("DATABASE")});
  EXPECT_EQ(settings.server, "localhost:2525");
  EXPECT_TRUE(settings.logging);
}

TEST_F(SettingsFile, NumbersAreFilteredAndSmallProgressMaximumIgnored) {
  createSettingsIfMissing(path);
  writeKeys(path, {{"progmax", "7"}, {"split", "x7"}, {"width", "800px"}, {"grid2.3", "-40"}});
  Settings settings = loadAll();
  EXPECT_EQ(settings.progressMaximum, 500);
  EXPECT_EQ(settings.split, 7);
  EXPECT_EQ(settings.window.width, 800);
  EXPECT_EQ(settings.window.height, 445);
  EXPECT_EQ(settings.rosterColumns, (std::array<int, 5>{40, 58, -40, 46, 60}))
      << "a file from before the Mailed and Orders columns keeps their defaults";
  WriteKey(path, "progmax", "1200");
  EXPECT_EQ(loadAll().progressMaximum, 1200);
}

TEST_F(SettingsFile, NonIntegerStopsTheLoadAtItsStep) {
  createSettingsIfMissing(path);
  WriteKey(path, "encoding", "3,5");
  WriteKey(path, "progmax", "900");
  Settings settings;
  EXPECT_THROW(loadOptions(path, settings), EConvertError);
  EXPECT_EQ(settings.progressMaximum, 900);  // read before the failing step
  EXPECT_EQ(settings.database, "");          // never reached

  WriteKey(path, "encoding", "2");
  writeKeys(path, {{"top", "10"}, {"left", "1-2"}, {"height", "300"}});
  settings = Settings{};
  loadOptions(path, settings);
  try {
    loadLayout(path, settings);
    FAIL() << "expected a conversion error";
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "'1-2' is not a valid integer value");
  }
  EXPECT_EQ(settings.window.top, 10);
  EXPECT_EQ(settings.window.height, 445);
}

TEST_F(SettingsFile, FirstSaveAppendsItsKeysAndReadsBack) {
  createSettingsIfMissing(path);
  Settings settings = loadAll();
  settings.window = {10, 20, 640, 480};
  settings.playerColumns = {1, 2, 3};
  settings.rosterColumns = {4, 5, 6, 7, 8};
  settings.split = 3;
  settings.progressMaximum = 310;
  settings.encoding = 2;
  settings.database = "/data/players.txt";
  settings.recentGames.push("Orion", "/g/orion.zv");
  saveSettings(path, settings);

  Lines expected = lines(path);
  expected.resize(7);
  for (const char* line :
       {"newsmtp,1", "top,20", "left,10", "height,480", "width,640", "grid1.1,1", "grid1.2,2",
        "grid1.3,3", "grid2.1,4", "grid2.2,5", "grid2.3,6", "grid2.4,7", "grid2.5,8", "split,3",
        "progmax,310", "encoding,2", R"(history0,"Orion","/g/orion.zv")"}) {
    expected.push_back(line);
  }
  for (int i = 1; i < 8; ++i) expected.push_back("history" + std::to_string(i) + R"(,"","")");
  EXPECT_EQ(lines(path), expected);
  EXPECT_EQ(ReadKey(path, "database"), "/data/players.txt");

  Settings again = loadAll();
  again.recentGames.load(path);
  EXPECT_EQ(again.window, settings.window);
  EXPECT_EQ(again.playerColumns, settings.playerColumns);
  EXPECT_EQ(again.rosterColumns, settings.rosterColumns);
  EXPECT_EQ(again.split, 3);
  EXPECT_EQ(again.progressMaximum, 310);
  EXPECT_EQ(again.recentGames, settings.recentGames);
  EXPECT_FALSE(again.monitorWindow) << "a window never shown has no place to keep";
}

TEST_F(SettingsFile, TheMonitorAndLogKeepTheirPlacesAndABadPlaceIsIgnored) {
  createSettingsIfMissing(path);
  Settings settings = loadAll();
  settings.monitorWindow = WindowGeometry{900, 100, 560, 380};
  saveSettings(path, settings);
  EXPECT_EQ(ReadKey(path, "monitorwindow"), "900,100,560,380");
  EXPECT_EQ(ReadKey(path, "logwindow"), std::string(NotFound));
  EXPECT_EQ(loadAll().monitorWindow, settings.monitorWindow);

  for (const char* bad : {"900,100,560", "a,b,c,d", "1,2,3,4,5", "1,2,0,4"}) {
    WriteKey(path, "monitorwindow", bad);
    EXPECT_FALSE(loadAll().monitorWindow) << bad;
  }
}

TEST_F(SettingsFile, LaterLineOfAKeyWinsAndSaveRewritesBoth) {
  file("zelvaro.cfg", {"split,2", "database,/a", "SPLIT,8"});
  Settings settings;
  loadLayout(path, settings);
  EXPECT_EQ(settings.split, 8);
  settings.split = 4;
  saveSettings(path, settings);
  EXPECT_EQ(lines(path)[0], "split,4");
  EXPECT_EQ(lines(path)[2], "SPLIT,4");
}

TEST(ServerSetting, SplitsHostAndPort) {
  auto split = [](const std::string& server) {
    Settings settings;
    settings.server = server;
    ServerAddress address = settings.serverAddress();
    return address.host + " | " + address.port;
  };
  EXPECT_EQ(split("mail.example.org"), "mail.example.org | smtp");
  EXPECT_EQ(split("localhost:2525"), "localhost | 2525");
  EXPECT_EQ(split("smtp.example.org:587"), "smtp.example.org | 587");
  EXPECT_EQ(split("host:"), "host | smtp");
  EXPECT_EQ(split("[::1]:2525"), "::1 | 2525");
  EXPECT_EQ(split("[::1]"), "::1 | smtp");
  EXPECT_EQ(split("::1"), "::1 | smtp");
}

TEST(ServerSetting, DefaultPortFollowsTheSecurity) {
  Settings settings;
  settings.server = "smtp.example.org";
  const std::pair<const char*, const char*> cases[] = {
      {"none", "smtp"}, {"STARTTLS", "587"}, {"tls", "465"}, {"ssl", "smtp"}};
  for (auto [security, port] : cases) {
    settings.account.security = security;
    EXPECT_EQ(settings.serverAddress().port, port) << security;
  }
  settings.server = "smtp.example.org:2525";
  EXPECT_EQ(settings.serverAddress().port, "2525") << "a port given wins";
}

TEST_F(SettingsFile, MailSecurityKeysAreOptionalAndWrittenAfterTheOthers) {
  createSettingsIfMissing(path);
  Settings settings = loadAll();
  EXPECT_TRUE(shown().empty()) << "absent security keys are not a fault";
  EXPECT_EQ(securityFromText(settings.account.security), MailSecurity::None);
  EXPECT_EQ(authFromText(settings.account.auth), MailAuth::Auto);
  EXPECT_EQ(settings.account.user, "");

  settings.account.security = "starttls";
  settings.account.user = "host@example.org";
  settings.account.auth = "xoauth2";
  settings.account.passwordCommand = "pass show mail, smtp";
  settings.account.caFile = "/etc/ca.pem";
  settings.mailbox.server = "imap.example.org";
  settings.mailbox.security = "starttls";
  writeMailOptions(path, settings);
  const Lines written = lines(path);
  EXPECT_EQ(Lines(written.end() - 12, written.end()),
            (Lines{"security,starttls", "user,host@example.org", "auth,xoauth2",
                   "passwordcommand,pass show mail, smtp", "cafile,/etc/ca.pem",
                   "imapserver,imap.example.org", "imapsecurity,starttls", "imapuser,",
                   "imappasswordcommand,", "imapauth,auto", "imapfolder,INBOX",
                   "imapdone,Zelvaro"}));
  Settings again = loadAll();
  EXPECT_EQ(again.mailbox, settings.mailbox);
  EXPECT_EQ(again.mailbox.address().port, "143");
  again.mailbox.security = "tls";
  EXPECT_EQ(again.mailbox.address().port, "993");
  EXPECT_EQ(again.account.passwordCommand, "pass show mail, smtp") << "commas stay in the value";
  EXPECT_EQ(authFromText(again.account.auth), MailAuth::XOAuth2);
  EXPECT_EQ(securityFromText("Tls"), MailSecurity::Tls);
  EXPECT_EQ(securityFromText("ssl"), std::nullopt);
  EXPECT_EQ(authText(MailAuth::Login), "login");
}

}  // namespace
}  // namespace zelvaro::core
