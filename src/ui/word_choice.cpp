#include "ui/word_choice.h"

#include <QComboBox>
#include <QLineEdit>
#include <algorithm>

#include "ui/widget_names.h"

namespace zelvaro::ui {

QComboBox* choiceBox(const char* name, QWidget* parent, const char* const* captions, int count) {
  auto* box = named<QComboBox>(name, parent);
  for (int i = 0; i < count; ++i) box->addItem(QString::fromUtf8(captions[i]));
  return box;
}

void selectWord(QComboBox* box, const char* const* words, int count, const std::string& text) {
  const QString word = QString::fromStdString(text).toLower();
  box->setCurrentIndex(0);
  for (int i = 0; i < count; ++i) {
    if (word == QString::fromUtf8(words[i])) box->setCurrentIndex(i);
  }
}

std::string chosenWord(const QComboBox* box, const char* const* words, int count,
                       const std::string& kept) {
  const int index = std::max(0, box->currentIndex());
  const QString keptWord = QString::fromStdString(kept).toLower();
  bool known = false;
  for (int i = 0; i < count; ++i) known = known || keptWord == QString::fromUtf8(words[i]);
  return !known && index == 0 ? kept : words[index];
}

std::string enteredText(const QLineEdit* edit) {
  return edit->text().trimmed().toStdString();
}

}  // namespace zelvaro::ui
