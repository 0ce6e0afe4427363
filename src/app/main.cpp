#include <QApplication>
#include <QMainWindow>

#include "platform/messages.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Zelvaro"));
  zelvaro::platform::installMessages(zelvaro::platform::makeWidgetMessages());
  QMainWindow window;
  window.setObjectName(QStringLiteral("Form1"));
  window.setWindowTitle(QStringLiteral("Zelvaro V1.5c (5th July 1999)"));
  window.resize(538, 445);
  window.show();
  return QApplication::exec();
}
