#pragma once

// Help > Manual: README's sections in a window, a list of the sections beside the text of the
// one chosen, so the manual is at hand without a browser or a network.

#include <QWidget>
#include <string>
#include <vector>

class QListWidget;
class QTextBrowser;

namespace zelvaro::ui {

struct ManualSection {
  std::string title;
  std::string text;  // Markdown, its heading included
};

// The "## " sections of a Markdown text, the part before the first one under the text's title
// ("# ..."). Headings inside code blocks are text.
std::vector<ManualSection> manualSections(const std::string& markdown);

class HelpWindow : public QWidget {
  Q_OBJECT

 public:
  explicit HelpWindow(QWidget* parent = nullptr);

  // Shows the section `index` of the list.
  void showSection(int index);
  QString sectionText() const;
  QListWidget* sectionList() const { return list_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  std::vector<ManualSection> sections_;
  QListWidget* list_;
  QTextBrowser* text_;
};

}  // namespace zelvaro::ui
