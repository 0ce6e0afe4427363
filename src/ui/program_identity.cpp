#include "ui/program_identity.h"

#include <QApplication>
#include <QIcon>

// A static library's resources are registered only when something asks for them by name.
static void registerIcons() {
  Q_INIT_RESOURCE(ui_icons);
}

namespace zelvaro::ui {

QIcon programIcon() {
  static const bool registered = (registerIcons(), true);
  (void)registered;
  QIcon icon;
  for (int size : {48, 128, 256}) {
    icon.addFile(QStringLiteral(":/icons/zelvaro-%1.png").arg(size), QSize(size, size));
  }
  return icon;
}

void applyProgramIdentity() {
  QApplication::setWindowIcon(programIcon());
  // Wayland finds the menu entry, and with it the icon, by this name.
  QGuiApplication::setDesktopFileName(QString::fromUtf8(kApplicationId));
}

}  // namespace zelvaro::ui
