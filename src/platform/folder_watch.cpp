#include "platform/folder_watch.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QSet>
#include <QTimer>
#include <map>

namespace zelvaro::platform {

struct FolderWatch::Impl {
  QFileSystemWatcher watcher;
  QTimer rescan;
  // Each folder as Qt names it, and as the caller gave it.
  std::map<QString, std::string> folders;
  FolderWatch* owner = nullptr;

  // A folder's notice covers files coming and going; a file rewritten in place only tells
  // through a watch of its own. Files replaced by a new one lose their watch, so the list is
  // brought up to date at every look.
  void refresh(const QString& folder) {
    if (!QDir(folder).exists()) return;
    if (!watcher.directories().contains(folder)) watcher.addPath(folder);
    const QStringList files = watcher.files();
    const QSet<QString> watched(files.begin(), files.end());
    QStringList missing;
    for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden)) {
      const QString path = folder + QLatin1Char('/') + name;
      if (!watched.contains(path)) missing << path;
    }
    if (!missing.isEmpty()) watcher.addPaths(missing);
  }

  void changed(const QString& folder) {
    refresh(folder);
    auto found = folders.find(folder);
    if (found != folders.end() && owner->onChange) owner->onChange(found->second);
  }
};

FolderWatch::FolderWatch(int rescanMs) : impl_(std::make_unique<Impl>()) {
  impl_->owner = this;
  QObject::connect(&impl_->watcher, &QFileSystemWatcher::directoryChanged,
                   [this](const QString& folder) { impl_->changed(folder); });
  QObject::connect(&impl_->watcher, &QFileSystemWatcher::fileChanged,
                   [this](const QString& file) { impl_->changed(QFileInfo(file).absolutePath()); });
  impl_->rescan.setInterval(rescanMs);
  QObject::connect(&impl_->rescan, &QTimer::timeout, [this] {
    // A copy: a handler may add folders.
    const auto folders = impl_->folders;
    for (const auto& entry : folders) impl_->changed(entry.first);
  });
  impl_->rescan.start();
}

FolderWatch::~FolderWatch() = default;

void FolderWatch::watch(const std::string& folder) {
  const QString path = QDir(QString::fromStdString(folder)).absolutePath();
  impl_->folders.emplace(path, folder);
  impl_->refresh(path);
}

}  // namespace zelvaro::platform
