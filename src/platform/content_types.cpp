#include "platform/content_types.h"

#include <QFile>
#include <QMimeDatabase>
#include <QString>
#include <QStringDecoder>

#include <algorithm>

namespace zelvaro::platform {

namespace {

// A text longer than this is not read through for its charset: it goes without one.
constexpr qint64 kCharsetScanLimit = 1024 * 1024;

std::string charsetOf(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly) || file.size() > kCharsetScanLimit) return {};
  const QByteArray bytes = file.readAll();
  if (std::all_of(bytes.begin(), bytes.end(),
                  [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
    return "us-ascii";
  }
  QStringDecoder utf8(QStringDecoder::Utf8);
  const QString text = utf8.decode(bytes);  // decoded only when made a QString
  return utf8.hasError() ? std::string() : "utf-8";
}

}  // namespace

ContentType fileContentType(const std::string& path) {
  static const QMimeDatabase database;
  const QString name = QString::fromStdString(path);
  const QMimeType type = database.mimeTypeForFile(name);
  if (type.inherits(QStringLiteral("text/plain"))) return {"text/plain", charsetOf(name)};
  // The database's names for "nothing known", an empty file among them.
  if (!type.isValid() || type.isDefault() ||
      type.name() == QStringLiteral("application/x-zerosize")) {
    return {"application/octet-stream", {}};
  }
  return {type.name().toStdString(), {}};
}

}  // namespace zelvaro::platform
