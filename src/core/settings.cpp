#include "core/settings.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <utility>

#include "core/text_store.h"
#include "platform/messages.h"

namespace zelvaro::core {

namespace {

int readNumber(const std::string& path, const std::string& key) {
  return toInteger(NumberFilter(ReadKey(path, key)));
}

// A present key overwrites `target`; an absent one leaves it.
void readNumberIfPresent(const std::string& path, const std::string& key, int& target) {
  std::string value = ReadKey(path, key);
  if (value != NotFound) target = toInteger(NumberFilter(value));
}

// A key that may be absent without complaint.
std::string readOptional(const std::string& path, const std::string& key,
                         const std::string& fallback) {
  std::string value = ReadKey(path, key);
  return value == NotFound ? fallback : value;
}

// "left,top,width,height".
std::optional<WindowGeometry> geometryFromText(const std::string& text) {
  WindowGeometry geometry;
  char end = 0;
  if (std::sscanf(text.c_str(), "%d,%d,%d,%d%c", &geometry.left, &geometry.top, &geometry.width,
                  &geometry.height, &end) != 4 ||
      geometry.width <= 0 || geometry.height <= 0) {
    return std::nullopt;
  }
  return geometry;
}

std::string geometryText(const WindowGeometry& geometry) {
  return std::to_string(geometry.left) + "," + std::to_string(geometry.top) + "," +
         std::to_string(geometry.width) + "," + std::to_string(geometry.height);
}

// The places of the windows that remember theirs, by key.
template <typename AnySettings>
auto windowPlaces(AnySettings& settings) {
  return std::array{std::pair{"monitorwindow", &settings.monitorWindow},
                    std::pair{"logwindow", &settings.logWindow}};
}

std::string lowered(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

constexpr std::array<std::pair<MailSecurity, const char*>, 3> kSecurityWords{
    {{MailSecurity::None, "none"},
     {MailSecurity::StartTls, "starttls"},
     {MailSecurity::Tls, "tls"}}};
constexpr std::array<std::pair<MailAuth, const char*>, 4> kAuthWords{
    {{MailAuth::Auto, "auto"},
     {MailAuth::Plain, "plain"},
     {MailAuth::Login, "login"},
     {MailAuth::XOAuth2, "xoauth2"}}};

template <typename Value, size_t N>
std::optional<Value> valueOfWord(const std::array<std::pair<Value, const char*>, N>& words,
                                 const std::string& text) {
  const std::string word = lowered(text);
  for (const auto& [value, name] : words) {
    if (word == name) return value;
  }
  return std::nullopt;
}

template <typename Value, size_t N>
std::string wordOfValue(const std::array<std::pair<Value, const char*>, N>& words, Value value) {
  for (const auto& [candidate, name] : words) {
    if (candidate == value) return name;
  }
  return words.front().second;
}

std::string readOrComplain(const std::string& path, const std::string& key,
                           const std::string& fallback) {
  std::string value = ReadKey(path, key);
  if (value != NotFound) return value;
  std::string upper = key;
  std::transform(upper.begin(), upper.end(), upper.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  platform::showMessage("Bummer!! CFG file sucked; [" + upper + "]");
  return fallback;
}

// The column widths with their keys: grid1.* for the players, grid2.* for the roster. A file
// written before the roster had its Mailed or Orders column keeps that column's default.
template <typename SettingsValue>
auto columnWidths(SettingsValue& settings) {
  using Width = decltype(&settings.playerColumns[0]);
  return std::array<std::pair<const char*, Width>, 8>{{
      {"grid1.1", &settings.playerColumns[0]},
      {"grid1.2", &settings.playerColumns[1]},
      {"grid1.3", &settings.playerColumns[2]},
      {"grid2.1", &settings.rosterColumns[0]},
      {"grid2.2", &settings.rosterColumns[1]},
      {"grid2.3", &settings.rosterColumns[2]},
      {"grid2.4", &settings.rosterColumns[3]},
      {"grid2.5", &settings.rosterColumns[4]},
  }};
}

}  // namespace

std::optional<MailSecurity> securityFromText(const std::string& text) {
  return valueOfWord(kSecurityWords, text);
}

std::string securityText(MailSecurity security) {
  return wordOfValue(kSecurityWords, security);
}

std::optional<MailAuth> authFromText(const std::string& text) {
  return valueOfWord(kAuthWords, text);
}

std::string authText(MailAuth auth) {
  return wordOfValue(kAuthWords, auth);
}

ServerAddress splitServerAddress(const std::string& server, const std::string& defaultPort) {
  if (!server.empty() && server.front() == '[') {
    size_t close = server.find(']');
    if (close != std::string::npos) {
      std::string port = server.substr(close + 1);
      bool hasPort = port.size() > 1 && port.front() == ':';
      return {server.substr(1, close - 1), hasPort ? port.substr(1) : defaultPort};
    }
  }
  size_t colon = server.find(':');
  if (colon == std::string::npos || server.find(':', colon + 1) != std::string::npos) {
    return {server, defaultPort};
  }
  std::string port = server.substr(colon + 1);
  return {server.substr(0, colon), port.empty() ? defaultPort : port};
}

ServerAddress Settings::serverAddress() const {
  // The submission ports the providers publish; plain SMTP keeps its service name.
  const MailSecurity mode = securityFromText(account.security).value_or(MailSecurity::None);
  const std::string smtp = mode == MailSecurity::StartTls ? "587"
                           : mode == MailSecurity::Tls    ? "465"
                                                          : "smtp";
  return splitServerAddress(server, smtp);
}

ServerAddress OrdersMailbox::address() const {
  const MailSecurity mode = securityFromText(security).value_or(MailSecurity::Tls);
  return splitServerAddress(server, mode == MailSecurity::Tls ? "993" : "143");
}

std::string settingsFilePath() {
  return FindWindowsDirectory() + "/zelvaro.cfg";
}

std::string defaultDatabasePath() {
  return FindWindowsDirectory() + "/database.txt";
}

void createSettingsIfMissing(const std::string& path) {
  if (fileExists(path)) return;
  Settings defaults;
  applyDefaults(defaults);
  const char sep = storeState().KeySeparator;
  writeAllLines(path, {std::string("server") + sep + defaults.server,
                       std::string("email") + sep + defaults.email,
                       std::string("defalias") + sep + defaults.defalias,
                       std::string("logging") + sep + flagText(defaults.logging),
                       std::string("logfile") + sep + defaults.logfile,
                       std::string("overwrite") + sep + flagText(defaults.overwrite),
                       std::string("database") + sep + defaults.database});
}

void applyDefaults(Settings& settings) {
  settings.server = "smtp.yourprovider.invalid";
  settings.email = "yourname@yourprovider.invalid";
  settings.defalias = "yournamehere";
  settings.logging = false;
  settings.logfile.clear();
  settings.overwrite = false;
  settings.database = defaultDatabasePath();
}

std::string readSetting(const std::string& path, const std::string& key) {
  try {
    if (fileExists(path)) return ReadKey(path, key);
  } catch (const EInOutError&) {
    // Said once already, when the settings were read at start.
  }
  return std::string(NotFound);
}

void loadOptions(const std::string& path, Settings& settings) {
  int progmax = readNumber(path, "progmax");
  settings.progressMaximum = progmax > 10 ? progmax : 500;
  settings.encoding = readNumber(path, "encoding");
  settings.database = readOrComplain(path, "database", defaultDatabasePath());
  settings.server = readOrComplain(path, "server", "smtp.nowhere.invalid");
  settings.email = readOrComplain(path, "email", "nobody@nowhere.invalid");
  settings.defalias = readOrComplain(path, "defalias", "yourweirdname");
  settings.logging = readOrComplain(path, "logging", "0") == "1";
  settings.logfile = readOptional(path, "logfile", "");
  settings.overwrite = readOrComplain(path, "overwrite", "0") == "1";
  settings.account.security = readOptional(path, "security", "none");
  settings.account.user = readOptional(path, "user", "");
  settings.account.auth = readOptional(path, "auth", "auto");
  settings.account.passwordCommand = readOptional(path, "passwordcommand", "");
  settings.account.caFile = readOptional(path, "cafile", "");
  OrdersMailbox& mailbox = settings.mailbox;
  mailbox.server = readOptional(path, "imapserver", "");
  mailbox.security = readOptional(path, "imapsecurity", "tls");
  mailbox.user = readOptional(path, "imapuser", "");
  mailbox.passwordCommand = readOptional(path, "imappasswordcommand", "");
  mailbox.auth = readOptional(path, "imapauth", "auto");
  mailbox.folder = readOptional(path, "imapfolder", "INBOX");
  mailbox.doneFolder = readOptional(path, "imapdone", "Zelvaro");
}

void loadLayout(const std::string& path, Settings& settings) {
  readNumberIfPresent(path, "top", settings.window.top);
  readNumberIfPresent(path, "left", settings.window.left);
  readNumberIfPresent(path, "height", settings.window.height);
  readNumberIfPresent(path, "width", settings.window.width);
  for (auto [key, width] : columnWidths(settings)) readNumberIfPresent(path, key, *width);
  settings.split = 5;
  readNumberIfPresent(path, "split", settings.split);
  for (auto [key, place] : windowPlaces(settings)) {
    if (std::string value = ReadKey(path, key); value != NotFound) {
      *place = geometryFromText(value);
    }
  }
}

void saveSettings(const std::string& path, const Settings& settings) {
  KeyValues values{{"newsmtp", "1"},
                   {"top", std::to_string(settings.window.top)},
                   {"left", std::to_string(settings.window.left)},
                   {"height", std::to_string(settings.window.height)},
                   {"width", std::to_string(settings.window.width)}};
  for (auto [key, width] : columnWidths(settings)) values.emplace_back(key, std::to_string(*width));
  values.insert(values.end(), {{"split", std::to_string(settings.split)},
                               {"progmax", std::to_string(settings.progressMaximum)},
                               {"encoding", std::to_string(settings.encoding)},
                               {"database", settings.database}});
  for (auto [key, place] : windowPlaces(settings)) {
    if (*place) values.emplace_back(key, geometryText(**place));
  }
  writeKeys(path, values);
  settings.recentGames.store(path);
}

void writeMailOptions(const std::string& path, const Settings& settings) {
  writeKeys(path, {{"server", settings.server},
                   {"email", settings.email},
                   {"defalias", settings.defalias},
                   {"logging", flagText(settings.logging)},
                   {"logfile", settings.logfile},
                   {"overwrite", flagText(settings.overwrite)},
                   {"security", settings.account.security},
                   {"user", settings.account.user},
                   {"auth", settings.account.auth},
                   {"passwordcommand", settings.account.passwordCommand},
                   {"cafile", settings.account.caFile},
                   {"imapserver", settings.mailbox.server},
                   {"imapsecurity", settings.mailbox.security},
                   {"imapuser", settings.mailbox.user},
                   {"imappasswordcommand", settings.mailbox.passwordCommand},
                   {"imapauth", settings.mailbox.auth},
                   {"imapfolder", settings.mailbox.folder},
                   {"imapdone", settings.mailbox.doneFolder}});
}

}  // namespace zelvaro::core
