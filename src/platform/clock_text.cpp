#include "platform/clock_text.h"

#include <QDateTime>
#include <QLocale>

namespace zelvaro::platform {

namespace {

QDateTime local(std::time_t when) {
  return QDateTime::fromSecsSinceEpoch(static_cast<qint64>(when));
}

// The long format names the time zone ("t"); a log line of local times does without it. Text
// in single quotes is literal and stays.
QString withoutTimeZone(const QString& format) {
  QString result;
  bool quoted = false;
  for (QChar c : format) {
    if (c == u'\'') quoted = !quoted;
    if (!quoted && c == u't') continue;
    result += c;
  }
  return result.simplified();
}

}  // namespace

std::string shortDateText(std::time_t when) {
  return QLocale::system().toString(local(when).date(), QLocale::ShortFormat).toStdString();
}

std::string longTimeText(std::time_t when) {
  const QLocale locale = QLocale::system();
  return locale
      .toString(local(when).time(), withoutTimeZone(locale.timeFormat(QLocale::LongFormat)))
      .toStdString();
}

}  // namespace zelvaro::platform
