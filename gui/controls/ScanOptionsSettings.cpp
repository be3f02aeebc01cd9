#include "gui/controls/ScanOptionsSettings.h"

#include "gui/platform/ProgramSettings.h"

namespace {

const QString kSectorsPerRead = QStringLiteral("scan/sectorsPerRead");
const QString kAttempts = QStringLiteral("scan/attempts");
const QString kSkipAfterError = QStringLiteral("scan/skipAfterError");
const QString kFirstSector = QStringLiteral("scan/firstSector");
const QString kLastSector = QStringLiteral("scan/lastSector");
const QString kSpeed = QStringLiteral("scan/speed");

}  // namespace

ScanOptions LoadScanOptions() {
  const QSettings settings = ProgramSettings();
  const ScanOptions defaults;
  // Each value on its own, so that one bad value costs only itself.
  const auto load = [&](const QString& key, auto member) {
    ScanOptions one = defaults;
    bool ok = false;
    const int value = settings.value(key).toInt(&ok);
    if (!ok) return defaults.*member;
    one.*member = value;
    return one.IsValid() ? value : defaults.*member;
  };
  ScanOptions options;
  options.sectorsPerRead = load(kSectorsPerRead, &ScanOptions::sectorsPerRead);
  options.attempts = load(kAttempts, &ScanOptions::attempts);
  options.skipAfterError = load(kSkipAfterError, &ScanOptions::skipAfterError);
  options.firstSector = load(kFirstSector, &ScanOptions::firstSector);
  options.lastSector = load(kLastSector, &ScanOptions::lastSector);
  options.speed = load(kSpeed, &ScanOptions::speed);
  // A range whose ends no longer fit together is the whole session.
  if (!options.IsValid()) {
    options.firstSector = defaults.firstSector;
    options.lastSector = defaults.lastSector;
  }
  return options;
}

void SaveScanOptions(const ScanOptions& options) {
  QSettings settings = ProgramSettings();
  settings.setValue(kSectorsPerRead, options.sectorsPerRead);
  settings.setValue(kAttempts, options.attempts);
  settings.setValue(kSkipAfterError, options.skipAfterError);
  settings.setValue(kFirstSector, options.firstSector);
  settings.setValue(kLastSector, options.lastSector);
  settings.setValue(kSpeed, options.speed);
}
