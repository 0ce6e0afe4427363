#include "platform/domain_names.h"

#include <QString>
#include <QUrl>

#include <algorithm>

namespace zelvaro::platform {

std::optional<std::string> asciiDomain(std::string_view domain) {
  const bool ascii = std::all_of(domain.begin(), domain.end(),
                                 [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  // An ASCII name is left as the operator wrote it, case and all.
  if (ascii) return std::string(domain);
  const QString name = QString::fromUtf8(domain.data(), static_cast<qsizetype>(domain.size()));
  const QByteArray ace = QUrl::toAce(name);
  if (ace.isEmpty()) return std::nullopt;
  return ace.toStdString();
}

}  // namespace zelvaro::platform
