#pragma once

// The program's settings file, zelvaro.cfg in the settings folder: KEY,VALUE lines read into a
// Settings value at start-up and written back from it at shut-down.

#include <array>
#include <optional>
#include <string>

#include "core/recent_games.h"

namespace zelvaro::core {

struct ServerAddress {
  std::string host;
  std::string port;  // a number or a service name
};

// How the connection to the server is protected: plain (as always before), STARTTLS after the
// extended greeting, or TLS from the first byte.
enum class MailSecurity { None, StartTls, Tls };
// How the login is made; Auto takes PLAIN, else LOGIN, among what the server offers.
enum class MailAuth { Auto, Plain, Login, XOAuth2 };

// The settings file's words for them ("none", "starttls", "tls"; "auto", "plain", "login",
// "xoauth2"), read in any letter case; another word gives nothing.
std::optional<MailSecurity> securityFromText(const std::string& text);
std::string securityText(MailSecurity security);
std::optional<MailAuth> authFromText(const std::string& text);
std::string authText(MailAuth auth);

// How to reach and log in to the server. Absent keys leave plain SMTP without a login, as before
// these keys existed. The words are kept as written, so that a misspelt one is refused when
// mailing instead of guessed.
struct MailAccount {
  std::string security = "none";
  std::string user;  // empty: no login
  std::string auth = "auto";
  std::string passwordCommand;  // its first output line is the password (or OAuth2 token)
  std::string caFile;           // further trusted certificates, PEM
  bool operator==(const MailAccount&) const = default;
};

// Where players' orders arrive: the host's mailbox over IMAP. No server: no mailbox. The login
// is the SMTP account's where no user of its own is set; `cafile` serves both.
struct OrdersMailbox {
  std::string server;            // "host" or "host:port"
  std::string security = "tls";  // "tls" (993), "starttls" (143), "none" (loopback only)
  std::string user;              // empty: the SMTP user
  std::string passwordCommand;   // empty: see send/mailbox_account.h
  std::string auth = "auto";
  std::string folder = "INBOX";        // where orders arrive
  std::string doneFolder = "Zelvaro";  // judged mail goes here, refused mail into its Rejected
  bool operator==(const OrdersMailbox&) const = default;

  // The server split at its colon; without a port, 993 for tls, else 143.
  ServerAddress address() const;
};

struct WindowGeometry {
  int left = 197;
  int top = 107;
  // Wide enough for the roster's five columns, names whole, at the default split.
  int width = 780;
  int height = 445;
  bool operator==(const WindowGeometry&) const = default;
};

// What the settings file holds, for the whole run; the main window owns it. Defaults are the
// values a key that is absent leaves.
struct Settings {
  std::string server;  // "host" or "host:port"
  std::string email;
  std::string defalias;
  bool logging = false;
  std::string logfile;
  bool overwrite = false;
  std::string database;
  int progressMaximum = 500;  // of the current-file progress bar
  int encoding = 0;
  WindowGeometry window;
  std::array<int, 3> playerColumns{128, 128, 243};  // Name, Email, Note
  // Wide enough for the headers in a desktop font; together they still fit the roster at split 5.
  std::array<int, 5> rosterColumns{40, 58, 140, 46, 60};  // Send, Player#, Name, Mailed, Orders
  int split = 5;                                          // tenths of the width for the left part
  // Where the SMTP monitor and the session log were last; none until they were first shown.
  std::optional<WindowGeometry> monitorWindow;
  std::optional<WindowGeometry> logWindow;
  RecentGames recentGames;
  MailAccount account;
  OrdersMailbox mailbox;

  // "host:port" split at its colon; without one (or for a bare IPv6 address) the port is the
  // one that goes with the security: the SMTP service, 587 for STARTTLS, 465 for TLS.
  // "[v6-address]:port" is understood too.
  ServerAddress serverAddress() const;
};

// "host:port" split at its colon (a bare IPv6 address has none; "[v6-address]:port" is
// understood); without a port, `defaultPort`.
ServerAddress splitServerAddress(const std::string& server, const std::string& defaultPort);

// zelvaro.cfg in the settings folder.
std::string settingsFilePath();
// Where the player database is unless the settings say otherwise.
std::string defaultDatabasePath();

// A missing file is created with the seven defaults, silently. A file that cannot be made (a
// read-only folder, a folder of that name) throws EInOutError; a folder is never written over.
void createSettingsIfMissing(const std::string& path);
// The seven values a new file starts with, for a run whose file could not be made.
void applyDefaults(Settings& settings);
// A value read when needed (splash, ignoredb): NotFound, and nothing said, when the file is
// missing or unreadable; the start has told the operator about that already.
std::string readSetting(const std::string& path, const std::string& key);

// The mail, logging and database options, progmax and encoding. A missing key falls back with
// a "Bummer!! CFG file sucked; [KEY]" message (progmax and encoding silently). A number that
// is not an integer after filtering throws EConvertError; what was read before it stays in
// `settings`.
void loadOptions(const std::string& path, Settings& settings);
// Window geometry, grid column widths and split: present keys only; may throw EConvertError
// like loadOptions. A monitor or log place that is not four numbers is ignored.
void loadLayout(const std::string& path, Settings& settings);

// Writes newsmtp, the geometry, the column widths, split, progmax, encoding, database, the
// monitor's and the log's places when known, and the recent games, appending the keys that
// are missing.
void saveSettings(const std::string& path, const Settings& settings);
// Writes what the settings dialog edits: server, email, defalias, logging, logfile, overwrite,
// then security, user, auth, passwordcommand and cafile, then the orders mailbox's imap keys.
void writeMailOptions(const std::string& path, const Settings& settings);

}  // namespace zelvaro::core
