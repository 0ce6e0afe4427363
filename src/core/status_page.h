#pragma once

// The game's status page: a static HTML file that players can open in any browser, on a phone
// too, without scripts. It names players and times only: no address and no file.

#include <string>
#include <vector>

namespace zelvaro::core {

struct StatusRow {
  enum class Orders { Out, In, Rejected };
  int number = 0;  // 1 to 16
  std::string name;
  std::string mailedAt;  // "2026-12-08 20:01", or empty while his turn has not gone out
  Orders orders = Orders::Out;
  std::string ordersAt;  // when the last verdict came
};

struct StatusPage {
  std::string gameName;
  int year = 0;
  std::string deadline;  // in words, or empty without one
  std::string timeLeft;  // "2 days 3 hours", "passed"
  std::vector<StatusRow> rows;
  std::string lastGeneration;  // "2026-12-07 20:00: ok", or empty
  std::string updatedAt;
};

std::string statusPageHtml(const StatusPage& page);

// Written whole as a new file and renamed over the old one, so a web server never serves half
// a page; throws EInOutError.
void writeStatusPage(const std::string& path, const StatusPage& page);

}  // namespace zelvaro::core
