#include "platform/desktop.h"

#include <QDesktopServices>
#include <QString>
#include <QUrl>

namespace zelvaro::platform {

bool openFolder(const std::string& path) {
  return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}

}  // namespace zelvaro::platform
