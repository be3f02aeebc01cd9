#include "gui/platform/ProgramSettings.h"

QSettings ProgramSettings() {
  return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Corvane"),
                   QStringLiteral("Lumeter"));
}
