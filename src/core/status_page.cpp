#include "core/status_page.h"

#include "core/text_file.h"

namespace zelvaro::core {

namespace {

std::string escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string ordersCell(const StatusRow& row) {
  switch (row.orders) {
    case StatusRow::Orders::In:
      return "<td class=\"in\">in " + escaped(row.ordersAt) + "</td>";
    case StatusRow::Orders::Rejected:
      return "<td class=\"rejected\">rejected " + escaped(row.ordersAt) + "</td>";
    case StatusRow::Orders::Out:
      break;
  }
  return "<td class=\"out\">out</td>";
}

constexpr const char* kStyle =
    "body{font-family:sans-serif;margin:1em auto;max-width:40em;padding:0 .5em;color:#222}"
    "h1{font-size:1.4em}table{border-collapse:collapse;width:100%}"
    "th,td{text-align:left;padding:.35em .5em;border-bottom:1px solid #ccc}"
    ".in{color:#175e17}.out{color:#8a5a00}.rejected{color:#a11}"
    "footer{margin-top:1em;font-size:.85em;color:#555}";

}  // namespace

std::string statusPageHtml(const StatusPage& page) {
  const std::string title = escaped(page.gameName) + ", year " + std::to_string(page.year);
  std::string html =
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
      "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
      "<title>" +
      title + "</title>\n<style>" + kStyle +
      "</style>\n</head>\n<body>\n"
      "<h1>" +
      title + "</h1>\n";
  if (page.deadline.empty()) {
    html += "<p>No deadline: the next turn comes when the host generates it.</p>\n";
  } else {
    html += "<p>Orders due <strong>" + escaped(page.deadline) + "</strong> (" +
            escaped(page.timeLeft) + ").</p>\n";
  }
  html +=
      "<table>\n<thead><tr><th>#</th><th>Player</th><th>Turn mailed</th><th>Orders</th></tr>"
      "</thead>\n<tbody>\n";
  for (const StatusRow& row : page.rows) {
    html += "<tr><td>" + std::to_string(row.number) + "</td><td>" + escaped(row.name) +
            "</td><td>" + (row.mailedAt.empty() ? "not yet" : escaped(row.mailedAt)) + "</td>" +
            ordersCell(row) + "</tr>\n";
  }
  html += "</tbody>\n</table>\n<footer>";
  if (!page.lastGeneration.empty()) {
    html += "Last generation: " + escaped(page.lastGeneration) + ". ";
  }
  html += "Updated " + escaped(page.updatedAt) + ".</footer>\n</body>\n</html>";
  return html;
}

void writeStatusPage(const std::string& path, const StatusPage& page) {
  const std::string html = statusPageHtml(page);
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = html.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(html.substr(start, end - start));
  }
  lines.push_back(html.substr(start));
  writeAllLines(path, lines);
}

}  // namespace zelvaro::core
