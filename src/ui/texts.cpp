#include "ui/texts.h"

#include <QFile>
#include <stdexcept>

// A static library's resources are registered only when something asks for them by name.
static void registerTexts() {
  Q_INIT_RESOURCE(ui_texts);
}

namespace zelvaro::ui {

namespace {

std::string resource(const char* name) {
  static const bool registered = (registerTexts(), true);
  (void)registered;
  QFile file(QStringLiteral(":/texts/") + QLatin1String(name));
  if (!file.open(QIODevice::ReadOnly)) throw std::logic_error(std::string("no text ") + name);
  return file.readAll().toStdString();
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> result;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    result.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return result;
}

}  // namespace

std::vector<std::string> introLines() {
  return lines(resource("intro.txt"));
}
std::vector<std::string> idleRemarks() {
  return lines(resource("idle.txt"));
}
std::vector<std::string> aboutCaptions() {
  return lines(resource("captions.txt"));
}

std::string aboutText() {
  std::string text = resource("about.txt");
  while (!text.empty() && text.back() == '\n') text.pop_back();
  return text;
}

std::string manualText() {
  return resource("README.md");
}

}  // namespace zelvaro::ui
