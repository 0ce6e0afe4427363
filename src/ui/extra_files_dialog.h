#pragma once

// The extra-files list: the paths of the files mailed to one player besides his turn. The
// opener sets the caption and the list, runs the dialog modally and takes the list as it stands
// when "See ya" closes it; there is no cancel. The same file may be listed twice.

#include <string>
#include <vector>

#include "ui/dialog_frames.h"

class QListWidget;
class QPushButton;

namespace zelvaro::ui {

class ExtraFilesDialog : public FixedDialog {
  Q_OBJECT

 public:
  explicit ExtraFilesDialog(QWidget* parent = nullptr);

  // Shows the paths under the caption modally; the paths listed when it closes.
  std::vector<std::string> edit(const std::string& caption, const std::vector<std::string>& paths);

  void setCaption(const std::string& caption);
  void setFiles(const std::vector<std::string>& paths);
  std::vector<std::string> files() const;

  // Add file: an existing file picked in the open dialog is appended by its full path.
  void Button2Click();
  // Remove file: the selected path.
  void Button3Click();
  // Format C: empties the list.
  void Button4Click();
  // See ya.
  void Button1Click();
  // The selection changed: Remove file is enabled only while a path is selected.
  void listClick();

 private:
  QListWidget* list_;
  QPushButton* button3_;
};

}  // namespace zelvaro::ui
