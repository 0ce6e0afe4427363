#include "platform/collation.h"

#include <QCollator>
#include <QString>

namespace zelvaro::platform {

int compareText(const std::string& a, const std::string& b) {
  static const QCollator collator = [] {
    QCollator c;
    c.setCaseSensitivity(Qt::CaseInsensitive);
    return c;
  }();
  return collator.compare(QString::fromStdString(a), QString::fromStdString(b));
}

}  // namespace zelvaro::platform
