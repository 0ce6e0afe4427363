#include "ui/help_window.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QListWidget>
#include <QTextBrowser>
#include <algorithm>

#include "ui/texts.h"

namespace zelvaro::ui {

std::vector<ManualSection> manualSections(const std::string& markdown) {
  std::vector<ManualSection> sections(1);
  bool code = false;
  std::size_t start = 0;
  while (start < markdown.size()) {
    std::size_t end = markdown.find('\n', start);
    if (end == std::string::npos) end = markdown.size();
    const std::string line = markdown.substr(start, end - start);
    start = end + 1;
    if (line.rfind("```", 0) == 0) code = !code;
    if (!code && line.rfind("## ", 0) == 0) {
      sections.push_back({line.substr(3), ""});
    } else if (!code && line.rfind("# ", 0) == 0 && sections.size() == 1 &&
               sections[0].title.empty()) {
      sections[0].title = line.substr(2);
    }
    sections.back().text += line + "\n";
  }
  if (sections[0].title.empty()) sections[0].title = "Introduction";
  return sections;
}

HelpWindow::HelpWindow(QWidget* parent)
    : QWidget(parent, Qt::Window),
      sections_(manualSections(manualText())),
      list_(new QListWidget(this)),
      text_(new QTextBrowser(this)) {
  setObjectName(QStringLiteral("HelpWindow"));
  setWindowTitle(QStringLiteral("Zelvaro manual"));
  list_->setObjectName(QStringLiteral("HelpSections"));
  text_->setObjectName(QStringLiteral("HelpText"));
  text_->setOpenExternalLinks(true);
  int widest = 0;
  for (const ManualSection& section : sections_) {
    const QString title = QString::fromStdString(section.title);
    list_->addItem(title);
    widest = std::max(widest, list_->fontMetrics().horizontalAdvance(title));
  }
  list_->setFixedWidth(widest + 32);
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(list_);
  layout->addWidget(text_, 1);
  connect(list_, &QListWidget::currentRowChanged, this, &HelpWindow::showSection);
  list_->setCurrentRow(0);
  resize(list_->width() + text_->fontMetrics().averageCharWidth() * 90,
         text_->fontMetrics().lineSpacing() * 32);
}

void HelpWindow::showSection(int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= sections_.size()) return;
  if (list_->currentRow() != index) list_->setCurrentRow(index);
  text_->setMarkdown(QString::fromStdString(sections_[static_cast<std::size_t>(index)].text));
}

QString HelpWindow::sectionText() const {
  return text_->toPlainText();
}

void HelpWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    close();
    return;
  }
  QWidget::keyPressEvent(event);
}

}  // namespace zelvaro::ui
