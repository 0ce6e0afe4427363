#include "ui/extra_files_dialog.h"

#include <QFileInfo>
#include <QListWidget>
#include <QPushButton>

#include "platform/messages.h"
#include "ui/widget_names.h"

namespace zelvaro::ui {

ExtraFilesDialog::ExtraFilesDialog(QWidget* parent) : FixedDialog(QStringLiteral("Form9"), parent) {
  list_ = named<QListWidget>("list", this);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setMinimumSize(420, 180);
  connect(list_, &QListWidget::itemSelectionChanged, this, &ExtraFilesDialog::listClick);

  addControl(list_);

  addButton(namedButton("Button2", "Add file", this, &ExtraFilesDialog::Button2Click));
  button3_ =
      addButton(namedButton("Button3", "Remove file", this, &ExtraFilesDialog::Button3Click));
  button3_->setEnabled(false);
  addButton(namedButton("Button4", "Format C:", this, &ExtraFilesDialog::Button4Click))
      ->setToolTip(QStringLiteral("I mean.. clear list."));
  addButtonGap();
  addButton(namedButton("Button1", "See ya", this, &ExtraFilesDialog::Button1Click))
      ->setDefault(true);
}

std::vector<std::string> ExtraFilesDialog::edit(const std::string& caption,
                                                const std::vector<std::string>& paths) {
  setCaption(caption);
  setFiles(paths);
  exec();
  return files();
}

void ExtraFilesDialog::setCaption(const std::string& caption) {
  setWindowTitle(QString::fromStdString(caption));
}

void ExtraFilesDialog::setFiles(const std::vector<std::string>& paths) {
  list_->clear();
  for (const std::string& path : paths) list_->addItem(QString::fromStdString(path));
  listClick();
}

std::vector<std::string> ExtraFilesDialog::files() const {
  std::vector<std::string> paths;
  for (int row = 0; row < list_->count(); ++row) {
    paths.push_back(list_->item(row)->text().toStdString());
  }
  return paths;
}

void ExtraFilesDialog::Button2Click() {
  // Start where the last listed file lies: extra files tend to live together.
  platform::FileDialog dialog;
  if (list_->count() > 0) {
    dialog.directory = QFileInfo(list_->item(list_->count() - 1)->text()).path().toStdString();
  }
  const std::optional<std::string> picked = platform::messages().openFile(dialog);
  if (!picked) return;
  const QFileInfo file(QString::fromStdString(*picked));
  if (!file.exists() || file.isDir()) return;
  list_->addItem(file.absoluteFilePath());
}

void ExtraFilesDialog::Button3Click() {
  const QList<QListWidgetItem*> selected = list_->selectedItems();
  if (selected.isEmpty()) return;
  delete selected.first();
  list_->clearSelection();
  listClick();
}

void ExtraFilesDialog::Button4Click() {
  list_->clear();
  listClick();
}

void ExtraFilesDialog::Button1Click() {
  accept();
}

void ExtraFilesDialog::listClick() {
  button3_->setEnabled(!list_->selectedItems().isEmpty());
}

}  // namespace zelvaro::ui
