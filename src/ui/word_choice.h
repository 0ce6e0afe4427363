#pragma once

// The settings groups' shared controls: a choice among the settings file's words, shown by
// caption, and the text of an edit as the settings keep it.

#include <string>

class QComboBox;
class QLineEdit;
class QWidget;

namespace zelvaro::ui {

QComboBox* choiceBox(const char* name, QWidget* parent, const char* const* captions, int count);
// The file's word in any letter case; the first choice for another word.
void selectWord(QComboBox* box, const char* const* words, int count, const std::string& text);
// The chosen word. A word `kept` that the choices do not know stays as written while the first
// choice shows: the run then refuses it, where the first choice would quietly replace it.
std::string chosenWord(const QComboBox* box, const char* const* words, int count,
                       const std::string& kept);
// The edit's text without blanks at either end.
std::string enteredText(const QLineEdit* edit);

}  // namespace zelvaro::ui
