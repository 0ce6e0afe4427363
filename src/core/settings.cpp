#include "core/settings.h"

#include <algorithm>
#include <cctype>
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

// The six column widths with their keys: grid1.* for the players, grid2.* for the roster.
template <typename SettingsValue>
auto columnWidths(SettingsValue& settings) {
  using Width = decltype(&settings.playerColumns[0]);
  return std::array<std::pair<const char*, Width>, 6>{{
      {"grid1.1", &settings.playerColumns[0]},
      {"grid1.2", &settings.playerColumns[1]},
      {"grid1.3", &settings.playerColumns[2]},
      {"grid2.1", &settings.rosterColumns[0]},
      {"grid2.2", &settings.rosterColumns[1]},
      {"grid2.3", &settings.rosterColumns[2]},
  }};
}

}  // namespace

ServerAddress Settings::serverAddress() const {
  const std::string smtp = "smtp";
  if (!server.empty() && server.front() == '[') {
    size_t close = server.find(']');
    if (close != std::string::npos) {
      std::string port = server.substr(close + 1);
      bool hasPort = port.size() > 1 && port.front() == ':';
      return {server.substr(1, close - 1), hasPort ? port.substr(1) : smtp};
    }
  }
  size_t colon = server.find(':');
  if (colon == std::string::npos || server.find(':', colon + 1) != std::string::npos) {
    return {server, smtp};
  }
  std::string port = server.substr(colon + 1);
  return {server.substr(0, colon), port.empty() ? smtp : port};
}

std::string settingsFilePath() {
  return FindWindowsDirectory() + "/zelvaro.cfg";
}

std::string defaultDatabasePath() {
  return FindWindowsDirectory() + "/database.txt";
}

void createSettingsIfMissing(const std::string& path) {
  if (fileExists(path)) return;
  const char sep = storeState().KeySeparator;
  writeAllLines(path,
                {std::string("server") + sep + "smtp.yourprovider.invalid",
                 std::string("email") + sep + "yourname@yourprovider.invalid",
                 std::string("defalias") + sep + "yournamehere", std::string("logging") + sep + "0",
                 std::string("logfile") + sep, std::string("overwrite") + sep + "0",
                 std::string("database") + sep + defaultDatabasePath()});
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
  std::string logfile = ReadKey(path, "logfile");
  settings.logfile = logfile == NotFound ? "" : logfile;
  settings.overwrite = readOrComplain(path, "overwrite", "0") == "1";
}

void loadLayout(const std::string& path, Settings& settings) {
  readNumberIfPresent(path, "top", settings.window.top);
  readNumberIfPresent(path, "left", settings.window.left);
  readNumberIfPresent(path, "height", settings.window.height);
  readNumberIfPresent(path, "width", settings.window.width);
  for (auto [key, width] : columnWidths(settings)) readNumberIfPresent(path, key, *width);
  settings.split = 5;
  readNumberIfPresent(path, "split", settings.split);
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
  writeKeys(path, values);
  settings.recentGames.store(path);
}

void writeMailOptions(const std::string& path, const Settings& settings) {
  writeKeys(path, {{"server", settings.server},
                   {"email", settings.email},
                   {"defalias", settings.defalias},
                   {"logging", flagText(settings.logging)},
                   {"logfile", settings.logfile},
                   {"overwrite", flagText(settings.overwrite)}});
}

}  // namespace zelvaro::core
